// RenderGlow as the host drives it: the area comes from the FilterRecord, the
// settings from its `parameters`, and records the dialog never writes must
// not crash or reach outside the buffers.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "glow_test_support.h"
#include "render_glow.h"

namespace {

using glow::FilterParameters;
using namespace glow_test;

TestImage Speckled(int32_t width, int32_t height, int32_t planes, size_t inPadding, size_t outPadding,
                   uint32_t seed) {
    TestImage image = MakeImage(width, height, planes, inPadding, outPadding);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t p = 0; p < planes; ++p)
                InPixel(image, x, y)[p] = static_cast<uint8_t>(byte(rng) < 40 ? 255 : byte(rng) / 2);
    return image;
}

// The output of RenderGlow through a record describing `image`, starting
// from an output full of stale bytes.
std::vector<uint8_t> Render(TestImage image, FilterParameters settings) {
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            for (int32_t p = 0; p < image.planes; ++p)
                image.out[kGuardBytes + y * image.outStride + static_cast<size_t>(x) * image.planes + p] = 0x3C;
    TestHost host;
    AttachHost(host, image, &settings);
    glow::RenderGlow(&host.globals);
    EXPECT_TRUE(OutputGuardsIntact(image));
    return image.out;
}

std::vector<uint8_t> Literal(TestImage image, const FilterParameters& settings) {
    RunLiteral(image, settings);
    return image.out;
}

TEST(RenderGlow, RewritesTheWholeOutputForEveryPlaneCountAndStride) {
    FilterParameters settings = glow::DefaultGlowParameters();
    settings.glowLevel = 7;
    settings.previewScale = 3;
    for (int32_t planes = 1; planes <= 5; ++planes) {
        for (const size_t padding : {size_t{0}, size_t{3}, size_t{16}}) {
            const TestImage image = Speckled(37, 29, planes, padding, padding + 5, planes * 31 + padding);
            EXPECT_EQ(Render(image, settings), Literal(image, settings))
                << planes << " planes, padding " << padding;
        }
    }
}

TEST(RenderGlow, GreyPlaneGlowsAloneAndTransparencyIsLeftAlone) {
    TestImage image = MakeImage(15, 15, 2);
    for (int32_t y = 0; y < 15; ++y)
        for (int32_t x = 0; x < 15; ++x) InPixel(image, x, y)[1] = 77;  // transparency
    InPixel(image, 7, 7)[0] = 252;                                     // inside the Red window
    FilterParameters settings = RedWindowSettings(250, 255, 5);
    TestImage result = image;
    result.out = Render(image, settings);
    EXPECT_EQ(OutPixel(result, 8, 7)[0], 2);
    EXPECT_EQ(OutPixel(result, 7, 7)[0], 252);
    for (int32_t y = 0; y < 15; ++y)
        for (int32_t x = 0; x < 15; ++x) ASSERT_EQ(OutPixel(result, x, y)[1], 77);
}

TEST(RenderGlow, FourthAndFifthPlanesAreCopiedUnchanged) {
    TestImage image = Speckled(20, 20, 5, 0, 0, 4);
    FilterParameters settings = RedWindowSettings(0, 255, 9);  // everything is a source
    TestImage result = image;
    result.out = Render(image, settings);
    int changed = 0;
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            ASSERT_EQ(OutPixel(result, x, y)[3], InPixel(image, x, y)[3]);
            ASSERT_EQ(OutPixel(result, x, y)[4], InPixel(image, x, y)[4]);
            changed += OutPixel(result, x, y)[0] != InPixel(image, x, y)[0];
        }
    EXPECT_GT(changed, 0);
}

TEST(RenderGlow, PackedRowsWhenTheRecordLeavesTheStridesUnset) {
    TestImage image = Speckled(21, 13, 3, 0, 0, 9);
    FilterParameters settings = glow::DefaultGlowParameters();
    TestHost host;
    AttachHost(host, image, &settings);
    host.record.inRowBytes = 0;
    host.record.outRowBytes = -1;
    glow::RenderGlow(&host.globals);
    EXPECT_EQ(image.out, Literal(image, settings));
}

// The working rectangle need not start at the image's corner: its own top
// row and left column are the ones that never receive glow.
TEST(RenderGlow, CoordinatesAreThoseOfTheWorkingRectangle) {
    TestImage image = Speckled(30, 25, 3, 2, 2, 6);
    FilterParameters settings = glow::DefaultGlowParameters();
    TestHost host;
    AttachHost(host, image, &settings);
    host.record.inRect = Rect{100, 200, 125, 230};
    glow::RenderGlow(&host.globals);
    EXPECT_EQ(image.out, Literal(image, settings));
}

// ---- Records out of range --------------------------------------------------------------

TEST(RenderGlowRecords, LevelsBelowZeroActAsZeroAndAboveThirtyAsThirty) {
    const TestImage image = Speckled(70, 70, 3, 1, 0, 2);
    FilterParameters settings = RedWindowSettings(200, 255, 0);
    const std::vector<uint8_t> none = Render(image, settings);
    settings.glowLevel = 30;
    const std::vector<uint8_t> widest = Render(image, settings);
    EXPECT_NE(none, widest);
    EXPECT_EQ(widest, Literal(image, settings));
    for (const int32_t level : {-1, -30, INT_MIN}) {
        settings.glowLevel = level;
        EXPECT_EQ(Render(image, settings), none) << "level " << level;
    }
    for (const int32_t level : {31, 1000, INT_MAX}) {
        settings.glowLevel = level;
        EXPECT_EQ(Render(image, settings), widest) << "level " << level;
    }
    EXPECT_EQ(glow::GlowRadius(INT_MIN), 0);
    EXPECT_EQ(glow::GlowRadius(INT_MAX), 30);
}

TEST(RenderGlowRecords, ExtremeThresholdsSelectAllOrNothing) {
    const TestImage image = Speckled(40, 40, 3, 0, 2, 3);
    FilterParameters all = RedWindowSettings(INT_MIN, INT_MAX, 6);
    EXPECT_EQ(Render(image, all), Literal(image, RedWindowSettings(0, 255, 6)));
    FilterParameters none = glow::DefaultGlowParameters();
    none.redLower = none.greenLower = none.blueLower = INT_MAX;
    none.redUpper = none.greenUpper = none.blueUpper = INT_MIN;
    EXPECT_EQ(Render(image, none), Literal(image, RedWindowSettings(1, 0, 6)));
    FilterParameters outside = glow::DefaultGlowParameters();
    outside.redLower = outside.greenLower = outside.blueLower = 256;
    outside.redUpper = outside.greenUpper = outside.blueUpper = INT_MAX;
    EXPECT_EQ(Render(image, outside), Literal(image, RedWindowSettings(1, 0, 6)));
}

TEST(RenderGlowRecords, AreaWiderThanTheRowStoreGlowsTheSame) {
    // 40000 columns: wider than any host describes from non-negative
    // coordinates, so the pass adds straight into the output.
    TestImage image = MakeImage(40000, 5, 1, 0, 3);
    for (int32_t x = 0; x < 40000; x += 997) InPixel(image, x, 2 + x % 3)[0] = 255;
    InPixel(image, 39999, 4)[0] = 255;
    FilterParameters settings = RedWindowSettings(250, 255, 30);
    TestHost host;
    AttachHost(host, image, &settings);
    host.record.inRect = Rect{0, -20000, 5, 20000};
    glow::RenderGlow(&host.globals);
    EXPECT_TRUE(OutputGuardsIntact(image));
    EXPECT_EQ(image.out, Literal(image, settings));
}

TEST(RenderGlowRecords, MissingPiecesLeaveTheOutputAloneOrJustCopied) {
    TestImage image = Speckled(12, 12, 3, 0, 0, 1);
    const std::vector<uint8_t> untouched = image.out;
    FilterParameters settings = glow::DefaultGlowParameters();
    TestHost host;

    glow::RenderGlow(nullptr);
    AttachHost(host, image, &settings);
    host.globals.filterRecord = nullptr;
    glow::RenderGlow(&host.globals);
    EXPECT_EQ(image.out, untouched);

    const auto expectUntouched = [&](const char* what, auto spoil) {
        AttachHost(host, image, &settings);
        spoil(host.record);
        glow::RenderGlow(&host.globals);
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
    glow::RenderGlow(&host.globals);
    EXPECT_EQ(image.out, image.in);
}

}  // namespace
