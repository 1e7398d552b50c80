#include <gtest/gtest.h>

#include <vector>

#include "pixel_area.h"

namespace kelvo {

TEST(PixelArea, CopyMovesRowsAndLeavesPaddingAlone) {
    const int w = 3, h = 4, planes = 2, inStride = 9, outStride = 7;
    std::vector<uint8_t> in(inStride * h), out(outStride * h, 0xEE);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i);
    PixelArea area;
    area.in = in.data();
    area.out = out.data();
    area.inRowBytes = inStride;
    area.outRowBytes = outStride;
    area.width = w;
    area.height = h;
    area.planes = planes;
    EXPECT_EQ(LightPlanes(area), 1);
    CopyInputToOutput(area);
    for (int y = 0; y < h; ++y) {
        for (int i = 0; i < w * planes; ++i) EXPECT_EQ(out[y * outStride + i], in[y * inStride + i]);
        EXPECT_EQ(out[y * outStride + 6], 0xEE);  // padding untouched
    }
}

TEST(PixelArea, PackedRowsHaveNoGap) {
    uint8_t in[40] = {}, out[40] = {};
    const PixelArea area = PackedArea(in, out, 5, 2, 4);
    EXPECT_EQ(area.inRowBytes, 20u);
    EXPECT_EQ(area.outRowBytes, 20u);
    EXPECT_EQ(area.in, in);
    EXPECT_EQ(area.out, out);
    EXPECT_EQ(LightPlanes(area), 3);
}

}  // namespace kelvo
