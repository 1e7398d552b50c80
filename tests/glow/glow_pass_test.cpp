// The glow of single sources and simple images: the footprint of one source at
// each level, the windows, the edges and saturation, for the production pass
// (both methods) and for the literal reference it is checked against.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "glow_test_support.h"

namespace kelvo {

namespace {

using glow::FilterParameters;
using glow::GlowMethod;
using namespace glow_test;

using Runner = std::function<void(TestImage&, const FilterParameters&)>;

struct NamedRunner {
    const char* name;
    Runner run;
};

const NamedRunner kRunners[] = {
    {"accumulate", [](TestImage& i, const FilterParameters& s) { RunFast(i, s, RenderCallbacks{}, GlowMethod::Accumulate); }},
    {"direct", [](TestImage& i, const FilterParameters& s) { RunFast(i, s, RenderCallbacks{}, GlowMethod::Direct); }},
    {"literal", [](TestImage& i, const FilterParameters& s) { RunLiteral(i, s); }},
};

// ---- What the weight gives, for every radius, value and distance ---------------------

// The production pass stores, per value, how far each amount reaches. That
// needs the amount to be 0, 1 or 2 and never to grow with the distance.
TEST(GlowWeight, AmountIsAtMostTwoAndNeverGrowsWithDistance) {
    for (int32_t r = 0; r <= glow::kMaxDrawnGlowRadius; ++r) {
        const int32_t r2 = r * r;
        for (int32_t v = 0; v < 256; ++v) {
            int32_t previous = 2;
            for (int32_t d2 = 1; d2 <= r2; ++d2) {
                const int32_t amount = static_cast<int32_t>(v * glow_reference::LiteralWeight(r2, d2));
                ASSERT_LE(amount, previous) << "radius " << r << " value " << v << " d2 " << d2;
                previous = amount;
            }
        }
    }
}

// And it needs each saturating step to add exactly floor(colour * k) to
// whatever byte the target holds: the sum in double never rounds across a
// whole number.
TEST(GlowWeight, EachStepAddsTheFloorOfTheAmountToAnyByte) {
    for (int32_t r = 2; r <= glow::kMaxGlowRadius; ++r) {
        const int32_t r2 = r * r;
        for (int32_t d2 = 1; d2 <= r2; ++d2) {
            const double k = glow_reference::LiteralWeight(r2, d2);
            for (int32_t v = 101; v < 256; ++v) {
                const int32_t amount = static_cast<int32_t>(v * k);
                for (int32_t b = 0; b < 256; ++b) {
                    double sum = b + v * k;
                    if (sum >= 255) sum = 255;
                    const int32_t expected = b + amount > 255 ? 255 : b + amount;
                    ASSERT_EQ(static_cast<int32_t>(static_cast<uint8_t>(sum)), expected)
                        << "radius " << r << " d2 " << d2 << " value " << v << " byte " << b;
                }
            }
        }
    }
}

// The accumulating pass counts each plane in 16 bits: everything the widest
// disc adds to one pixel, every source of it at 255, must fit.
TEST(GlowWeight, TheWidestDiscAddsLessThanACounterHolds) {
    const int32_t r = glow::kMaxDrawnGlowRadius, r2 = r * r;
    int64_t total = 0;
    for (int32_t dy = -r; dy <= r; ++dy)
        for (int32_t dx = -r; dx <= r; ++dx) {
            const int32_t d2 = dx * dx + dy * dy;
            if (d2 > 0 && d2 <= r2) total += static_cast<int32_t>(255 * glow_reference::LiteralWeight(r2, d2));
        }
    EXPECT_LE(total, 65535);
}

TEST(GlowWeight, ValuesOfAHundredOrLessAddNothing) {
    for (int32_t r = 0; r <= glow::kMaxDrawnGlowRadius; ++r)
        for (int32_t d2 = 1; d2 <= r * r; ++d2)
            ASSERT_EQ(static_cast<int32_t>(100 * glow_reference::LiteralWeight(r * r, d2)), 0);
}

// ---- Footprint of one source ----------------------------------------------------------

struct FootprintRow {
    int32_t level;
    int32_t lastTwo;  // largest d2 that gets 2 (0: none)
    int32_t lastOne;  // largest d2 that gets 1 or more
};

const FootprintRow kWhiteFootprints[] = {
    {1, 0, 0}, {2, 1, 2}, {3, 2, 5}, {5, 7, 14}, {10, 29, 57}, {30, 269, 515},
};

int32_t Expected(int32_t d2, int32_t lastTwo, int32_t lastOne) {
    if (d2 == 0) return 0;
    return d2 <= lastTwo ? 2 : d2 <= lastOne ? 1 : 0;
}

// Renders one source of `colour` in the middle of a black image with room for
// its whole disc and checks every pixel against the expected amount per plane.
void CheckFootprint(const NamedRunner& runner, int32_t level, const uint8_t colour[3],
                    const FootprintRow expected[3]) {
    const int32_t side = 2 * level + 5;
    const int32_t c = level + 2;
    TestImage image = MakeImage(side, side, 3);
    SetIn(image, c, c, colour[0], colour[1], colour[2]);
    runner.run(image, RedWindowSettings(colour[0], colour[0], level));
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            const int32_t d2 = (x - c) * (x - c) + (y - c) * (y - c);
            for (int p = 0; p < 3; ++p) {
                const int32_t want = d2 == 0 ? colour[p] : Expected(d2, expected[p].lastTwo, expected[p].lastOne);
                ASSERT_EQ(OutPixel(image, x, y)[p], want)
                    << runner.name << " level " << level << " at (" << x << "," << y << ") plane " << p;
            }
        }
    }
}

TEST(GlowFootprint, WhiteSourceAtEachLevel) {
    const uint8_t white[3] = {255, 255, 255};
    for (const NamedRunner& runner : kRunners) {
        for (const FootprintRow& row : kWhiteFootprints) {
            const FootprintRow rows[3] = {row, row, row};
            CheckFootprint(runner, row.level, white, rows);
        }
    }
}

TEST(GlowFootprint, DimmerPlanesReachLessFarAndDarkPlanesNothing) {
    // Level 10: 101 adds 1 out to d2 5, 200 adds 1 out to d2 49, 100 nothing.
    const uint8_t colour[3] = {101, 200, 255};
    const FootprintRow rows[3] = {{10, 0, 5}, {10, 0, 49}, {10, 29, 57}};
    const uint8_t dark[3] = {100, 0, 255};
    const FootprintRow darkRows[3] = {{10, 0, 0}, {10, 0, 0}, {10, 29, 57}};
    for (const NamedRunner& runner : kRunners) {
        CheckFootprint(runner, 10, colour, rows);
        CheckFootprint(runner, 10, dark, darkRows);
    }
}

TEST(GlowFootprint, DefaultsMakeAnIsolatedWhitePixelGlow) {
    for (const NamedRunner& runner : kRunners) {
        TestImage image = MakeImage(31, 31, 3);
        SetIn(image, 15, 15, 255, 255, 255);
        const FilterParameters defaults = glow::DefaultGlowParameters();
        runner.run(image, defaults);
        EXPECT_EQ(OutPixel(image, 15, 15)[0], 255) << runner.name;
        EXPECT_EQ(OutPixel(image, 15 + 5, 15 + 2)[1], 2) << runner.name;   // d2 29
        EXPECT_EQ(OutPixel(image, 15 - 5, 15 - 3)[2], 1) << runner.name;   // d2 34
        EXPECT_EQ(OutPixel(image, 15, 15 + 7)[0], 1) << runner.name;       // d2 49
        EXPECT_EQ(OutPixel(image, 15 + 7, 15 + 3)[0], 0) << runner.name;   // d2 58
        EXPECT_EQ(OutPixel(image, 15 + 10, 15)[0], 0) << runner.name;      // the rim
    }
}

// Each window is tested against its own plane: Red against plane 0, Green
// against plane 1, Blue against plane 2; one window is enough.
TEST(GlowWindows, EachWindowSelectsOnItsOwnPlane) {
    struct Case {
        const char* window;
        uint8_t colour[3];
        bool glows;
    };
    const Case cases[] = {
        {"red", {200, 0, 0}, true},   {"red", {0, 0, 200}, false},   {"green", {0, 200, 0}, true},
        {"green", {200, 0, 200}, false}, {"blue", {0, 0, 200}, true}, {"blue", {200, 0, 0}, false},
    };
    for (const Case& c : cases) {
        FilterParameters s = RedWindowSettings(1, 0, 10);  // every window empty
        const std::string window = c.window;
        if (window == "red") s.redLower = 190, s.redUpper = 210;
        if (window == "green") s.greenLower = 190, s.greenUpper = 210;
        if (window == "blue") s.blueLower = 190, s.blueUpper = 210;
        for (const NamedRunner& runner : kRunners) {
            TestImage image = MakeImage(9, 9, 3);
            SetIn(image, 4, 4, c.colour[0], c.colour[1], c.colour[2]);
            runner.run(image, s);
            const uint8_t* next = OutPixel(image, 5, 4);
            const int lit = next[0] + next[1] + next[2];
            EXPECT_EQ(lit > 0, c.glows) << runner.name << " " << c.window << " window";
        }
    }
}

// A pure red pixel lights through the row labelled Red, not through Blue.
TEST(GlowWindows, PureRedPixelGlowsThroughTheRedRow) {
    for (const NamedRunner& runner : kRunners) {
        for (const bool redRow : {true, false}) {
            FilterParameters s = RedWindowSettings(1, 0, 10);  // every window closed
            if (redRow) s.redLower = s.redUpper = 255;
            else s.blueLower = s.blueUpper = 255;
            TestImage image = MakeImage(9, 9, 3);
            SetIn(image, 4, 4, 255, 0, 0);
            runner.run(image, s);
            EXPECT_EQ(OutPixel(image, 5, 4)[0], redRow ? 2 : 0) << runner.name << (redRow ? " Red" : " Blue") << " row";
        }
    }
}

TEST(GlowWindows, BoundsAreInclusive) {
    for (const NamedRunner& runner : kRunners) {
        for (const uint8_t v : {uint8_t{199}, uint8_t{200}, uint8_t{220}, uint8_t{221}}) {
            TestImage image = MakeImage(7, 7, 3);
            SetIn(image, 3, 3, v, 0, 0);
            runner.run(image, RedWindowSettings(200, 220, 3));
            EXPECT_EQ(OutPixel(image, 4, 3)[0] > 0, v >= 200 && v <= 220) << runner.name << " value " << int(v);
        }
    }
}

// ---- Images that come out unchanged ---------------------------------------------------

TestImage BrightNoise(int32_t width, int32_t height, int32_t planes, uint32_t seed) {
    TestImage image = MakeImage(width, height, planes);
    uint32_t state = seed;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t p = 0; p < planes; ++p) {
                state = state * 1664525u + 1013904223u;
                InPixel(image, x, y)[p] = static_cast<uint8_t>(100 + (state >> 24) % 156);
            }
    return image;
}

void ExpectOutputEqualsInput(const TestImage& image, const std::string& what) {
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            for (int32_t p = 0; p < image.planes; ++p)
                ASSERT_EQ(OutPixel(image, x, y)[p], InPixel(image, x, y)[p]) << what << " at (" << x << "," << y << ")";
}

TEST(GlowUnchanged, InvertedWindowsSelectNothing) {
    FilterParameters s = glow::DefaultGlowParameters();
    s.redLower = s.greenLower = s.blueLower = 200;
    s.redUpper = s.greenUpper = s.blueUpper = 199;
    for (const NamedRunner& runner : kRunners) {
        TestImage image = BrightNoise(40, 30, 3, 7);
        runner.run(image, s);
        ExpectOutputEqualsInput(image, runner.name);
    }
}

TEST(GlowUnchanged, LevelsZeroAndOneAddNothing) {
    for (const int32_t level : {0, 1}) {
        for (const NamedRunner& runner : kRunners) {
            TestImage image = BrightNoise(20, 20, 3, 11);
            runner.run(image, RedWindowSettings(0, 255, level));
            ExpectOutputEqualsInput(image, std::string(runner.name) + " level " + std::to_string(level));
        }
    }
}

// ---- Edges and saturation --------------------------------------------------------------

// Every pixel of the area is a source and a target, the first row and column
// included: a white source at level 10 adds 2 out to d2 = 29 and 1 out to
// d2 = 57 wherever that lands inside the area, and nothing outside.
TEST(GlowEdges, EveryRowAndColumnIsASourceAndATarget) {
    struct Case {
        const char* what;
        int32_t width, height, x, y;  // the area and its one source
    };
    const Case cases[] = {
        {"column 0", 24, 24, 0, 12}, {"row 0", 24, 24, 12, 0},      {"corner", 24, 24, 0, 0},
        {"last row", 24, 24, 23, 23}, {"one row", 50, 1, 3, 0}, {"one column", 1, 50, 0, 25},
    };
    for (const NamedRunner& runner : kRunners) {
        for (const Case& c : cases) {
            TestImage image = MakeImage(c.width, c.height, 3);
            SetIn(image, c.x, c.y, 255, 255, 255);
            runner.run(image, RedWindowSettings(250, 255, 10));
            for (int32_t y = 0; y < c.height; ++y) {
                for (int32_t x = 0; x < c.width; ++x) {
                    const int32_t d2 = (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y);
                    const int expected = d2 == 0 ? 255 : d2 <= 29 ? 2 : d2 <= 57 ? 1 : 0;
                    ASSERT_EQ(OutPixel(image, x, y)[1], expected) << runner.name << " " << c.what << " at " << x << ", " << y;
                }
            }
            EXPECT_TRUE(OutputGuardsIntact(image)) << runner.name << " " << c.what;
        }
    }
}

TEST(GlowSaturation, CrowdedSourcesStopAt255InTheirBrightPlanesOnly) {
    for (const NamedRunner& runner : kRunners) {
        TestImage image = MakeImage(40, 40, 3);
        for (int32_t y = 10; y < 30; ++y)
            for (int32_t x = 10; x < 30; ++x) SetIn(image, x, y, 255, 90, 180);
        runner.run(image, RedWindowSettings(250, 255, 12));
        // Plane 1 (90) adds nothing; planes 0 and 2 crowd up to 255 inside the block.
        EXPECT_EQ(OutPixel(image, 20, 20)[0], 255) << runner.name;
        EXPECT_EQ(OutPixel(image, 20, 20)[1], 90) << runner.name;
        EXPECT_EQ(OutPixel(image, 20, 20)[2], 255) << runner.name;
        EXPECT_EQ(OutPixel(image, 20, 5)[1], 0) << runner.name;
        EXPECT_GT(OutPixel(image, 20, 5)[2], 0) << runner.name;
    }
}

}  // namespace

}  // namespace kelvo
