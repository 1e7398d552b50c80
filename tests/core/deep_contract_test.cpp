// The deep renderers' contract, over every depth they take: pixels that
// receive no light keep their values to the bit, the light is the 8-bit
// light without its truncations, and it is smooth.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "deep_flare.h"
#include "deep_glow.h"
#include "deep_sample_types.h"
#include "flare_pass.h"
#include "glow_pass.h"
#include "reflections.h"
#include "render_flare.h"
#include "render_glow.h"

namespace kelvo {

namespace {

struct Depth {
    const char* name;
    kelvo::DeepSamples samples;
    uint32_t white;
    bool linear;
};

const Depth kDepths[] = {
    {"host 16-bit", kelvo::DeepSamples::U16, 32768, false},
    {"file 16-bit", kelvo::DeepSamples::U16, 65535, false},
    {"float", kelvo::DeepSamples::F32, 1, false},
    {"linear float", kelvo::DeepSamples::F32, 1, true},
};

struct DeepImage {
    int32_t width, height, planes;
    size_t sampleBytes;
    std::vector<uint8_t> bytes;
    uint8_t* At(int32_t x, int32_t y, int32_t p) {
        return bytes.data() + ((static_cast<size_t>(y) * width + x) * planes + p) * sampleBytes;
    }
};

DeepImage Blank(const Depth& d, int32_t w, int32_t h, int32_t planes) {
    const size_t sb = kelvo::DeepSampleBytes(d.samples);
    return DeepImage{w, h, planes, sb, std::vector<uint8_t>(static_cast<size_t>(w) * h * planes * sb, 0)};
}

// An 8-bit sample widened to the depth, as hosts and files widen them.
void Widen(const Depth& d, uint8_t v, uint8_t* to) {
    if (d.samples == kelvo::DeepSamples::U16) {
        const uint16_t s = static_cast<uint16_t>(d.white == 65535 ? v * 257u : (v * 32768u + 127u) / 255u);
        std::memcpy(to, &s, 2);
    } else {
        const float f = static_cast<float>(d.linear ? kelvo::SrgbDecode(v / 255.0) : v / 255.0);
        std::memcpy(to, &f, 4);
    }
}

kelvo::DeepArea AreaOf(const Depth& d, const DeepImage& in, DeepImage& out) {
    kelvo::DeepArea a;
    a.in = in.bytes.data();
    a.out = out.bytes.data();
    a.inRowBytes = a.outRowBytes = static_cast<size_t>(in.width) * in.planes * in.sampleBytes;
    a.width = in.width;
    a.height = in.height;
    a.planes = in.planes;
    a.samples = d.samples;
    a.white = d.white;
    a.linear = d.linear;
    return a;
}

// A smooth, darkish picture with a few bright spots (glow sources).
std::vector<uint8_t> Photo(int32_t w, int32_t h, bool black) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3, 0);
    if (black) return px;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int32_t p = 0; p < 3; ++p) {
                int32_t v = 40 + (x * (p + 1) + y * (3 - p)) / 6;
                const int32_t sx = x % 37 - 18, sy = y % 29 - 14;
                if (sx * sx + sy * sy < 10) v = 245 + (x + p) % 11;
                px[(static_cast<size_t>(y) * w + x) * 3 + p] = static_cast<uint8_t>(std::min(v, 255));
            }
    return px;
}

flare::FilterParameters BusyFlare(int32_t w, int32_t h) {
    flare::FilterParameters s = flare::DefaultFlareParameters();
    s.positionX = w / 3;
    s.positionY = h / 3;
    s.flareSize = 4.0;
    s.flareBright = 40.0;
    s.haloSize = 40.0;
    s.haloBright = 60.0;
    s.raysCount = 60.0;
    s.raysBright = 60.0;
    s.anamorphicBright = 100.0;
    s.reflectionsSize = 6.0;
    s.reflectionsBright = 60.0;
    return s;
}

flare::FilterParameters DefaultFlareAt(int32_t x, int32_t y) {
    flare::FilterParameters s = flare::DefaultFlareParameters();
    s.positionX = x;
    s.positionY = y;
    s.previewScale = 1.0;
    return s;
}

// How many of the squares the flare softens (the flare's and each
// reflection's, with their neighbours) cover each pixel.
std::vector<int32_t> SoftenedSquares(const flare::FilterParameters& s, int32_t w, int32_t h) {
    std::vector<int32_t> inside(static_cast<size_t>(w) * h, 0);
    flare::WorkingView view;
    view.width = w;
    view.height = h;
    const int32_t cx = s.positionX, cy = s.positionY;
    flare::ReflectionPlacement at[flare::kReflectionCount];
    flare::PlaceReflections(view, s, cx, cy, at);
    auto mark = [&](int32_t x, int32_t y, int32_t R) {
        for (int32_t ty = std::max(0, y - R - 1); ty <= std::min(h - 1, y + R + 1); ++ty)
            for (int32_t tx = std::max(0, x - R - 1); tx <= std::min(w - 1, x + R + 1); ++tx)
                ++inside[static_cast<size_t>(ty) * w + tx];
    };
    mark(cx, cy, flare::ComputeFlareQuantities(s).R);
    // Reflections land along the line through the middle, inside their squares.
    for (const auto& a : at) mark(a.x, a.y, a.R);
    return inside;
}

struct Case {
    const char* name;
    bool glow;
    bool black;
    int32_t glowLevel = 12;
    bool atCorner = false;  // the flare's centre on pixel (0, 0)
};

// 8-bit render and deep render of one picture, compared on the deep result
// reduced to 8 bits: the darkest and brightest differences, overall and
// outside the softened squares, and the largest excess of the brightening
// over the truncations there: one per softening or glow source reaching the
// pixel.
struct Differences {
    int32_t darkest = 0, brightest = 0, outsideDarkest = 0, outsideBrightest = 0;
    int32_t beyondTruncations = INT32_MIN;
};

// The number of glow sources (pixels with a plane in a window) within
// `radius` of each pixel.
std::vector<int32_t> SourcesNear(const std::vector<uint8_t>& px, int32_t w, int32_t h, const glow::FilterParameters& s) {
    std::vector<int32_t> near(static_cast<size_t>(w) * h, 0);
    const int32_t lo[3] = {s.redLower, s.greenLower, s.blueLower}, hi[3] = {s.redUpper, s.greenUpper, s.blueUpper};
    const int32_t r = s.glowLevel;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            bool source = false;
            for (int32_t p = 0; p < 3; ++p) {
                const int32_t v = px[(static_cast<size_t>(y) * w + x) * 3 + p];
                source = source || (lo[p] <= v && v <= hi[p]);
            }
            if (!source) continue;
            for (int32_t ty = std::max(0, y - r); ty <= std::min(h - 1, y + r); ++ty)
                for (int32_t tx = std::max(0, x - r); tx <= std::min(w - 1, x + r); ++tx)
                    ++near[static_cast<size_t>(ty) * w + tx];
        }
    return near;
}

Differences Compare(const Case& c, const Depth& d, int32_t w, int32_t h) {
    const std::vector<uint8_t> in8 = Photo(w, h, c.black);
    std::vector<uint8_t> out8(in8.size());
    PixelArea area8{in8.data(), out8.data(), static_cast<size_t>(w) * 3, static_cast<size_t>(w) * 3, w, h, 3};
    DeepImage in = Blank(d, w, h, 3), out = Blank(d, w, h, 3);
    for (size_t i = 0; i < in8.size(); ++i) Widen(d, in8[i], in.bytes.data() + i * in.sampleBytes);
    const kelvo::DeepArea area = AreaOf(d, in, out);
    std::vector<int32_t> squares(static_cast<size_t>(w) * h, 0);
    std::vector<int32_t> truncations(static_cast<size_t>(w) * h, 1);
    if (c.glow) {
        glow::FilterParameters s = glow::DefaultGlowParameters();
        s.glowLevel = c.glowLevel;
        s.previewScale = 1;
        glow::RenderGlowArea(area8, s, RenderCallbacks{});
        EXPECT_EQ(glow::RenderGlowDeep(area, s, RenderCallbacks{}), kelvo::RenderEnd::Done);
        truncations = SourcesNear(in8, w, h, s);
    } else {
        const flare::FilterParameters s =
            c.atCorner ? DefaultFlareAt(0, 0) : c.black ? DefaultFlareAt(w / 2, h / 2) : BusyFlare(w, h);
        flare::RenderFlareArea(area8, s, RenderCallbacks{});
        EXPECT_EQ(flare::RenderFlareDeep(area, s, RenderCallbacks{}), kelvo::RenderEnd::Done);
        squares = SoftenedSquares(s, w, h);
        truncations = squares;
    }
    kelvo::U16Samples u16(d.white);
    kelvo::F32Samples f32{d.linear};
    Differences r;
    for (size_t i = 0; i < out8.size(); ++i) {
        const uint8_t* s = out.bytes.data() + i * out.sampleBytes;
        const int32_t reduced = d.samples == kelvo::DeepSamples::U16 ? u16.Reduce8(s) : f32.Reduce8(s);
        const int32_t diff = reduced - out8[i];
        r.darkest = std::min(r.darkest, diff);
        r.brightest = std::max(r.brightest, diff);
        r.beyondTruncations = std::max(r.beyondTruncations, diff - truncations[i / 3]);
        if (squares[i / 3] == 0) {
            r.outsideDarkest = std::min(r.outsideDarkest, diff);
            r.outsideBrightest = std::max(r.outsideBrightest, diff);
        }
    }
    return r;
}

TEST(DeepContract, DeepLightIsTheEightBitLightWithoutItsTruncations) {
    const Case cases[] = {{"default flare on black", false, true},
                          {"busy flare on a picture", false, false},
                          {"glow on a picture", true, false}};
    for (const Depth& d : kDepths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(d.name) + ", " + c.name);
            const Differences r = Compare(c, d, 320, 200);
            std::printf("[ measured ] %-13s %-24s darker %d, brighter %d; outside the squares %d..%d; "
                        "beyond the truncations %d\n",
                        d.name, c.name, -r.darkest, r.brightest, r.outsideDarkest, r.outsideBrightest,
                        r.beyondTruncations);
            // Outside the softened squares, the only difference is the one
            // truncation of each sum (flare) or of each source (glow).
            EXPECT_GE(r.outsideDarkest, -1);
            if (!c.glow) {
                EXPECT_LE(r.outsideBrightest, 1);
            }
            if (c.black || c.glow) {
                // No picture is blurred: never more than a step darker, and
                // brighter only by the truncations.
                EXPECT_GE(r.darkest, -1);
                EXPECT_LE(r.beyondTruncations, 1);
            }
        }
    }
}

// Row 0 and column 0 receive light and glow at every depth as in 8 bits (a
// flare centred on the corner lights them to white there, so a deep render a
// step darker at most lights them too), and the glow the GEGL scale enlarges
// up to the widest drawn radius fits the deep path as it fits the 8-bit one.
TEST(DeepContract, EdgesAndTheWidestGlowFollowTheEightBitLight) {
    const Case cases[] = {{"flare at the corner", false, true, 12, true},
                          {"widest glow", true, false, glow::kMaxDrawnGlowRadius, false}};
    for (const Depth& d : kDepths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(d.name) + ", " + c.name);
            const Differences r = Compare(c, d, 150, 110);
            EXPECT_GE(r.darkest, -1);
            EXPECT_LE(r.beyondTruncations, 1);
        }
    }
}

// Special values through both filters: pixels outside every light's reach
// keep their bits, and nothing finite becomes NaN or infinite.
TEST(DeepContract, PixelsLeftAloneKeepTheirValuesToTheBit) {
    const float kSpecial[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), 833.78f, 2.5f, 1e-40f, -0.0f, -0.5f, 100.0f,
                              std::numeric_limits<float>::max()};
    const int32_t w = 400, h = 300, planes = 4;
    for (const Depth& d : kDepths) {
        for (const bool glowFilter : {false, true}) {
            SCOPED_TRACE(std::string(d.name) + (glowFilter ? ", glow" : ", flare"));
            DeepImage in = Blank(d, w, h, planes), out = Blank(d, w, h, planes);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    for (int32_t p = 0; p < planes; ++p) {
                        uint8_t* s = in.At(x, y, p);
                        const size_t k = static_cast<size_t>(x * 7 + y * 3 + p) % (sizeof kSpecial / sizeof kSpecial[0]);
                        if (d.samples == kelvo::DeepSamples::F32) {
                            std::memcpy(s, &kSpecial[k], 4);
                        } else {
                            const uint16_t v = static_cast<uint16_t>(k * 1021u);  // all reduce below 200
                            std::memcpy(s, &v, 2);
                        }
                    }
            // Glow sources: a small block near the top left, the only pixels
            // inside the windows (values above 1 reduce to 255).
            for (int32_t y = 5; y < 9; ++y)
                for (int32_t x = 5; x < 9; ++x) Widen(d, 230, in.At(x, y, 0));
            const kelvo::DeepArea area = AreaOf(d, in, out);
            // Pixels out of reach: for the glow, farther than its radius from
            // the block; for the flare, those a render on black leaves at 0.
            std::vector<bool> lit(static_cast<size_t>(w) * h, false);
            if (glowFilter) {
                glow::FilterParameters s = glow::DefaultGlowParameters();
                s.redLower = s.greenLower = s.blueLower = 200;
                s.redUpper = s.greenUpper = s.blueUpper = 254;
                s.glowLevel = 10;
                s.previewScale = 1;
                ASSERT_EQ(glow::RenderGlowDeep(area, s, RenderCallbacks{}), kelvo::RenderEnd::Done);
                for (int32_t y = 0; y < 9 + 10; ++y)
                    for (int32_t x = 0; x < 9 + 10; ++x) lit[static_cast<size_t>(y) * w + x] = true;
            } else {
                flare::FilterParameters s = DefaultFlareAt(w / 6, h / 6);
                s.flareSize = 2.0;
                s.reflectionsBright = 0.0;  // the reflections' squares are still softened
                ASSERT_EQ(flare::RenderFlareDeep(area, s, RenderCallbacks{}), kelvo::RenderEnd::Done);
                DeepImage black = Blank(d, w, h, planes), light = Blank(d, w, h, planes);
                ASSERT_EQ(flare::RenderFlareDeep(AreaOf(d, black, light), s, RenderCallbacks{}), kelvo::RenderEnd::Done);
                for (size_t i = 0; i < lit.size(); ++i)
                    lit[i] = std::memcmp(light.bytes.data() + i * planes * light.sampleBytes,
                                         black.bytes.data() + i * planes * black.sampleBytes,
                                         planes * light.sampleBytes) != 0;
                ASSERT_LT(std::count(lit.begin(), lit.end(), true), w * h * 3 / 4);
            }
            int32_t changed = 0;
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    for (int32_t p = 0; p < planes; ++p) {
                        const uint8_t* a = in.At(x, y, p);
                        const uint8_t* b = out.At(x, y, p);
                        const bool same = std::memcmp(a, b, in.sampleBytes) == 0;
                        changed += same ? 0 : 1;
                        if (p == 3 || !lit[static_cast<size_t>(y) * w + x]) {
                            ASSERT_TRUE(same) << x << "," << y << " plane " << p;
                        }
                        if (d.samples == kelvo::DeepSamples::F32) {
                            float fa, fb;
                            std::memcpy(&fa, a, 4);
                            std::memcpy(&fb, b, 4);
                            if (!std::isfinite(fa)) {
                                ASSERT_TRUE(same);
                            } else {
                                ASSERT_TRUE(std::isfinite(fb)) << fa << " became " << fb;
                            }
                        } else {
                            uint16_t vb;
                            std::memcpy(&vb, b, 2);
                            ASSERT_LE(vb, d.white);
                        }
                    }
            EXPECT_GT(changed, 0);  // some light did land
        }
    }
}

TEST(DeepContract, LightIsSmooth) {
    const Depth& rgb48 = kDepths[0];
    const int32_t w = 640, h = 400;
    DeepImage in = Blank(rgb48, w, h, 3), out = Blank(rgb48, w, h, 3);
    ASSERT_EQ(flare::RenderFlareDeep(AreaOf(rgb48, in, out), DefaultFlareAt(w / 2, h / 2), RenderCallbacks{}),
              kelvo::RenderEnd::Done);
    std::set<uint16_t> values;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) values.insert(kelvo::U16Samples::Load(out.At(x, y, 0)));
    std::printf("[ measured ] default flare on black RGB48 640 x 400: %zu distinct values in plane 0\n", values.size());
    EXPECT_GT(values.size(), 2000u);
}

}  // namespace

}  // namespace kelvo
