#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "flare_pass.h"
#include "flare_test_support.h"
#include "literal_flare.h"
#include "render_flare.h"

namespace kelvo {

using flare::FilterParameters;
using flare_test::FullSizeDefaults;
using flare_test::MakeGradient;
using flare_test::MakeImage;
using flare_test::RenderThroughEntry;
using flare_test::TestImage;

namespace {

// The input rendered the plain way with the flare at (cx, cy).
TestImage LiteralRendered(const FilterParameters& s, const TestImage& input, int32_t cx, int32_t cy) {
    TestImage image = input;
    flare_test::View(image);
    flare_reference::LiteralRender(flare_test::view, s, cx, cy);
    return image;
}

TestImage Rendered(const FilterParameters& s, const TestImage& input, size_t outRowBytes = 0) {
    TestImage out = MakeImage(input.width, input.height, input.planes, outRowBytes, 0x5A);
    flare_test::ResetCallbackLog();
    RenderThroughEntry(s, input, &out);
    return out;
}

}  // namespace

TEST(RenderFlare, MatchesTheLiteralRender) {
    const TestImage input = MakeGradient(320, 240);
    const TestImage out = Rendered(FullSizeDefaults(), input);
    EXPECT_EQ(flare_test::PixelBytes(out), flare_test::PixelBytes(LiteralRendered(FullSizeDefaults(), input, 100, 100)));

    // Flare outside the area: whatever reaches in is drawn, nothing outside.
    FilterParameters outside = FullSizeDefaults();
    outside.positionX = -200;
    outside.positionY = 100;
    const TestImage outOut = Rendered(outside, input);
    EXPECT_TRUE(flare_test::GuardsIntact(outOut));
    EXPECT_EQ(flare_test::PixelBytes(outOut), flare_test::PixelBytes(LiteralRendered(outside, input, -200, 100)));
    EXPECT_NE(flare_test::PixelBytes(outOut), flare_test::PixelBytes(input));
}

TEST(RenderFlare, CentreInPreviewPixels) {
    const TestImage input = MakeGradient(160, 120);
    FilterParameters s = FullSizeDefaults();
    s.previewScale = 3.0;
    s.positionX = 100;
    s.positionY = -100;
    EXPECT_EQ(flare_test::PixelBytes(Rendered(s, input)), flare_test::PixelBytes(LiteralRendered(s, input, 33, -33)));

    // -5 / 2 truncates to -2.
    s.previewScale = 2.0;
    s.positionX = -5;
    s.positionY = 61;
    const std::vector<uint8_t> out = flare_test::PixelBytes(Rendered(s, input));
    EXPECT_EQ(out, flare_test::PixelBytes(LiteralRendered(s, input, -2, 30)));
    EXPECT_NE(out, flare_test::PixelBytes(LiteralRendered(s, input, -3, 30)));

    // A record that never received a preview scale (0), or a damaged one,
    // renders at full size. (Scales between the smallest working scale and 1
    // enlarge: see below. The modules always store a factor of at least 1.)
    FilterParameters full = FullSizeDefaults();
    const std::vector<uint8_t> atOne = flare_test::PixelBytes(Rendered(full, input));
    for (double scale : {0.0, -3.0, 1e-300, std::numeric_limits<double>::quiet_NaN()}) {
        full.previewScale = scale;
        EXPECT_EQ(flare_test::PixelBytes(Rendered(full, input)), atOne) << scale;
    }
}

// kelvo-render's --scale F is previewScale 1 / F through the core entry:
// below 1 the flare grows and its centre moves out with it.
TEST(RenderFlare, EnlargementThroughTheLibraryEntryMatchesTheLiteralRender) {
    const TestImage input = MakeGradient(200, 150);
    for (double scale : {0.5, 1.0 / 1.5, 1.25}) {
        FilterParameters s = FullSizeDefaults();
        s.previewScale = scale;
        s.flareSize = 3.0;
        s.positionX = 41;
        s.positionY = -7;
        TestImage out = MakeImage(input.width, input.height);
        PixelArea area = flare_test::AreaOf(out);
        area.in = input.data();
        ASSERT_TRUE(flare::RenderFlareArea(area, s, RenderCallbacks{}));
        const int32_t cx = static_cast<int32_t>(41 / scale), cy = static_cast<int32_t>(-7 / scale);
        EXPECT_EQ(flare_test::PixelBytes(out), flare_test::PixelBytes(LiteralRendered(s, input, cx, cy))) << scale;
    }
}

TEST(RenderFlare, RepeatedRendersGiveTheSameBytes) {
    const TestImage input = MakeGradient(200, 150);
    TestImage out = MakeImage(200, 150);
    RenderThroughEntry(FullSizeDefaults(), input, &out);
    const std::vector<uint8_t> first = out.buffer;
    RenderThroughEntry(FullSizeDefaults(), input, &out);  // over the previous output
    EXPECT_EQ(out.buffer, first);
    EXPECT_NE(flare_test::PixelBytes(out), flare_test::PixelBytes(input));
    EXPECT_EQ(input.buffer, MakeGradient(200, 150).buffer);  // the input is only read
}

TEST(RenderFlare, ReportsEveryRowThenEveryReflection) {
    const TestImage input = MakeGradient(90, 70);
    Rendered(FullSizeDefaults(), input);
    const flare_test::CallbackLog& log = flare_test::callbackLog;
    EXPECT_EQ(log.abortCalls, 70 + 16);
    ASSERT_EQ(log.progressDone.size(), 86u);
    for (int32_t y = 0; y < 70; ++y) {
        EXPECT_EQ(log.progressDone[y], y);
        EXPECT_EQ(log.progressTotal[y], 93);  // trunc(70 * 1.33)
    }
    for (size_t e = 70; e < 86; ++e) {
        EXPECT_EQ(log.progressTotal[e], 100);
        EXPECT_GT(log.progressDone[e] * 93, 69 * 100);  // past where the rows left the bar
    }
    EXPECT_EQ(log.progressDone.back(), 100);
}

TEST(RenderFlare, AbortFromTheStartLeavesTheInputWithTheFlareSquareSoftened) {
    const TestImage input = MakeGradient(400, 300);
    TestImage out = MakeImage(400, 300);
    flare_test::ResetCallbackLog(0);
    RenderThroughEntry(FullSizeDefaults(), input, &out);
    EXPECT_TRUE(flare_test::callbackLog.progressDone.empty());
    EXPECT_EQ(flare_test::callbackLog.abortCalls, 2);  // once for the rows, once for the reflections

    TestImage expected = input;
    flare_test::View(expected);
    flare::SoftenBox(flare_test::view, 100 - 160, 100 - 160, 100 + 160, 100 + 160);
    EXPECT_EQ(flare_test::PixelBytes(out), flare_test::PixelBytes(expected));
    EXPECT_NE(flare_test::PixelBytes(out), flare_test::PixelBytes(input));
}

// The first row and column are lit like their neighbours: a flare near the
// top left corner puts about as much light on row 0 as on row 1, and on
// column 0 as on column 1.
TEST(RenderFlare, LightReachesTheFirstRowAndColumn) {
    FilterParameters s = FullSizeDefaults();
    s.positionX = 5;
    s.positionY = 5;
    const TestImage out = Rendered(s, MakeImage(200, 150));
    EXPECT_EQ(flare_test::PixelBytes(out), flare_test::PixelBytes(LiteralRendered(s, MakeImage(200, 150), 5, 5)));
    for (bool columns : {false, true}) {
        const int32_t length = columns ? out.height : out.width;
        for (int32_t i = 0; i < length; ++i) {
            for (int p = 0; p < 3; ++p) {
                const int first = columns ? out.At(0, i)[p] : out.At(i, 0)[p];
                const int second = columns ? out.At(1, i)[p] : out.At(i, 1)[p];
                ASSERT_NEAR(first, second, 12) << (columns ? "column 0, y " : "row 0, x ") << i << " plane " << p;
            }
        }
    }
}

// An area one row high or one column wide is lit like any other.
TEST(RenderFlare, OneRowOrOneColumnReceivesLight) {
    for (auto size : {std::pair<int32_t, int32_t>{1, 300}, {300, 1}, {1, 1}}) {
        const TestImage input = MakeGradient(size.first, size.second);
        for (int32_t position : {0, 100}) {
            FilterParameters s = FullSizeDefaults();
            s.positionX = size.first == 1 ? 0 : position;
            s.positionY = size.second == 1 ? 0 : position;
            const TestImage out = Rendered(s, input);
            const std::string what = std::to_string(size.first) + "x" + std::to_string(size.second);
            EXPECT_EQ(flare_test::PixelBytes(out), flare_test::PixelBytes(LiteralRendered(s, input, s.positionX, s.positionY)))
                << what;
            EXPECT_NE(flare_test::PixelBytes(out), flare_test::PixelBytes(input)) << what;
            EXPECT_TRUE(flare_test::GuardsIntact(out));
        }
    }
}

TEST(RenderFlare, PlaneCountsAndStrides) {
    FilterParameters s = FullSizeDefaults();
    s.positionX = 60;
    s.positionY = 40;
    const int32_t w = 150, h = 100;
    const TestImage rgb = MakeGradient(w, h, 3);
    const std::vector<uint8_t> packed = flare_test::PixelBytes(Rendered(s, rgb));

    // Three planes in padded rows, input and output strides different.
    const TestImage rgbPadded = MakeGradient(w, h, 3, w * 3 + 5);
    const TestImage paddedOut = Rendered(s, rgbPadded, w * 3 + 17);
    EXPECT_TRUE(flare_test::GuardsIntact(paddedOut));
    EXPECT_EQ(flare_test::PixelBytes(paddedOut), packed);

    // Four and five planes: the first three as in RGB, the others copied.
    for (int32_t planes : {4, 5}) {
        TestImage input = MakeImage(w, h, planes, w * planes + 3);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                for (int32_t k = 0; k < planes; ++k)
                    input.At(x, y)[k] = k < 3 ? rgb.At(x, y)[k] : static_cast<uint8_t>(x + 7 * y + k);
        const TestImage out = Rendered(s, input, w * planes + 11);
        EXPECT_TRUE(flare_test::GuardsIntact(out)) << planes;
        for (int32_t k = 0; k < 3; ++k)
            EXPECT_EQ(flare_test::PlaneBytes(out, k), flare_test::PlaneBytes(Rendered(s, rgb), k)) << planes;
        for (int32_t k = 3; k < planes; ++k)
            EXPECT_EQ(flare_test::PlaneBytes(out, k), flare_test::PlaneBytes(input, k)) << planes;
    }

    // One plane: grey light; two planes: the same in plane 0, plane 1 copied.
    const TestImage grey = MakeGradient(w, h, 1, w + 9);
    const TestImage greyOut = Rendered(s, grey, w + 1);
    EXPECT_TRUE(flare_test::GuardsIntact(greyOut));
    EXPECT_EQ(flare_test::PixelBytes(greyOut), flare_test::PixelBytes(LiteralRendered(s, grey, 60, 40)));
    EXPECT_NE(flare_test::PixelBytes(greyOut), flare_test::PixelBytes(grey));
    TestImage two = MakeImage(w, h, 2, w * 2 + 1);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            two.At(x, y)[0] = grey.At(x, y)[0];
            two.At(x, y)[1] = static_cast<uint8_t>(3 * x + y);
        }
    const TestImage twoOut = Rendered(s, two);
    EXPECT_TRUE(flare_test::GuardsIntact(twoOut));
    EXPECT_EQ(flare_test::PlaneBytes(twoOut, 0), flare_test::PixelBytes(greyOut));
    EXPECT_EQ(flare_test::PlaneBytes(twoOut, 1), flare_test::PlaneBytes(two, 1));
}

TEST(RenderFlare, DamagedSettingsFinishWithoutHarm) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {nan, inf, -inf, 1e300, -1e300, -7.5, 1e-300, 4e9};
    const TestImage input = MakeGradient(64, 48, 3, 64 * 3 + 7);
    int renders = 0;
    // Every real field of the record, previewScale included.
    for (size_t offset = offsetof(FilterParameters, flareSize); offset <= offsetof(FilterParameters, previewScale);
         offset += sizeof(double)) {
        for (double value : values) {
            FilterParameters s = FullSizeDefaults();
            std::memcpy(reinterpret_cast<uint8_t*>(&s) + offset, &value, sizeof value);
            const TestImage out = Rendered(s, input, 64 * 3 + 2);
            ASSERT_TRUE(flare_test::GuardsIntact(out)) << "offset " << offset << " value " << value;
            ++renders;
        }
    }
    for (int32_t position : {INT32_MIN, INT32_MAX, -40000, 40000}) {
        FilterParameters s = FullSizeDefaults();
        s.positionX = position;
        ASSERT_TRUE(flare_test::GuardsIntact(Rendered(s, input))) << position;
        s.positionY = position;
        s.previewScale = 1e-300;
        ASSERT_TRUE(flare_test::GuardsIntact(Rendered(s, input))) << position;
        s = FullSizeDefaults();
        s.positionY = position;
        s.flareSize = 1e300;
        s.reflectionsSize = -1e300;
        ASSERT_TRUE(flare_test::GuardsIntact(Rendered(s, input))) << position;
        renders += 3;
    }
    // Everything damaged at once.
    for (double value : values) {
        FilterParameters s = FullSizeDefaults();
        for (size_t offset = offsetof(FilterParameters, flareSize); offset <= offsetof(FilterParameters, previewScale);
             offset += sizeof(double))
            std::memcpy(reinterpret_cast<uint8_t*>(&s) + offset, &value, sizeof value);
        ASSERT_TRUE(flare_test::GuardsIntact(Rendered(s, input))) << value;
        ++renders;
    }
    EXPECT_EQ(renders, 21 * 8 + 12 + 8);
}

TEST(RenderFlare, LargeRadiiOnAWideArea) {
    // The biggest radii a settings file can hold over an area many thousands of
    // pixels across and two rows high.
    FilterParameters s = FullSizeDefaults();
    s.flareSize = 1e12;
    s.reflectionsSize = 1e12;
    s.positionX = 20000;
    const TestImage input = MakeGradient(32767, 2);
    const TestImage out = Rendered(s, input);
    EXPECT_TRUE(flare_test::GuardsIntact(out));
    // Both rows, the first included, receive light.
    EXPECT_FALSE(std::equal(out.data(), out.data() + 32767 * 3, input.data()));
    EXPECT_FALSE(std::equal(out.data() + out.rowBytes, out.data() + out.rowBytes + 32767 * 3, input.data() + input.rowBytes));
}

TEST(RenderFlare, DefaultRenderChecksum) {
    // The same bytes on every build: the native one and the Windows ones.
    const TestImage input = MakeGradient(640, 480);
    const TestImage out = Rendered(FullSizeDefaults(), input);
    EXPECT_EQ(flare_test::Fnv1a(flare_test::PixelBytes(input)), 0xfd4946136f286d65ull);
    EXPECT_EQ(flare_test::Fnv1a(flare_test::PixelBytes(out)), 0x8219f2d6afca3a68ull);
    EXPECT_EQ(flare_test::PixelBytes(out), flare_test::PixelBytes(LiteralRendered(FullSizeDefaults(), input, 100, 100)));
}

}  // namespace kelvo
