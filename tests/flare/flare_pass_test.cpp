#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flare_pass.h"
#include "flare_test_support.h"
#include "literal_flare.h"

namespace kelvo {

using flare::FilterParameters;
using flare_test::FullSizeDefaults;
using flare_test::MakeImage;
using flare_test::TestImage;

namespace {

// Runs the production pass on one copy of `input` and the literal one on
// another, and expects the same bytes (guards included).
void ExpectPassMatchesLiteral(const FilterParameters& s, const TestImage& input, int32_t cx, int32_t cy,
                              const std::string& what) {
    TestImage fast = input;
    TestImage plain = input;
    flare_test::View(fast);
    flare::FlarePass(flare_test::view, s, flare::PassControl{}, cx, cy);
    flare_test::View(plain);
    flare_reference::LiteralFlarePass(flare_test::view, s, cx, cy);
    EXPECT_TRUE(flare_test::GuardsIntact(fast)) << what;
    EXPECT_EQ(fast.buffer, plain.buffer) << what;
    EXPECT_NE(fast.buffer, input.buffer) << what << ": the flare should add light";
}

}  // namespace

TEST(FlareQuantities, DefaultsAtFullSize) {
    const flare::FlareQuantities q = flare::ComputeFlareQuantities(FullSizeDefaults());
    EXPECT_EQ(q.R, 160);
    EXPECT_EQ(q.k, 0.019999999552965164 / (25600.0 * 0.0033333334140479565));
    EXPECT_NEAR(q.k, 0.000234375, 1e-10);
    EXPECT_EQ(q.coreAmp, 0.05 * 21.0);
    EXPECT_EQ(q.haloInner, 0.33000001311302185);
    EXPECT_NEAR(q.haloOuter, 0.43, 1e-7);
    // flareHue 0.05: the complement (0, 0.67, 1) makes planes 1 and 2 fall off faster.
    EXPECT_EQ(q.comp.r, 0.0);
    EXPECT_NEAR(q.comp.g, 0.67, 1e-12);
    EXPECT_EQ(q.comp.b, 1.0);
    EXPECT_NEAR(q.F[0], 4.1, 1e-12);
    EXPECT_NEAR(q.F[1], 10.13, 1e-12);
    EXPECT_NEAR(q.F[2], 13.1, 1e-12);
    EXPECT_EQ(q.F[0], 0.41000000000000003 * 10.0);
    EXPECT_EQ(q.rayExp, 6.0 * (0.1 * 100.0) / 22.1);
    EXPECT_EQ(q.rayAmp, 0.005 * 11.0);
    // White rays, orange-red halo, blue-violet streak.
    EXPECT_EQ(q.rayColour[0], q.rayColour[2]);
    EXPECT_EQ(q.haloColour[2], 0.0);
    EXPECT_GT(q.streakColour[2], q.streakColour[0]);
}

TEST(FlareQuantities, RadiusFollowsThePreviewScale) {
    FilterParameters s = FullSizeDefaults();
    s.previewScale = 3.0;
    EXPECT_EQ(flare::ComputeFlareQuantities(s).R, 53);
    s.previewScale = 4.0;
    s.flareSize = 0.2;  // trunc(0.8)
    EXPECT_EQ(flare::ComputeFlareQuantities(s).R, 0);
    s.previewScale = 0.0;  // never set: taken as full size
    s.flareSize = 10.0;
    EXPECT_EQ(flare::ComputeFlareQuantities(s).R, 160);
    s.flareSize = 1e300;
    EXPECT_EQ(flare::ComputeFlareQuantities(s).R, INT32_MAX);
}

TEST(FlarePass, CoreAlone) {
    FilterParameters s = FullSizeDefaults();
    s.flareHue = 0.0;
    s.haloBright = 0.0;
    s.raysBright = 0.0;
    s.anamorphicBright = 0.0;
    s.positionX = 500;
    const int32_t cx = 500;
    const int32_t cy = 100;

    TestImage raw = MakeImage(801, 221);
    flare_test::View(raw);
    flare::DrawFlareRows(flare_test::view, flare::ComputeFlareQuantities(s), flare::PassControl{}, cx, cy);
    const int before[3][2] = {{10, 242}, {50, 77}, {100, 25}};
    for (const auto& c : before)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(raw.At(cx - c[0], cy)[k], c[1]) << c[0] << " left, plane " << k;

    TestImage image = MakeImage(801, 221);
    flare_test::View(image);
    flare::FlarePass(flare_test::view, s, flare::PassControl{}, cx, cy);
    const int after[4][2] = {{200, 6}, {250, 4}, {300, 3}, {400, 1}};
    for (const auto& c : after)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(image.At(cx - c[0], cy)[k], c[1]) << c[0] << " left, plane " << k;
    // The centre and its neighbours are saturated before softening. Softening
    // runs in raster order over the whole square, and a single 254 above a
    // pixel pulls it to (255 + 254) / 2: the unsaturated rim at four pixels
    // from the centre carries that down to the centre.
    for (int k = 0; k < 3; ++k) EXPECT_EQ(raw.At(cx, cy)[k], 255);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(raw.At(cx + 1, cy - 1)[k], 255);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(image.At(cx, cy)[k], 254);
}

TEST(FlarePass, AllElementsAtDefaults) {
    FilterParameters s = FullSizeDefaults();
    s.positionX = 500;
    s.positionY = 300;
    TestImage image = MakeImage(801, 501);
    flare_test::View(image);
    flare::FlarePass(flare_test::view, s, flare::PassControl{}, 500, 300);
    const int expected[3][5] = {
        {300, 300, 13, 3, 36},  // 200 columns left, on the streak
        {500, 100, 6, 2, 2},    // 200 rows above, between two rays
        {800, 300, 6, 1, 15},   // 300 columns right
    };
    for (const auto& e : expected)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(image.At(e[0], e[1])[k], e[2 + k]) << "(" << e[0] << ", " << e[1] << ") plane " << k;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(image.At(500, 300)[k], 254);  // softened, as in CoreAlone
}

TEST(FlarePass, MatchesTheLiteralPassByteForByte) {
    const TestImage gradient = flare_test::MakeGradient(330, 250);
    ExpectPassMatchesLiteral(FullSizeDefaults(), gradient, 150, 100, "defaults");
    ExpectPassMatchesLiteral(FullSizeDefaults(), MakeImage(330, 250), 329, 249, "defaults, centre in the corner");

    FilterParameters preview = FullSizeDefaults();
    preview.previewScale = 3.0;
    ExpectPassMatchesLiteral(preview, flare_test::MakeGradient(160, 120), 33, 40, "preview scale 3");

    FilterParameters coloured = FullSizeDefaults();
    coloured.flareSize = 4.0;
    coloured.flareHue = 0.3;
    coloured.haloHue = 0.8;
    coloured.haloSize = 25.0;
    coloured.raysHue = 0.6;
    coloured.anamorphicHue = 0.1;
    coloured.raysRotate = 45.0;
    coloured.anamorphicRotate = 30.0;
    coloured.positionAspect = 2.5;
    coloured.raysCount = 7.0;
    coloured.raysSharp = 40.0;
    ExpectPassMatchesLiteral(coloured, MakeImage(200, 150), 90, 70, "coloured, turned, aspect 2.5");

    FilterParameters flat = FullSizeDefaults();
    flat.flareSize = 3.0;
    flat.positionAspect = 0.0;
    flat.raysSharp = 0.0;
    ExpectPassMatchesLiteral(flat, MakeImage(150, 100), 60, 50, "aspect 0, sharpness 0");

    FilterParameters quiet = FullSizeDefaults();
    quiet.flareSize = 3.0;
    quiet.raysCount = 0.0;
    quiet.raysRNoise = 0.0;
    quiet.raysSNoise = 0.0;
    quiet.flareHue = 0.495;  // complement hue exactly 1
    quiet.positionAspect = 0.4;
    ExpectPassMatchesLiteral(quiet, MakeImage(120, 90), 50, 40, "no rays, no noise");

    for (int element = 0; element < 3; ++element) {
        FilterParameters without = FullSizeDefaults();
        without.flareSize = 3.0;
        if (element == 0) without.raysBright = 0.0;
        if (element == 1) without.anamorphicBright = 0.0;
        if (element == 2) without.haloBright = 0.0;
        ExpectPassMatchesLiteral(without, MakeImage(140, 100), 60, 45, "element " + std::to_string(element) + " off");
    }

    // A small, bright flare far from most of the area: the streak is skipped
    // where it cannot reach, which must not change a byte.
    FilterParameters small = FullSizeDefaults();
    small.flareSize = 0.5;
    small.anamorphicBright = 100.0;
    small.anamorphicRotate = 10.0;
    ExpectPassMatchesLiteral(small, MakeImage(400, 240), 3, 120, "small flare at the left edge");
    small.anamorphicRotate = 90.0;
    small.positionAspect = 0.3;
    ExpectPassMatchesLiteral(small, MakeImage(240, 300), 120, 150, "small flare, vertical streak");

    FilterParameters outside = FullSizeDefaults();
    outside.previewScale = 2.0;
    ExpectPassMatchesLiteral(outside, flare_test::MakeGradient(200, 150), -100, 50, "centre outside, scale 2");
}

TEST(FlarePass, PlanesAndStridesMatchTheLiteralPass) {
    FilterParameters s = FullSizeDefaults();
    s.flareSize = 3.0;
    for (int32_t planes : {1, 2, 3, 4, 5}) {
        const TestImage input = flare_test::MakeGradient(90, 70, planes, 90 * planes + 13);
        ExpectPassMatchesLiteral(s, input, 40, 30, std::to_string(planes) + " planes");
        TestImage out = input;
        flare_test::View(out);
        flare::FlarePass(flare_test::view, s, flare::PassControl{}, 40, 30);
        // Planes past the light planes are left as they were.
        const int32_t firstUntouched = planes >= 3 ? 3 : 1;
        for (int32_t k = firstUntouched; k < planes; ++k)
            EXPECT_EQ(flare_test::PlaneBytes(out, k), flare_test::PlaneBytes(input, k)) << planes << " planes";
    }
}

TEST(FlarePass, ZeroRadiusAddsNothing) {
    FilterParameters s = FullSizeDefaults();
    s.flareSize = 0.0;
    const TestImage input = flare_test::MakeGradient(60, 40);
    TestImage out = input;
    flare_test::View(out);
    flare_test::ResetCallbackLog();
    flare::FlarePass(flare_test::view, s, flare_test::LoggingControl(), 30, 20);
    EXPECT_EQ(out.buffer, input.buffer);
    EXPECT_EQ(flare_test::callbackLog.progressDone.size(), 40u);  // the caller still hears of every row
}

TEST(FlarePass, AbortStopsBeforeTheRowAndStillSoftens) {
    FilterParameters s = FullSizeDefaults();
    s.flareSize = 1.0;  // R = 16
    const int32_t cx = 40, cy = 30;
    const TestImage input = flare_test::MakeGradient(80, 60);

    TestImage out = input;
    flare_test::View(out);
    flare_test::ResetCallbackLog(5);
    flare::FlarePass(flare_test::view, s, flare_test::LoggingControl(), cx, cy);
    EXPECT_EQ(flare_test::callbackLog.abortCalls, 6);
    EXPECT_EQ(flare_test::callbackLog.progressDone, (std::vector<int32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(flare_test::callbackLog.progressTotal, std::vector<int32_t>(5, 79));  // trunc(60 * 1.33)

    // Expected: rows 0..4 with light, the rest as copied, then the square softened.
    TestImage lit = input;
    flare_test::View(lit);
    flare_reference::LiteralFlarePass(flare_test::view, s, cx, cy, false);
    TestImage expected = input;
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 80; ++x)
            for (int k = 0; k < 3; ++k) expected.At(x, y)[k] = lit.At(x, y)[k];
    flare_test::View(expected);
    flare::SoftenBox(flare_test::view, cx - 16, cy - 16, cx + 16, cy + 16);
    EXPECT_EQ(out.buffer, expected.buffer);

    // Abort from the start: only the softening.
    TestImage soft = input;
    flare_test::View(soft);
    flare_test::ResetCallbackLog(0);
    flare::FlarePass(flare_test::view, s, flare_test::LoggingControl(), cx, cy);
    EXPECT_TRUE(flare_test::callbackLog.progressDone.empty());
    TestImage softened = input;
    flare_test::View(softened);
    flare::SoftenBox(flare_test::view, cx - 16, cy - 16, cx + 16, cy + 16);
    EXPECT_EQ(soft.buffer, softened.buffer);
}

}  // namespace kelvo
