// The flare pass skips pixels outside the flare's proven reach and the streak
// where it provably adds nothing, and takes fmod by 2 without the library:
// none of it may change a byte. Random settings across the typed ranges and
// beyond, every kind of area, against the literal per-pixel pass; run natively
// and in both Windows builds under Wine, whose maths libraries differ.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "flare_pass.h"
#include "flare_reach.h"
#include "flare_test_support.h"
#include "gradient_noise.h"
#include "literal_flare.h"

namespace kelvo {

using flare::FilterParameters;
using flare_test::FullSizeDefaults;
using flare_test::TestImage;

namespace {

// A value for a setting typed in lo..hi: mostly inside, sometimes an end,
// sometimes beyond (as a settings file may hold).
double Pick(std::mt19937& rng, double lo, double hi) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double r = unit(rng);
    if (r < 0.12) return lo;
    if (r < 0.22) return hi;
    if (r < 0.30) return hi + unit(rng) * (hi - lo);  // beyond the typed range
    return lo + unit(rng) * (hi - lo);
}

FilterParameters RandomSettings(std::mt19937& rng) {
    FilterParameters s = FullSizeDefaults();
    std::uniform_int_distribution<int> scale(1, 4);
    s.previewScale = scale(rng);
    s.flareSize = Pick(rng, 0.0, 100.0);
    if (rng() % 3 == 0) s.flareSize = Pick(rng, 0.0, 8.0);  // flares that fit the small areas
    s.flareBright = Pick(rng, 0.0, 100.0);
    s.flareFalloff = Pick(rng, 0.0, 100.0);
    s.flareHue = Pick(rng, 0.0, 1.0);
    s.haloSize = Pick(rng, 0.0, 100.0);
    s.haloBright = Pick(rng, 0.0, 100.0);
    s.haloHue = Pick(rng, 0.0, 1.0);
    s.raysCount = std::floor(Pick(rng, 0.0, 360.0));
    s.raysBright = Pick(rng, 0.0, 100.0);
    s.raysRotate = Pick(rng, 0.0, 360.0);
    s.raysSharp = Pick(rng, 0.0, 100.0);
    s.raysRNoise = Pick(rng, 0.0, 1.0);
    s.raysSNoise = Pick(rng, 0.0, 1.0);
    s.raysHue = Pick(rng, 0.0, 1.0);
    s.anamorphicBright = Pick(rng, 0.0, 100.0);
    s.anamorphicRotate = Pick(rng, 0.0, 360.0);
    s.anamorphicHue = Pick(rng, 0.0, 1.0);
    s.positionAspect = Pick(rng, 0.0, 100.0);
    if (rng() % 3 == 0) s.positionAspect = Pick(rng, 0.0, 3.0);
    return s;
}

// Areas of every kind: single pixels, single rows and columns, thin strips,
// small and medium rectangles.
void RandomArea(std::mt19937& rng, int32_t* w, int32_t* h) {
    std::uniform_int_distribution<int> kind(0, 5);
    std::uniform_int_distribution<int> tiny(1, 4);
    std::uniform_int_distribution<int> strip(20, 400);
    std::uniform_int_distribution<int> small(10, 120);
    std::uniform_int_distribution<int> medium(150, 320);
    switch (kind(rng)) {
        case 0: *w = tiny(rng); *h = tiny(rng); break;
        case 1: *w = strip(rng); *h = tiny(rng); break;
        case 2: *w = tiny(rng); *h = strip(rng); break;
        case 3:
        case 4: *w = small(rng); *h = small(rng); break;
        default: *w = medium(rng); *h = medium(rng) * 2 / 3; break;
    }
}

// A centre inside the area, near it, or far outside in any direction.
int32_t RandomCentre(std::mt19937& rng, int32_t side) {
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<int> inside(0, side - 1);
    std::uniform_int_distribution<int> near(-60, side + 60);
    std::uniform_int_distribution<int> far(-3000, 3000);
    switch (kind(rng)) {
        case 0:
        case 1: return inside(rng);
        case 2: return near(rng);
        default: return far(rng);
    }
}

TestImage RandomImage(std::mt19937& rng, int32_t w, int32_t h, int32_t planes) {
    const size_t padding = rng() % 2 == 0 ? 0 : 1 + rng() % 9;
    TestImage image = flare_test::MakeImage(w, h, planes, static_cast<size_t>(w) * planes + padding);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int32_t k = 0; k < planes; ++k) image.At(x, y)[k] = static_cast<uint8_t>(rng() % 4 == 0 ? 255 : rng());
    return image;
}

// The production pass and the literal one on copies of the same image.
::testing::AssertionResult PassesAgree(const FilterParameters& s, const TestImage& input, int32_t cx, int32_t cy) {
    TestImage fast = input;
    TestImage plain = input;
    flare::FlarePass(flare_test::View(fast), s, flare::PassControl{}, cx, cy);
    flare_reference::LiteralFlarePass(flare_test::View(plain), s, cx, cy);
    if (!flare_test::GuardsIntact(fast)) return ::testing::AssertionFailure() << "wrote outside the area";
    if (fast.buffer != plain.buffer) return ::testing::AssertionFailure() << "bytes differ from the literal pass";
    return ::testing::AssertionSuccess();
}

std::string Describe(const FilterParameters& s, int32_t w, int32_t h, int32_t planes, int32_t cx, int32_t cy) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "%dx%d, %d planes, centre (%d, %d), scale %g, flare %g/%g/%g/%g, halo %g/%g/%g, rays %g/%g/%g/%g/%g/%g/%g, "
                  "streak %g/%g/%g, aspect %g",
                  w, h, planes, cx, cy, s.previewScale, s.flareSize, s.flareBright, s.flareFalloff, s.flareHue, s.haloSize,
                  s.haloBright, s.haloHue, s.raysCount, s.raysBright, s.raysRotate, s.raysSharp, s.raysRNoise,
                  s.raysSNoise, s.raysHue, s.anamorphicBright, s.anamorphicRotate, s.anamorphicHue, s.positionAspect);
    return text;
}

}  // namespace

TEST(FlareReach, RandomSettingsAndAreasMatchTheLiteralPass) {
    std::mt19937 rng(20261208);
    int bounded = 0;
    for (int run = 0; run < 600; ++run) {
        const FilterParameters s = RandomSettings(rng);
        int32_t w = 0, h = 0;
        RandomArea(rng, &w, &h);
        const int32_t planes = 1 + static_cast<int32_t>(rng() % 5);
        const int32_t cx = RandomCentre(rng, w);
        const int32_t cy = RandomCentre(rng, h);
        if (flare::ComputeFlareReach(flare::ComputeFlareQuantities(s)).bounded) ++bounded;
        EXPECT_TRUE(PassesAgree(s, RandomImage(rng, w, h, planes), cx, cy)) << "run " << run << ": "
                                                                            << Describe(s, w, h, planes, cx, cy);
    }
    EXPECT_GT(bounded, 350);  // most runs exercise the reach, not the fallback
}

TEST(FlareReach, NamedCornersOfTheSettingsMatchTheLiteralPass) {
    const TestImage input = flare_test::MakeGradient(260, 180);
    std::vector<std::pair<std::string, FilterParameters>> cases;
    auto add = [&](const std::string& name, auto change) {
        FilterParameters s = FullSizeDefaults();
        s.flareSize = 4.0;
        change(s);
        cases.emplace_back(name, s);
    };
    add("aspect 0", [](FilterParameters& s) { s.positionAspect = 0.0; });
    add("aspect 100", [](FilterParameters& s) { s.positionAspect = 100.0; });
    add("hues 0", [](FilterParameters& s) { s.flareHue = s.haloHue = s.raysHue = s.anamorphicHue = 0.0; });
    add("falloff 0, dim core", [](FilterParameters& s) { s.flareFalloff = 0.0; s.flareBright = 0.05; s.flareHue = 0.0; });
    add("falloff 0, bright core", [](FilterParameters& s) { s.flareFalloff = 0.0; s.flareHue = 0.0; });
    add("falloff 0, coloured core", [](FilterParameters& s) { s.flareFalloff = 0.0; });
    add("preview scale 4", [](FilterParameters& s) { s.previewScale = 4.0; s.flareSize = 20.0; });
    add("sizes 0", [](FilterParameters& s) { s.flareSize = 0.0; s.haloSize = 0.0; s.reflectionsSize = 0.0; });
    add("sizes 100", [](FilterParameters& s) { s.flareSize = 100.0; s.haloSize = 100.0; });
    add("streak only, turned", [](FilterParameters& s) {
        s.raysBright = 0.0; s.haloBright = 0.0; s.flareBright = 0.0; s.anamorphicBright = 100.0; s.anamorphicRotate = 33.0;
    });
    add("rays only, sharp 0", [](FilterParameters& s) { s.raysSharp = 0.0; s.anamorphicBright = 0.0; });
    add("no noise", [](FilterParameters& s) { s.raysRNoise = 0.0; s.raysSNoise = 0.0; });
    add("rays 360, rotate 360", [](FilterParameters& s) { s.raysCount = 360.0; s.raysRotate = 360.0; s.raysBright = 100.0; });
    // Damaged records: the reach cannot be proven and every pixel is evaluated.
    add("negative falloff", [](FilterParameters& s) { s.flareFalloff = -3.0; });
    add("negative brightness", [](FilterParameters& s) { s.raysBright = -50.0; s.haloBright = -20.0; });
    add("negative aspect", [](FilterParameters& s) { s.positionAspect = -0.5; });
    add("negative rotation", [](FilterParameters& s) { s.raysRotate = -90.0; });
    add("negative ray count", [](FilterParameters& s) { s.raysCount = -7.0; });
    add("huge ray count", [](FilterParameters& s) { s.raysCount = 1e6; });
    add("NaN hue", [](FilterParameters& s) { s.haloHue = std::numeric_limits<double>::quiet_NaN(); });
    add("infinite halo", [](FilterParameters& s) { s.haloSize = std::numeric_limits<double>::infinity(); });
    add("NaN aspect", [](FilterParameters& s) { s.positionAspect = std::numeric_limits<double>::quiet_NaN(); });
    for (const auto& c : cases) {
        for (const auto& centre : {std::pair<int32_t, int32_t>{130, 90}, {-40, 90}, {130, 400}, {700, -300}})
            EXPECT_TRUE(PassesAgree(c.second, input, centre.first, centre.second))
                << c.first << ", centre (" << centre.first << ", " << centre.second << ")";
    }
}

TEST(FlareReach, DamagedRecordsFallBackToEveryPixel) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    auto bounded = [](void (*change)(FilterParameters&)) {
        FilterParameters s = FullSizeDefaults();
        change(s);
        return flare::ComputeFlareReach(flare::ComputeFlareQuantities(s)).bounded;
    };
    EXPECT_TRUE(bounded([](FilterParameters&) {}));
    EXPECT_FALSE(bounded([](FilterParameters& s) { s.flareFalloff = -1.0; }));
    EXPECT_FALSE(bounded([](FilterParameters& s) { s.flareBright = -1.0; }));
    EXPECT_FALSE(bounded([](FilterParameters& s) { s.positionAspect = -1e-9; }));
    EXPECT_FALSE(bounded([](FilterParameters& s) { s.raysRotate = -1.0; }));
    EXPECT_FALSE(bounded([](FilterParameters& s) { s.raysCount = 1e5; }));
    EXPECT_FALSE(bounded([](FilterParameters& s) { s.raysSharp = -1.0; }));
    EXPECT_FALSE(bounded([](FilterParameters& s) { s.anamorphicBright = -1.0; }));
    // A core that never fades lights every pixel.
    EXPECT_FALSE(bounded([](FilterParameters& s) { s.flareFalloff = 0.0; s.flareHue = 0.0; }));
    for (double FilterParameters::*field :
         {&FilterParameters::flareBright, &FilterParameters::haloSize, &FilterParameters::haloBright,
          &FilterParameters::raysBright, &FilterParameters::raysSharp, &FilterParameters::positionAspect,
          &FilterParameters::anamorphicBright, &FilterParameters::raysRotate}) {
        for (double bad : {nan, inf, -inf}) {
            FilterParameters damaged = FullSizeDefaults();
            damaged.*field = bad;
            EXPECT_FALSE(flare::ComputeFlareReach(flare::ComputeFlareQuantities(damaged)).bounded) << bad;
        }
    }
}

TEST(FlareReach, DefaultsReachAboutThreeAndAHalfRadii) {
    // At the defaults the core decides, with a little help from the rays:
    // 1.05 / (4.1 d + 1) alone falls below 1/255 near d = 65, about 3.3 R from
    // the centre. A bound much wider would cost speed; a narrower one would be
    // wrong (the tests above).
    const flare::FlareQuantities q = flare::ComputeFlareQuantities(FullSizeDefaults());
    const flare::FlareReach reach = flare::ComputeFlareReach(q);
    ASSERT_TRUE(reach.bounded);
    const double radius = std::sqrt(reach.r2Limit);
    EXPECT_GT(radius, 3.2 * 160);
    EXPECT_LT(radius, 3.8 * 160);
    int32_t first = 0, last = 0;
    flare::ReachColumns(reach, 100, 0.0, 4000, &first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_NEAR(last, 100 + radius, 3.0);
    flare::ReachColumns(reach, 100, reach.r2Limit, 4000, &first, &last);
    EXPECT_GT(first, last);  // a row at the reach: nothing to evaluate
}

TEST(FlareReach, StreakAngularTestNeverSkipsLight) {
    // Wherever the test says the streak cannot add, the streak's amount as
    // the pass computes it (this target's sine and noise) is not positive.
    for (int32_t R : {1, 3, 10, 40, 160, 640, 1600}) {
        const double rd = R;
        int skipped = 0;
        for (double d = 1e-3; d < 2e4; d *= 1.07) {
            for (double phi = -8.0; phi < 30.0; phi += 0.0037) {
                const double dr = d / rd;
                if (!flare::StreakCannotAdd(d, dr, phi)) continue;
                ++skipped;
                const double v = 5.0 * d * (std::sin(phi) + 1.0) - (10.0 * d - (static_cast<double>(0.2f) - d / rd));
                const double a = v + 0.3 * flare::GradientNoise(d) / d;
                ASSERT_LE(a, 0.0) << "R " << R << ", d " << d << ", phi " << phi;
            }
        }
        EXPECT_GT(skipped, 0) << R;
    }
    EXPECT_FALSE(flare::StreakCannotAdd(0.0, 0.0, 0.0));
    EXPECT_FALSE(flare::StreakCannotAdd(1.0, 0.1, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(flare::StreakCannotAdd(1.0, 0.1, 1e7));
}

TEST(FlareReach, NoiseStaysWithinAHalf) {
    // The reach relies on |noise| <= 1/2 (plus roundings): every lattice cell,
    // finely.
    double largest = 0.0;
    for (int32_t cell = 0; cell < 256; ++cell)
        for (int32_t step = 0; step < 4096; ++step) {
            const double n = flare::GradientNoise(cell + step / 4096.0);
            if (std::fabs(n) > largest) largest = std::fabs(n);
        }
    EXPECT_LE(largest, 0.5 + 1e-12);
    EXPECT_GT(largest, 0.45);
}

TEST(FlareReach, RemainderByTwoIsTheLibrarysFmodToTheBit) {
    auto same = [](double u) {
        const double a = std::fmod(u, 2.0);
        const double b = flare::RemainderByTwo(u);
        return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
    };
    // Every u the ray term meets in areas up to 1200 x 1200 around the centre,
    // for several counts and rotations.
    for (double count : {1.0, 7.0, 22.0, 180.0, 360.0}) {
        for (double rotate : {0.0, 45.0, 359.0}) {
            const double rayRot = rotate * 0.005585000888888889;
            for (int32_t dy = -600; dy <= 600; dy += 1) {
                for (int32_t dx = -600; dx <= 600; dx += (count == 22.0 ? 1 : 7)) {
                    const double theta = std::atan2(static_cast<double>(dx), static_cast<double>(dy));
                    const double u = count * (1.0 + theta * 0.3183128969610683 + rayRot);
                    ASSERT_TRUE(same(u)) << u;
                }
            }
        }
    }
    // And across the whole range of doubles, signs and zeros included.
    std::mt19937_64 rng(7);
    for (int i = 0; i < 2000000; ++i) {
        uint64_t bits = rng();
        double u = 0.0;
        std::memcpy(&u, &bits, sizeof u);
        ASSERT_TRUE(same(u)) << u;
    }
    for (double u : {0.0, -0.0, 2.0, -2.0, 4.0, -4.0, 1.0, -1.0, 3.0, 1e300, -1e300, 5e-324, -5e-324,
                     std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
        EXPECT_TRUE(same(u)) << u;
}

TEST(FlareReach, FullSizeDefaultsWhereTheReachEndsInsideTheImage) {
    // The defaults at full size reach about 612 pixels: in a 1400 x 1000 area
    // with the flare in the middle the bound crosses every row, and in the
    // corners nothing is evaluated. The sharpest test of the margins: the
    // last lit pixels lie just inside the bound.
    const TestImage input = flare_test::MakeGradient(1400, 1000);
    EXPECT_TRUE(PassesAgree(FullSizeDefaults(), input, 700, 500));
    FilterParameters coloured = FullSizeDefaults();
    coloured.flareHue = 0.0;
    coloured.raysBright = 100.0;
    coloured.raysCount = 90.0;
    coloured.anamorphicBright = 100.0;
    coloured.anamorphicRotate = 20.0;
    coloured.positionAspect = 1.7;
    EXPECT_TRUE(PassesAgree(coloured, input, 650, 520));
}

}  // namespace kelvo
