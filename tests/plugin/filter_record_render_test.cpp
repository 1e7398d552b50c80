#include <gtest/gtest.h>

#include <vector>

#include "filter_record_render.h"
#include "plugin.h"

namespace kelvo::plugin {

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

TEST(FilterRecordArea, RefusesWhatCannotBeDrawnSafely) {
    std::vector<uint8_t> in(64), out(64);
    PixelArea area;
    FilterRecord r = RecordFor(in, out, 4, 4, 3, 12, 12);
    EXPECT_TRUE(FilterRecordArea(&r, &area));

    FilterRecord noOut = r;
    noOut.outData = nullptr;
    EXPECT_FALSE(FilterRecordArea(&noOut, &area));
    EXPECT_EQ(area.width, 0);

    FilterRecord shortRows = RecordFor(in, out, 4, 4, 3, 11, 12);
    EXPECT_FALSE(FilterRecordArea(&shortRows, &area));

    FilterRecord inverted = r;
    inverted.inRect = {5, 5, 2, 9};
    EXPECT_FALSE(FilterRecordArea(&inverted, &area));

    FilterRecord noPlanes = r;
    noPlanes.planes = 0;
    EXPECT_FALSE(FilterRecordArea(&noPlanes, &area));
    EXPECT_FALSE(FilterRecordArea(nullptr, &area));
}

TEST(FilterRecordArea, UnsetStridesMeanPackedRowsAndRectOffsetsDoNotMatter) {
    std::vector<uint8_t> in(64), out(64);
    FilterRecord r = RecordFor(in, out, 5, 2, 4, 0, -3);
    r.inRect = {100, 200, 102, 205};
    PixelArea area;
    ASSERT_TRUE(FilterRecordArea(&r, &area));
    EXPECT_EQ(area.inRowBytes, 20u);
    EXPECT_EQ(area.outRowBytes, 20u);
    EXPECT_EQ(area.width, 5);
    EXPECT_EQ(area.height, 2);
    EXPECT_EQ(LightPlanes(area), 3);
}

// The modules' render through the record: nothing without an area, a plain
// copy without a settings record, the entry with the record's settings and
// the host's procedures otherwise.
TEST(RenderFilterRecord, RendersOnlyWhatTheRecordHolds) {
    static int renders = 0;
    const RenderEntry entry = [](const PixelArea& area, const void* settings, const RenderCallbacks& callbacks) {
        ++renders;
        area.out[0] = *static_cast<const uint8_t*>(settings);
        return !RenderAborted(callbacks);
    };
    EXPECT_TRUE(RenderFilterRecord(entry, nullptr));
    FilterRecord empty{};
    EXPECT_TRUE(RenderFilterRecord(entry, &empty));

    std::vector<uint8_t> in(12, 7), out(12, 0);
    FilterRecord r = RecordFor(in, out, 2, 2, 3, 0, 0);
    EXPECT_TRUE(RenderFilterRecord(entry, &r));  // no settings record: a plain copy
    EXPECT_EQ(out, in);
    EXPECT_EQ(renders, 0);

    uint8_t settings = 99;
    PluginHandle handle{&settings, kPluginHandleSignature};
    r.parameters = &handle;
    r.abortProc = []() -> uint8_t { return 1; };
    EXPECT_FALSE(RenderFilterRecord(entry, &r));
    EXPECT_EQ(renders, 1);
    EXPECT_EQ(out[0], 99);
}

}  // namespace kelvo::plugin
