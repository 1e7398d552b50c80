#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "flare_primitives.h"
#include "flare_test_support.h"
#include "gradient_noise.h"

namespace kelvo {

using flare_test::MakeImage;
using flare_test::TestImage;
using flare_test::View;

namespace {

// Softening done the obvious way over x0 <= x < x1, y0 <= y < y1 of planes
// 0..lanes-1, in raster order, for comparison.
void PlainSoften(TestImage& image, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t lanes) {
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x)
            for (int32_t k = 0; k < lanes; ++k) {
                int s = 0;
                for (int32_t j = -1; j <= 1; ++j)
                    for (int32_t i = -1; i <= 1; ++i)
                        if (i != 0 || j != 0) s += image.At(x + i, y + j)[k];
                image.At(x, y)[k] = static_cast<uint8_t>((image.At(x, y)[k] + s / 8) / 2);
            }
}

TestImage Noise(int32_t w, int32_t h, int32_t planes, size_t rowBytes = 0) {
    TestImage image = MakeImage(w, h, planes, rowBytes);
    uint32_t state = 12345;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int32_t k = 0; k < planes; ++k) image.At(x, y)[k] = static_cast<uint8_t>(flare::NoiseDraw(&state));
    return image;
}

}  // namespace

TEST(AddLight, SaturatesPerPlaneAndWritesOnlyInsideTheArea) {
    TestImage image = MakeImage(5, 4);
    View(image);
    image.At(2, 2)[0] = 200;
    image.At(2, 2)[1] = 255;
    image.At(2, 2)[2] = 3;
    flare::AddLight(flare_test::view, 2, 2, 100, 0, 0);
    EXPECT_EQ(image.At(2, 2)[0], 255);
    EXPECT_EQ(image.At(2, 2)[1], 255);
    EXPECT_EQ(image.At(2, 2)[2], 3);

    // Every border of the area receives light.
    for (auto at : {std::pair<int32_t, int32_t>{4, 3}, {0, 2}, {2, 0}, {0, 0}}) {
        flare::AddLight(flare_test::view, at.first, at.second, 7, 8, 9);
        EXPECT_EQ(image.At(at.first, at.second)[0], 7) << at.first << ", " << at.second;
        EXPECT_EQ(image.At(at.first, at.second)[2], 9) << at.first << ", " << at.second;
    }

    const std::vector<uint8_t> before = flare_test::PixelBytes(image);
    flare::AddLight(flare_test::view, 5, 2, 50, 50, 50);
    flare::AddLight(flare_test::view, 2, 4, 50, 50, 50);
    flare::AddLight(flare_test::view, -1, -1, 50, 50, 50);
    flare::AddLight(flare_test::view, INT32_MAX, INT32_MIN, 50, 50, 50);
    EXPECT_EQ(flare_test::PixelBytes(image), before);

    // Negative and huge amounts clamp to 0..255.
    flare::AddLight(flare_test::view, 1, 1, INT32_MIN, INT32_MAX, -1);
    EXPECT_EQ(image.At(1, 1)[0], 0);
    EXPECT_EQ(image.At(1, 1)[1], 255);
    EXPECT_EQ(image.At(1, 1)[2], 0);
    EXPECT_TRUE(flare_test::GuardsIntact(image));
}

TEST(AddLight, PlanesBeyondTheThirdAndGreyImages) {
    TestImage four = MakeImage(3, 3, 4, 4 * 3 + 5, 10);
    View(four);
    flare::AddLight(flare_test::view, 1, 1, 1, 2, 3);
    EXPECT_EQ(four.At(1, 1)[0], 11);
    EXPECT_EQ(four.At(1, 1)[1], 12);
    EXPECT_EQ(four.At(1, 1)[2], 13);
    EXPECT_EQ(four.At(1, 1)[3], 10);
    EXPECT_TRUE(flare_test::GuardsIntact(four));

    // One and two planes: plane 0 takes the brightest amount, plane 1 is left alone.
    for (int32_t planes : {1, 2}) {
        TestImage grey = MakeImage(3, 3, planes, 0, 10);
        View(grey);
        flare::AddLight(flare_test::view, 2, 2, 4, 9, 6);
        EXPECT_EQ(grey.At(2, 2)[0], 19);
        if (planes == 2) {
            EXPECT_EQ(grey.At(2, 2)[1], 10);
        }
        EXPECT_TRUE(flare_test::GuardsIntact(grey));
    }
}

TEST(SoftenBox, SevenBySevenExample) {
    TestImage image = MakeImage(7, 7);
    View(image);
    for (int k = 0; k < 3; ++k) image.At(3, 3)[k] = 255;
    flare::SoftenBox(flare_test::view, 1, 1, 6, 6);
    const int expected[7][7] = {
        {0, 0, 0, 0, 0, 0, 0},    {0, 0, 0, 0, 0, 0, 0},   {0, 0, 15, 16, 16, 1, 0}, {0, 0, 17, 131, 10, 1, 0},
        {0, 1, 9, 10, 9, 1, 0}, {0, 0, 1, 1, 1, 0, 0}, {0, 0, 0, 0, 0, 0, 0},
    };
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 7; ++x)
            for (int k = 0; k < 3; ++k) EXPECT_EQ(image.At(x, y)[k], expected[y][x]) << x << "," << y << " plane " << k;
}

TEST(SoftenBox, UniformAreaStaysAsItIs) {
    TestImage image = MakeImage(9, 8, 3, 0, 77);
    View(image);
    flare::SoftenBox(flare_test::view, -5, -5, 100, 100);
    flare::SoftenBox(flare_test::view, 0, 0, 9, 8);
    flare::SoftenBox(flare_test::view, 2, 3, 6, 7);
    EXPECT_EQ(flare_test::PixelBytes(image), flare_test::PixelBytes(MakeImage(9, 8, 3, 0, 77)));
}

TEST(SoftenBox, SidesOutsideTheAreaArePulledTwoPixelsIn) {
    TestImage image = Noise(13, 10, 3);
    TestImage expected = image;
    View(image);
    flare::SoftenBox(flare_test::view, -5, -5, 13 + 5, 10 + 5);
    PlainSoften(expected, 2, 2, 13 - 2, 10 - 2, 3);
    EXPECT_EQ(flare_test::PixelBytes(image), flare_test::PixelBytes(expected));
}

TEST(SoftenBox, SidesOnTheBorderMoveOneInSoNothingOutsideIsRead) {
    // The buffers are exactly the image size (no guards between): with the
    // sanitizers on, any read past the area is caught.
    for (int32_t planes : {3, 4}) {
        TestImage image = Noise(6, 5, planes);
        std::vector<uint8_t> exact = flare_test::PixelBytes(image);
        PixelArea area{exact.data(), exact.data(), 6u * planes, 6u * planes, 6, 5, planes};
        flare_test::view = flare::MakeWorkingView(area);
        flare::SoftenBox(flare_test::view, 0, 0, 6, 5);
        TestImage expected = image;
        PlainSoften(expected, 1, 1, 5, 4, 3);
        EXPECT_EQ(exact, flare_test::PixelBytes(expected)) << planes << " planes";
    }
    // A box half outside on one side and on the border on the other.
    TestImage image = Noise(8, 8, 3);
    TestImage expected = image;
    View(image);
    flare::SoftenBox(flare_test::view, -3, 0, 8, 6);
    PlainSoften(expected, 2, 1, 7, 6, 3);
    EXPECT_EQ(flare_test::PixelBytes(image), flare_test::PixelBytes(expected));
}

TEST(SoftenBox, EmptyAndFarAwayBoxesChangeNothing) {
    TestImage image = Noise(10, 10, 3);
    const std::vector<uint8_t> before = flare_test::PixelBytes(image);
    View(image);
    flare::SoftenBox(flare_test::view, 5, 5, 5, 9);
    flare::SoftenBox(flare_test::view, 6, 2, 3, 8);
    flare::SoftenBox(flare_test::view, 20, 20, 30, 30);
    flare::SoftenBox(flare_test::view, -30, -30, -20, -20);
    flare::SoftenBox(flare_test::view, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN);
    flare::SoftenBox(flare_test::view, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX);
    EXPECT_EQ(flare_test::PixelBytes(image), before);
    // One row or one column: nothing can be softened.
    for (auto size : {std::pair<int32_t, int32_t>{1, 9}, {9, 1}, {2, 2}}) {
        TestImage thin = Noise(size.first, size.second, 3);
        const std::vector<uint8_t> thinBefore = flare_test::PixelBytes(thin);
        View(thin);
        flare::SoftenBox(flare_test::view, -5, -5, 20, 20);
        flare::SoftenBox(flare_test::view, 0, 0, size.first, size.second);
        EXPECT_EQ(flare_test::PixelBytes(thin), thinBefore);
    }
}

TEST(SoftenBox, PlanesAndStrides) {
    // Three planes in padded rows give the same pixels as packed rows; a fourth
    // plane is left alone.
    TestImage packed = Noise(12, 9, 3);
    TestImage padded = MakeImage(12, 9, 3, 12 * 3 + 9);
    TestImage four = MakeImage(12, 9, 4, 12 * 4 + 3);
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 12; ++x)
            for (int k = 0; k < 3; ++k) padded.At(x, y)[k] = four.At(x, y)[k] = packed.At(x, y)[k];
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 12; ++x) four.At(x, y)[3] = static_cast<uint8_t>(x * 20 + y);
    const std::vector<uint8_t> fourth = flare_test::PlaneBytes(four, 3);
    for (TestImage* image : {&packed, &padded, &four}) {
        View(*image);
        flare::SoftenBox(flare_test::view, 1, 2, 11, 8);
        EXPECT_TRUE(flare_test::GuardsIntact(*image));
    }
    EXPECT_EQ(flare_test::PixelBytes(padded), flare_test::PixelBytes(packed));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(flare_test::PlaneBytes(four, k), flare_test::PlaneBytes(packed, k));
    EXPECT_EQ(flare_test::PlaneBytes(four, 3), fourth);

    // Grey with transparency: plane 0 softened, plane 1 left alone.
    TestImage grey = Noise(7, 7, 2);
    TestImage expected = grey;
    View(grey);
    flare::SoftenBox(flare_test::view, 1, 1, 6, 6);
    PlainSoften(expected, 1, 1, 6, 6, 1);
    EXPECT_EQ(flare_test::PixelBytes(grey), flare_test::PixelBytes(expected));
}

TEST(UnitToByte, TruncatesAndSaturates) {
    EXPECT_EQ(flare::UnitToByte(0.5), 127);
    EXPECT_EQ(flare::UnitToByte(0.999), 254);
    EXPECT_EQ(flare::UnitToByte(1.0), 255);
    EXPECT_EQ(flare::UnitToByte(2.7), 255);
    EXPECT_EQ(flare::UnitToByte(0.0), 0);
    EXPECT_EQ(flare::UnitToByte(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(flare::UnitToByte(std::numeric_limits<double>::infinity()), 255);
    EXPECT_EQ(flare::UnitToByte(-std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(flare::UnitToByte(-0.3), 0);
    EXPECT_EQ(flare::UnitToByte(1.0 / 255.0), 1);
}

TEST(HslToRgb, HexconeColours) {
    const flare::Rgb orange = flare::HslToRgb(0.05, 1.0, 0.5);
    EXPECT_EQ(orange.r, 1.0);
    EXPECT_NEAR(orange.g, 0.3, 1e-15);
    EXPECT_EQ(orange.b, 0.0);
    const flare::Rgb azure = flare::HslToRgb(0.555, 1.0, 0.5);
    EXPECT_EQ(azure.r, 0.0);
    EXPECT_NEAR(azure.g, 0.67, 1e-15);
    EXPECT_EQ(azure.b, 1.0);
    for (double h : {0.0, 1.0}) {
        const flare::Rgb red = flare::HslToRgb(h, 1.0, 0.5);
        EXPECT_EQ(red.r, 1.0);
        EXPECT_EQ(red.g, 0.0);
        EXPECT_EQ(red.b, 0.0);
    }
    // Sextant by sextant: yellow, green, cyan, blue, magenta.
    const double corners[5][4] = {
        {1.0 / 6, 1, 1, 0}, {2.0 / 6, 0, 1, 0}, {3.0 / 6, 0, 1, 1}, {4.0 / 6, 0, 0, 1}, {5.0 / 6, 1, 0, 1}};
    for (const auto& c : corners) {
        const flare::Rgb rgb = flare::HslToRgb(c[0], 1.0, 0.5);
        EXPECT_NEAR(rgb.r, c[1], 1e-15) << c[0];
        EXPECT_NEAR(rgb.g, c[2], 1e-15) << c[0];
        EXPECT_NEAR(rgb.b, c[3], 1e-15) << c[0];
    }
    // Black, grey and white with any hue.
    const flare::Rgb black = flare::HslToRgb(0.3, 1.0, 0.0);
    EXPECT_EQ(black.r + black.g + black.b, 0.0);
    const flare::Rgb grey = flare::HslToRgb(0.3, 0.0, 0.25);
    EXPECT_EQ(grey.r, 0.25);
    EXPECT_EQ(grey.g, 0.25);
    EXPECT_EQ(grey.b, 0.25);
    const flare::Rgb pale = flare::HslToRgb(0.0, 1.0, 0.75);  // l above 0.5: m2 = 1, m1 = 0.5
    EXPECT_EQ(pale.r, 1.0);
    EXPECT_EQ(pale.g, 0.5);
    EXPECT_EQ(pale.b, 0.5);
    // Hues a damaged record may hold: wrapped, or 0 when not a number.
    const flare::Rgb wrapped = flare::HslToRgb(1.5, 1.0, 0.5);
    EXPECT_EQ(wrapped.r, 0.0);
    EXPECT_EQ(wrapped.g, 1.0);
    EXPECT_EQ(wrapped.b, 1.0);
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e300}) {
        const flare::Rgb rgb = flare::HslToRgb(bad, 1.0, 0.5);
        EXPECT_GE(rgb.r, 0.0);
        EXPECT_LE(rgb.r + rgb.g + rgb.b, 2.0);
    }
}

TEST(GradientNoise, GeneratorAndTables) {
    uint32_t state = flare::kNoiseSeed;
    EXPECT_EQ(flare::NoiseDraw(&state), 41);
    EXPECT_EQ(flare::NoiseDraw(&state), 18467);
    EXPECT_EQ(flare::NoiseDraw(&state), 6334);
    EXPECT_EQ(flare::NoiseDraw(&state), 26500);
    EXPECT_EQ(flare::NoiseDraw(&state), 19169);

    const flare::NoiseTables& t = flare::kNoiseTables;
    EXPECT_EQ(t.grad[0], -0.83984375);
    const int32_t perm[8] = {0, 253, 163, 241, 54, 174, 119, 152};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(t.perm[i], perm[i]) << i;
    std::vector<int> seen(256, 0);
    for (int i = 0; i < 256; ++i) {
        ++seen[t.perm[i]];
        EXPECT_GE(t.grad[i], -1.0);
        EXPECT_LE(t.grad[i], 255.0 / 256.0);
        EXPECT_EQ(t.grad[i] * 256.0, std::floor(t.grad[i] * 256.0));
    }
    for (int i = 0; i < 256; ++i) EXPECT_EQ(seen[i], 1) << i;

    // Built by the compiler: the same tables as a build at run time.
    const flare::NoiseTables again = flare::BuildNoiseTables();
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(again.perm[i], t.perm[i]) << i;
        EXPECT_EQ(again.grad[i], t.grad[i]) << i;
    }
}

TEST(GradientNoise, Values) {
    EXPECT_EQ(flare::GradientNoise(0.25), -0.092926025390625);
    EXPECT_EQ(flare::GradientNoise(0.5), -0.0302734375);
    EXPECT_EQ(flare::GradientNoise(1.5), -0.126953125);
    for (double whole : {0.0, 1.0, 2.0, 17.0, 255.0, 256.0, 1000.0, -3.0, -4096.0})
        EXPECT_EQ(flare::GradientNoise(whole), 0.0) << whole;
    // Period 256.
    for (double x : {0.25, 3.7, 100.1})
        EXPECT_EQ(flare::GradientNoise(x), flare::GradientNoise(x + 256.0)) << x;
    // Small everywhere.
    for (double x = -50.0; x < 300.0; x += 0.37) EXPECT_LE(std::fabs(flare::GradientNoise(x)), 1.0) << x;
    // Outside 0 <= x + 4096 < 2^31, and for non-numbers, the noise is 0.
    EXPECT_EQ(flare::GradientNoise(-4096.5), 0.0);
    EXPECT_EQ(flare::GradientNoise(-1e300), 0.0);
    EXPECT_EQ(flare::GradientNoise(3e9), 0.0);
    EXPECT_EQ(flare::GradientNoise(std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_EQ(flare::GradientNoise(std::numeric_limits<double>::quiet_NaN()), 0.0);
    EXPECT_NE(flare::GradientNoise(2147483648.0 - 4096.0 - 0.5), 0.0);
}

TEST(Conversions, TruncationSaturatesAndZeroesNonNumbers) {
    EXPECT_EQ(flare::TruncToInt32(-2.5), -2);
    EXPECT_EQ(flare::TruncToInt32(2.9), 2);
    EXPECT_EQ(flare::TruncToInt32(1e300), INT32_MAX);
    EXPECT_EQ(flare::TruncToInt32(-1e300), INT32_MIN);
    EXPECT_EQ(flare::TruncToInt32(2147483647.5), INT32_MAX);
    EXPECT_EQ(flare::TruncToInt32(-2147483648.9), INT32_MIN);
    EXPECT_EQ(flare::TruncToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(flare::ClampToInt32(int64_t{1} << 40), INT32_MAX);
    EXPECT_EQ(flare::ClampToInt32(-(int64_t{1} << 40)), INT32_MIN);
}

TEST(WorkingView, FarCornerOfTheLargestAreaIsAddressedWithoutOverflow) {
    // 32767 x 32767 pixels of 3 bytes: the last pixel begins past 2^31 bytes.
    // The buffer is left uninitialised; only the corner is touched. A 32-bit
    // process has no room for such an area, so the Win32 build skips it.
#if SIZE_MAX <= UINT32_MAX
    GTEST_SKIP() << "a 32-bit process cannot hold a 3 GB area";
#else
    const int32_t side = 32767;
    const size_t bytes = static_cast<size_t>(side) * side * 3;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[bytes]);
    if (!buffer) GTEST_SKIP() << "no memory for a 3 GB area";
    uint8_t* corner = buffer.get() + bytes - 3 * static_cast<size_t>(side) * 4;  // the last four rows
    for (size_t i = 0; i < 3 * static_cast<size_t>(side) * 4; ++i) corner[i] = 0;
    PixelArea area{buffer.get(), buffer.get(), 3u * side, 3u * side, side, side, 3};
    flare_test::view = flare::MakeWorkingView(area);
    flare::AddLight(flare_test::view, side - 2, side - 3, 80, 0, 0);
    uint8_t* lit = buffer.get() + static_cast<size_t>(side - 3) * 3 * side + static_cast<size_t>(side - 2) * 3;
    EXPECT_EQ(lit[0], 80);
    flare::SoftenBox(flare_test::view, side - 3, side - 3, side - 1, side - 1);
    EXPECT_EQ(lit[-3], 5);   // its left neighbour, softened first: (0 + 80 / 8) / 2
    EXPECT_EQ(lit[0], 40);   // (80 + 5 / 8) / 2
#endif
}

}  // namespace kelvo
