#include <gtest/gtest.h>

#include <vector>

#include "pixel_area.h"

namespace {

FilterRecord RecordFor(std::vector<uint8_t>& in, std::vector<uint8_t>& out, int w, int h, int planes,
                       int inRowBytes, int outRowBytes) {
    FilterRecord r{};
    r.inRect = {0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)};
    r.outRect = r.inRect;
    r.planes = static_cast<int16_t>(planes);
    r.inData = in.data();
    r.outData = out.data();
    r.inRowBytes = inRowBytes;
    r.outRowBytes = outRowBytes;
    return r;
}

}  // namespace

TEST(PixelArea, RefusesWhatCannotBeDrawnSafely) {
    std::vector<uint8_t> in(64), out(64);
    PixelArea area;
    FilterRecord r = RecordFor(in, out, 4, 4, 3, 12, 12);
    EXPECT_TRUE(PixelAreaFromRecord(&r, &area));

    FilterRecord noOut = r;
    noOut.outData = nullptr;
    EXPECT_FALSE(PixelAreaFromRecord(&noOut, &area));
    EXPECT_EQ(area.width, 0);

    FilterRecord shortRows = RecordFor(in, out, 4, 4, 3, 11, 12);
    EXPECT_FALSE(PixelAreaFromRecord(&shortRows, &area));

    FilterRecord inverted = r;
    inverted.inRect = {5, 5, 2, 9};
    EXPECT_FALSE(PixelAreaFromRecord(&inverted, &area));

    FilterRecord noPlanes = r;
    noPlanes.planes = 0;
    EXPECT_FALSE(PixelAreaFromRecord(&noPlanes, &area));
    EXPECT_FALSE(PixelAreaFromRecord(nullptr, &area));
}

TEST(PixelArea, UnsetStridesMeanPackedRowsAndRectOffsetsDoNotMatter) {
    std::vector<uint8_t> in(64), out(64);
    FilterRecord r = RecordFor(in, out, 5, 2, 4, 0, -3);
    r.inRect = {100, 200, 102, 205};
    PixelArea area;
    ASSERT_TRUE(PixelAreaFromRecord(&r, &area));
    EXPECT_EQ(area.inRowBytes, 20u);
    EXPECT_EQ(area.outRowBytes, 20u);
    EXPECT_EQ(area.width, 5);
    EXPECT_EQ(area.height, 2);
    EXPECT_EQ(LightPlanes(area), 3);
}

TEST(PixelArea, CopyMovesRowsAndLeavesPaddingAlone) {
    const int w = 3, h = 4, planes = 2, inStride = 9, outStride = 7;
    std::vector<uint8_t> in(inStride * h), out(outStride * h, 0xEE);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i);
    FilterRecord r = RecordFor(in, out, w, h, planes, inStride, outStride);
    PixelArea area;
    ASSERT_TRUE(PixelAreaFromRecord(&r, &area));
    EXPECT_EQ(LightPlanes(area), 1);
    CopyInputToOutput(area);
    for (int y = 0; y < h; ++y) {
        for (int i = 0; i < w * planes; ++i) EXPECT_EQ(out[y * outStride + i], in[y * inStride + i]);
        EXPECT_EQ(out[y * outStride + 6], 0xEE);  // padding untouched
    }
}
