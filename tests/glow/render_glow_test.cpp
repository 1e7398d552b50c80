// The glow's core entry, RenderGlowArea: every plane count and stride, and
// records the dialog never writes, which must not crash or reach outside the
// buffers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "glow_pass.h"
#include "glow_test_support.h"
#include "render_glow.h"

namespace kelvo {

namespace {

using glow::FilterParameters;
using namespace glow_test;

// The output of RenderGlowArea over `image`, starting from an output full of
// stale bytes.
std::vector<uint8_t> Render(TestImage image, FilterParameters settings) {
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            for (int32_t p = 0; p < image.planes; ++p)
                image.out[kGuardBytes + y * image.outStride + static_cast<size_t>(x) * image.planes + p] = 0x3C;
    glow::RenderGlowArea(AreaOf(image), settings, RenderCallbacks{});
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

// ---- Records out of range --------------------------------------------------------------

TEST(RenderGlowRecords, LevelsBelowZeroActAsZeroAndAboveTheWidestDrawnAsIt) {
    const TestImage image = Speckled(70, 70, 3, 1, 0, 2);
    FilterParameters settings = RedWindowSettings(200, 255, 0);
    const std::vector<uint8_t> none = Render(image, settings);
    settings.glowLevel = glow::kMaxDrawnGlowRadius;
    const std::vector<uint8_t> widest = Render(image, settings);
    EXPECT_NE(none, widest);
    for (const int32_t level : {-1, -30, INT_MIN}) {
        settings.glowLevel = level;
        EXPECT_EQ(Render(image, settings), none) << "level " << level;
    }
    for (const int32_t level : {glow::kMaxDrawnGlowRadius + 1, 1000, INT_MAX}) {
        settings.glowLevel = level;
        EXPECT_EQ(Render(image, settings), widest) << "level " << level;
    }
    EXPECT_EQ(glow::GlowRadius(INT_MIN), 0);
    EXPECT_EQ(glow::GlowRadius(INT_MAX), glow::kMaxDrawnGlowRadius);
}

// Enlarged glows (the GEGL operations' scale) reach past the dialog's 30
// pixels: both methods against the literal pass.
TEST(RenderGlowRecords, RadiiBeyondTheDialogsMatchTheLiteralPass) {
    TestImage image = Speckled(130, 110, 3, 2, 1, 5);
    for (const int32_t level : {31, 47, 80, glow::kMaxDrawnGlowRadius}) {
        const FilterParameters settings = RedWindowSettings(200, 255, level);
        const std::vector<uint8_t> literal = Literal(image, settings);
        for (const glow::GlowMethod method : {glow::GlowMethod::Accumulate, glow::GlowMethod::Direct}) {
            RunFast(image, settings, RenderCallbacks{}, method);
            EXPECT_EQ(image.out, literal) << "level " << level;
        }
    }
}

// The level a scale draws: the level times the scale, to the nearest pixel,
// within the widest drawn radius; a scale that is not a positive number
// changes nothing.
TEST(ScaledGlowLevel, MultipliesRoundsAndStaysWithinTheWidestDrawn) {
    struct Case {
        int32_t level;
        double scale;
        int32_t drawn;
    };
    const Case cases[] = {
        {10, 1.0, 10}, {10, 2.5, 25}, {30, 4.0, 120}, {30, 64.0, glow::kMaxDrawnGlowRadius}, {7, 0.5, 4},
        {1, 0.05, 0},  {-5, 3.0, 0},  {500, 2.0, 60}, {12, 0.0, 12},  {12, -1.0, 12}, {12, NAN, 12},
    };
    for (const Case& c : cases)
        EXPECT_EQ(glow::ScaledGlowLevel(c.level, c.scale), c.drawn) << c.level << " x " << c.scale;
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
    glow::RenderGlowArea(AreaOf(image), settings, RenderCallbacks{});
    EXPECT_TRUE(OutputGuardsIntact(image));
    EXPECT_EQ(image.out, Literal(image, settings));
}

}  // namespace

}  // namespace kelvo
