// The module's render through the host's record with the glow's entry: the
// area comes from the FilterRecord, the settings from its `parameters`.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "filter_record_render.h"
#include "glow_test_support.h"
#include "plugin.h"
#include "render_glow.h"

namespace kelvo::plugin {

namespace {

using glow::FilterParameters;
using namespace glow_test;

const RenderEntry kGlowEntry = [](const PixelArea& area, const void* settings, const RenderCallbacks& callbacks) {
    return glow::RenderGlowArea(area, *static_cast<const FilterParameters*>(settings), callbacks);
};

// The host's side of a render: a record describing the image, with the
// settings behind its `parameters`.
struct TestHost {
    FilterRecord record{};
    PluginHandle handle{};
    PluginGlobals globals{};
};

void AttachHost(TestHost& host, TestImage& image, FilterParameters* settings) {
    host.record = FilterRecord{};
    host.record.planes = static_cast<int16_t>(image.planes);
    host.record.inRect = Rect{0, 0, static_cast<int16_t>(image.height), static_cast<int16_t>(image.width)};
    host.record.outRect = host.record.inRect;
    host.record.filterRect = host.record.inRect;
    host.record.inData = image.in.data() + kGuardBytes;
    host.record.outData = image.out.data() + kGuardBytes;
    host.record.inRowBytes = static_cast<int32_t>(image.inStride);
    host.record.outRowBytes = static_cast<int32_t>(image.outStride);
    host.handle.block = settings;
    host.handle.signature = kPluginHandleSignature;
    host.record.parameters = settings != nullptr ? &host.handle : nullptr;
    host.globals.filterRecord = &host.record;
}


std::vector<uint8_t> Literal(TestImage image, const FilterParameters& settings) {
    RunLiteral(image, settings);
    return image.out;
}

TEST(RenderFilterRecordGlow, PackedRowsWhenTheRecordLeavesTheStridesUnset) {
    TestImage image = Speckled(21, 13, 3, 0, 0, 9);
    FilterParameters settings = glow::DefaultGlowParameters();
    TestHost host;
    AttachHost(host, image, &settings);
    host.record.inRowBytes = 0;
    host.record.outRowBytes = -1;
    RenderFilterRecord(kGlowEntry, host.globals.filterRecord);
    EXPECT_EQ(image.out, Literal(image, settings));
}

// The working rectangle need not start at the image's corner: discs are
// clipped at its own edges.
TEST(RenderFilterRecordGlow, CoordinatesAreThoseOfTheWorkingRectangle) {
    TestImage image = Speckled(30, 25, 3, 2, 2, 6);
    FilterParameters settings = glow::DefaultGlowParameters();
    TestHost host;
    AttachHost(host, image, &settings);
    host.record.inRect = Rect{100, 200, 125, 230};
    RenderFilterRecord(kGlowEntry, host.globals.filterRecord);
    EXPECT_EQ(image.out, Literal(image, settings));
}

TEST(RenderFilterRecordGlow, MissingPiecesLeaveTheOutputAloneOrJustCopied) {
    TestImage image = Speckled(12, 12, 3, 0, 0, 1);
    const std::vector<uint8_t> untouched = image.out;
    FilterParameters settings = glow::DefaultGlowParameters();
    TestHost host;

    RenderFilterRecord(kGlowEntry, nullptr);
    AttachHost(host, image, &settings);
    host.globals.filterRecord = nullptr;
    RenderFilterRecord(kGlowEntry, host.globals.filterRecord);
    EXPECT_EQ(image.out, untouched);

    const auto expectUntouched = [&](const char* what, auto spoil) {
        AttachHost(host, image, &settings);
        spoil(host.record);
        RenderFilterRecord(kGlowEntry, host.globals.filterRecord);
        EXPECT_EQ(image.out, untouched) << what;
    };
    expectUntouched("no input", [](FilterRecord& r) { r.inData = nullptr; });
    expectUntouched("no output", [](FilterRecord& r) { r.outData = nullptr; });
    expectUntouched("empty rectangle", [](FilterRecord& r) { r.inRect = Rect{5, 5, 5, 9}; });
    expectUntouched("inverted rectangle", [](FilterRecord& r) { r.inRect = Rect{0, 12, 12, 0}; });
    expectUntouched("no planes", [](FilterRecord& r) { r.planes = 0; });
    expectUntouched("negative planes", [](FilterRecord& r) { r.planes = -3; });
    expectUntouched("stride shorter than a row", [](FilterRecord& r) { r.outRowBytes = 35; });

    // Without a settings record the output is the copy of the input.
    AttachHost(host, image, nullptr);
    RenderFilterRecord(kGlowEntry, host.globals.filterRecord);
    EXPECT_EQ(image.out, image.in);
}

}  // namespace

}  // namespace kelvo::plugin
