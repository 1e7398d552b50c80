#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flare_test_support.h"
#include "literal_flare.h"
#include "reflections.h"

namespace kelvo {

using flare::FilterParameters;
using flare::ReflectionPlacement;
using flare_test::FullSizeDefaults;
using flare_test::MakeImage;
using flare_test::TestImage;

TEST(ReflectionPlacement, DefaultsOnA640By480Area) {
    TestImage image = MakeImage(640, 480);
    flare_test::View(image);
    ReflectionPlacement at[flare::kReflectionCount];
    flare::PlaceReflections(flare_test::view, FullSizeDefaults(), 100, 101, at);
    const int32_t expected[flare::kReflectionCount][3] = {
        {56, 73, 16},    {210, 170, 12},  {243, 191, 32},  {254, 198, 20},  {276, 212, 13},  {287, 219, 10},
        {353, 260, 10},  {408, 295, 20},  {419, 302, 40},  {430, 309, 13},  {447, 320, 21},  {452, 323, 13},
        {463, 330, 21},  {485, 344, 10},  {518, 365, 56},  {606, 420, 140},
    };
    for (int e = 0; e < flare::kReflectionCount; ++e) {
        EXPECT_EQ(at[e].x, expected[e][0]) << "entry " << e;
        EXPECT_EQ(at[e].y, expected[e][1]) << "entry " << e;
        EXPECT_EQ(at[e].R, expected[e][2]) << "entry " << e;
    }
}

TEST(ReflectionPlacement, FlareAboveTheMiddleAndOnItsRow) {
    TestImage image = MakeImage(100, 80);
    flare_test::View(image);
    ReflectionPlacement at[flare::kReflectionCount];
    // cx = mX: the line runs through (mX + 1, cy).
    flare::PlaceReflections(flare_test::view, FullSizeDefaults(), 50, 10, at);
    for (int e = 0; e < flare::kReflectionCount; ++e) {
        const double t = flare::kReflections[e].position;
        const int32_t column = t > 1.0 ? 51 : t >= 0.0 ? 50 : t >= -1.0 ? 49 : 48;
        EXPECT_EQ(at[e].x, column) << "entry " << e;
        EXPECT_EQ(at[e].y, static_cast<int32_t>(40.0 + -30.0 * t)) << "entry " << e;
    }
    // cy = mY: every reflection on the middle's row.
    flare::PlaceReflections(flare_test::view, FullSizeDefaults(), -70, 40, at);
    for (int e = 0; e < flare::kReflectionCount; ++e) EXPECT_EQ(at[e].y, 40) << "entry " << e;
    // reflectionsSize 0: every radius 0.
    FilterParameters s = FullSizeDefaults();
    s.reflectionsSize = 0.0;
    flare::PlaceReflections(flare_test::view, s, 10, 10, at);
    for (int e = 0; e < flare::kReflectionCount; ++e) EXPECT_EQ(at[e].R, 0);
}

TEST(DrawReflection, ProfilesAtTheCentre) {
    // A centre in the last column: softening stops two columns short of the
    // border, so the column keeps exactly what was added.
    TestImage image = MakeImage(40, 30);
    flare_test::View(image);
    flare::DrawDiscReflection(flare_test::view, 4.6, 39, 5, 2, 10, 0, 0, 20, 1.0);  // c^0 = 1 in every plane, 0^0 included
    EXPECT_EQ(image.At(39, 5)[0], 4);
    EXPECT_EQ(image.At(39, 5)[1], 4);
    EXPECT_EQ(image.At(39, 5)[2], 4);
    flare::DrawDiscReflection(flare_test::view, 2.5, 39, 15, 1, 10, 0, 120, 0, 1.0);  // c^1 at the centre, saturating
    EXPECT_EQ(image.At(39, 15)[0], 0);
    EXPECT_EQ(image.At(39, 15)[1], 255);
    EXPECT_EQ(image.At(39, 15)[2], 0);
    flare::DrawDiscReflection(flare_test::view, 4.0, 39, 25, 0, 3, 25, 0, 25, 1.0);  // flat
    EXPECT_EQ(image.At(39, 25)[0], 100);
    EXPECT_EQ(image.At(39, 24)[0], 100);
    EXPECT_EQ(image.At(39, 23)[0], 100);
    EXPECT_EQ(image.At(39, 22)[0], 0);  // D = 9 is not inside rr = 9
    EXPECT_EQ(image.At(39, 25)[1], 0);
    // b of 1 or less draws nothing.
    TestImage dark = MakeImage(40, 30);
    flare_test::View(dark);
    flare::DrawDiscReflection(flare_test::view, 1.0, 20, 15, 0, 8, 200, 200, 200, 1.0);
    EXPECT_EQ(dark.buffer, MakeImage(40, 30).buffer);
}

TEST(DrawReflection, RingBandsFromTheOutsideIn) {
    // Radius 140 as the defaults give the ring, bands at j = 139 (red), 138
    // (yellow), 136..137 (green), 135 (blue) along the row through the centre.
    // With the centre j columns left of the last column, the last column shows
    // band j unsoftened; when the square also reaches past the border, the
    // column before it stays unsoftened too.
    auto ringRow = [](int32_t bi, int32_t j) {
        TestImage image = MakeImage(200, 30);
        flare_test::View(image);
        flare::DrawRingReflection(flare_test::view, bi, 199 - j, 15, 140, 1.0);
        return image;
    };
    auto expectPixel = [](const TestImage& image, int32_t x, int a0, int a1, int a2) {
        EXPECT_EQ(image.At(x, 15)[0], a0) << "column " << x;
        EXPECT_EQ(image.At(x, 15)[1], a1) << "column " << x;
        EXPECT_EQ(image.At(x, 15)[2], a2) << "column " << x;
    };
    expectPixel(ringRow(4, 139), 199, 60, 0, 0);
    const TestImage yellow = ringRow(4, 138);
    expectPixel(yellow, 199, 60, 60, 0);
    expectPixel(yellow, 198, 0, 60, 0);
    const TestImage green = ringRow(4, 136);
    expectPixel(green, 199, 0, 60, 0);
    expectPixel(green, 198, 0, 0, 60);
    expectPixel(ringRow(4, 134), 199, 0, 0, 0);  // inside the innermost band
    expectPixel(ringRow(1, 139), 199, 15, 0, 0);

    // bi = 0 adds nothing; only the square is softened.
    TestImage none = flare_test::MakeGradient(200, 30);
    TestImage softened = none;
    flare_test::View(none);
    flare::DrawRingReflection(flare_test::view, 0, 60, 15, 140, 1.0);
    flare_test::View(softened);
    flare::SoftenBox(flare_test::view, 60 - 140, 15 - 140, 60 + 140, 15 + 140);
    EXPECT_EQ(none.buffer, softened.buffer);
}

TEST(DrawReflection, MatchesTheLiteralDrawingWhereverTheCentreLies) {
    const TestImage input = flare_test::MakeGradient(120, 90);
    const int32_t colour[3] = {25, 15, 40};
    const int32_t centres[][2] = {{60, 45}, {5, 3}, {118, 88}, {-20, 40}, {150, 100}, {60, -30}, {-70, -70}, {0, 0}};
    for (const auto& c : centres) {
        for (double aspect : {1.0, 0.5, 2.3, 0.0}) {
            for (int32_t type : {0, 1, 2, 4}) {
                for (int32_t R : {0, 1, 7, 45}) {
                    TestImage fast = input;
                    TestImage plain = input;
                    flare_test::View(fast);
                    if (type == 4) flare::DrawRingReflection(flare_test::view, 3, c[0], c[1], R, aspect);
                    else flare::DrawDiscReflection(flare_test::view, 3.7, c[0], c[1], type, R, colour[0], colour[1], colour[2], aspect);
                    flare_test::View(plain);
                    if (type == 4) flare_reference::LiteralRing(flare_test::view, 3, c[0], c[1], R, aspect);
                    else flare_reference::LiteralDisc(flare_test::view, 3.7, c[0], c[1], type, R, colour, aspect);
                    ASSERT_EQ(fast.buffer, plain.buffer) << "centre (" << c[0] << ", " << c[1] << ") aspect " << aspect
                                                         << " type " << type << " R " << R;
                }
            }
        }
    }
}

TEST(DrawReflection, HugeRadiiStayBounded) {
    // A radius no real setting gives: the loops only visit what can reach the
    // area, and the softening square is clipped to it.
    TestImage image = flare_test::MakeGradient(50, 40);
    flare_test::View(image);
    flare::DrawDiscReflection(flare_test::view, 3.0, 25, 20, 2, INT32_MAX, 10, 20, 30, 1.0);
    flare::DrawDiscReflection(flare_test::view, 3.0, INT32_MIN, INT32_MAX, 0, INT32_MAX, 10, 20, 30, 0.5);
    flare::DrawRingReflection(flare_test::view, INT32_MAX, INT32_MAX, 20, INT32_MAX, 1.0);
    EXPECT_TRUE(flare_test::GuardsIntact(image));
}

TEST(ReflectionPass, BrightnessThresholdAndSizeZero) {
    const int32_t cx = 100, cy = 101;
    ReflectionPlacement at[flare::kReflectionCount];
    {
        // reflectionsBright 5: b = 1, no disc; the ring adds 15 per band.
        FilterParameters s = FullSizeDefaults();
        s.reflectionsBright = 5.0;
        TestImage image = MakeImage(640, 480);
        flare_test::View(image);
        flare::ReflectionPass(flare_test::view, s, flare::PassControl{}, cx, cy);
        flare::PlaceReflections(flare_test::view, s, cx, cy, at);
        TestImage ringOnly = MakeImage(640, 480);
        flare_test::View(ringOnly);
        flare::DrawRingReflection(flare_test::view, 1, at[15].x, at[15].y, at[15].R, 1.0);
        EXPECT_EQ(image.buffer, ringOnly.buffer);
        EXPECT_NE(image.buffer, MakeImage(640, 480).buffer);
    }
    {
        // reflectionsBright 4: b = 0.8, the ring's bi is 0: nothing at all.
        FilterParameters s = FullSizeDefaults();
        s.reflectionsBright = 4.0;
        TestImage image = MakeImage(640, 480);
        flare_test::View(image);
        flare::ReflectionPass(flare_test::view, s, flare::PassControl{}, cx, cy);
        EXPECT_EQ(image.buffer, MakeImage(640, 480).buffer);
    }
    {
        FilterParameters s = FullSizeDefaults();
        s.reflectionsSize = 0.0;
        const TestImage input = flare_test::MakeGradient(640, 480);
        TestImage image = input;
        flare_test::View(image);
        flare::ReflectionPass(flare_test::view, s, flare::PassControl{}, cx, cy);
        EXPECT_EQ(image.buffer, input.buffer);
    }
}

TEST(ReflectionPass, ProgressAndAbort) {
    const FilterParameters s = FullSizeDefaults();
    const TestImage input = flare_test::MakeGradient(320, 240);

    TestImage image = input;
    flare_test::View(image);
    flare_test::ResetCallbackLog();
    flare::ReflectionPass(flare_test::view, s, flare_test::LoggingControl(), 60, 50);
    EXPECT_EQ(flare_test::callbackLog.abortCalls, 16);
    ASSERT_EQ(flare_test::callbackLog.progressDone.size(), 16u);
    for (size_t e = 0; e < 16; ++e) {
        EXPECT_EQ(flare_test::callbackLog.progressTotal[e], 100);
        EXPECT_GT(flare_test::callbackLog.progressDone[e], 75);
        if (e > 0) {
            EXPECT_GT(flare_test::callbackLog.progressDone[e], flare_test::callbackLog.progressDone[e - 1]);
        }
    }
    EXPECT_EQ(flare_test::callbackLog.progressDone.back(), 100);

    // Abort before the fourth entry: the first three drawn, nothing else.
    TestImage stopped = input;
    flare_test::View(stopped);
    flare_test::ResetCallbackLog(3);
    flare::ReflectionPass(flare_test::view, s, flare_test::LoggingControl(), 60, 50);
    EXPECT_EQ(flare_test::callbackLog.abortCalls, 4);
    EXPECT_EQ(flare_test::callbackLog.progressDone.size(), 3u);
    ReflectionPlacement at[flare::kReflectionCount];
    flare::PlaceReflections(flare_test::view, s, 60, 50, at);
    TestImage expected = input;
    flare_test::View(expected);
    for (int e = 0; e < 3; ++e) {
        const flare::Reflection& r = flare::kReflections[e];
        flare::DrawDiscReflection(flare_test::view, 4.0, at[e].x, at[e].y, r.type, at[e].R, r.colour[0], r.colour[1], r.colour[2], 1.0);
    }
    EXPECT_EQ(stopped.buffer, expected.buffer);

    TestImage untouched = input;
    flare_test::View(untouched);
    flare_test::ResetCallbackLog(0);
    flare::ReflectionPass(flare_test::view, s, flare_test::LoggingControl(), 60, 50);
    EXPECT_EQ(untouched.buffer, input.buffer);
}

}  // namespace kelvo
