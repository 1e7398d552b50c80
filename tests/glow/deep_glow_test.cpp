// The production deep glow against the literal one, bit for bit, on random
// 16-bit and float images: every plane count, rows with padding, levels up
// to the widest drawn radius, windows from 0 and above, and samples a host
// should not send (above white, NaN, infinities, negatives); and stopped at
// a random row, when the rows not yet visited must hold their copy of the
// input plus the light of the visited ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "deep_glow.h"
#include "deep_sample_types.h"
#include "literal_deep_glow.h"

namespace kelvo {

namespace {

struct DeepCase {
    kelvo::DeepSamples samples;
    uint32_t white;
    bool linear;
};

float RandomFloat(std::mt19937& rng) {
    switch (rng() % 40) {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return std::numeric_limits<float>::infinity();
        case 2: return -0.5f;
        case 3: return 7.5f;
        default: return static_cast<float>(rng() % 1200) / 1000.0f;
    }
}

// Stops the render at its `stopAt`-th question (1: the first).
struct StopCounter {
    int32_t asked = 0;
    int32_t stopAt = 0;
    static bool Aborted(void* context) {
        auto* counter = static_cast<StopCounter*>(context);
        return ++counter->asked == counter->stopAt;
    }
};

int32_t U16Reduce(uint32_t white, uint16_t v) {
    uint8_t bytes[2];
    std::memcpy(bytes, &v, 2);
    return kelvo::U16Samples(white).Reduce8(bytes);
}

TEST(DeepGlow, MatchesTheLiteralDeepGlow) {
    const DeepCase cases[] = {{kelvo::DeepSamples::U16, 32768, false},
                              {kelvo::DeepSamples::U16, 65535, false},
                              {kelvo::DeepSamples::F32, 0, false},
                              {kelvo::DeepSamples::F32, 0, true}};
    std::mt19937 rng(2024);
    for (const DeepCase& c : cases) {
        for (int run = 0; run < 60; ++run) {
            const int32_t width = 1 + static_cast<int32_t>(rng() % 48), height = 1 + static_cast<int32_t>(rng() % 40);
            const int32_t planes = 1 + static_cast<int32_t>(rng() % 5);
            const size_t sampleBytes = kelvo::DeepSampleBytes(c.samples);
            const size_t rowBytes = (static_cast<size_t>(width) * planes + rng() % 3) * sampleBytes;
            glow::FilterParameters settings{};
            int32_t* bounds[6] = {&settings.redLower, &settings.redUpper, &settings.greenLower,
                                  &settings.greenUpper, &settings.blueLower, &settings.blueUpper};
            for (int w = 0; w < 6; w += 2) {
                *bounds[w] = rng() % 4 == 0 ? 0 : static_cast<int32_t>(rng() % 256);
                *bounds[w + 1] = *bounds[w] + static_cast<int32_t>(rng() % 120) - 10;
            }
            // Samples on either side of each window's lower edge, where a
            // quick test that starts one sample late would show.
            std::vector<uint16_t> edges16;
            std::vector<float> edgesF;
            for (int w = 0; w < 6; w += 2) {
                const int32_t lower = *bounds[w];
                if (lower <= 0 || lower > 255) continue;
                if (c.samples == kelvo::DeepSamples::U16) {
                    uint32_t v = 0;
                    while (v < 65535 && U16Reduce(c.white, static_cast<uint16_t>(v)) < lower) ++v;
                    edges16.insert(edges16.end(), {static_cast<uint16_t>(v - 1), static_cast<uint16_t>(v)});
                }
                const float f = (static_cast<float>(lower) - 0.5f) / 255.0f;
                edgesF.insert(edgesF.end(), {std::nextafter(f, 0.0f), f, std::nextafter(f, 1.0f)});
            }
            std::vector<uint8_t> in(rowBytes * height);
            for (size_t i = 0; i + sampleBytes <= in.size(); i += sampleBytes) {
                const bool edge = rng() % 5 == 0;
                if (c.samples == kelvo::DeepSamples::U16) {
                    // Mostly dark, with bright spots, and now and then above white.
                    uint16_t v = static_cast<uint16_t>(rng() % 7 == 0 ? rng() % 65536 : rng() % (c.white / 2));
                    if (edge && !edges16.empty()) v = edges16[rng() % edges16.size()];
                    std::memcpy(&in[i], &v, 2);
                } else {
                    float v = rng() % 6 == 0 ? RandomFloat(rng) : RandomFloat(rng) * 0.3f;
                    if (edge && !edgesF.empty()) v = edgesF[rng() % edgesF.size()];
                    std::memcpy(&in[i], &v, 4);
                }
            }
            settings.glowLevel = static_cast<int32_t>(rng() % 3 == 0 ? rng() % (glow::kMaxDrawnGlowRadius + 1) : rng() % 16);
            settings.previewScale = 1;

            kelvo::DeepArea area;
            area.in = in.data();
            area.inRowBytes = area.outRowBytes = rowBytes;
            area.width = width;
            area.height = height;
            area.planes = planes;
            area.samples = c.samples;
            area.white = c.white;
            area.linear = c.linear;
            // Every third run is stopped at a question before one of the rows
            // 1 .. height - 1 (row 0 asks none); rows below it give no light.
            StopCounter stop;
            if (run % 3 == 2 && height > 1) stop.stopAt = 1 + static_cast<int32_t>(rng() % (height - 1));
            const RenderCallbacks callbacks{&stop, StopCounter::Aborted, nullptr};
            std::vector<uint8_t> fast(in.size(), 0xA5), literal(in.size(), 0xA5);
            area.out = fast.data();
            ASSERT_EQ(glow::RenderGlowDeep(area, settings, callbacks),
                      stop.stopAt > 0 ? kelvo::RenderEnd::Stopped : kelvo::RenderEnd::Done);
            area.out = literal.data();
            const int32_t lowest = stop.stopAt > 0 ? height - stop.stopAt + 1 : 0;
            if (c.samples == kelvo::DeepSamples::U16)
                glow_reference::LiteralDeepGlow(area, kelvo::U16Samples(c.white), settings, lowest);
            else
                glow_reference::LiteralDeepGlow(area, kelvo::F32Samples{c.linear}, settings, lowest);
            ASSERT_EQ(fast, literal) << "samples " << int(c.samples) << " white " << c.white << " linear " << c.linear
                                     << ", " << width << "x" << height << "x" << planes << ", level "
                                     << settings.glowLevel << ", run " << run << ", stopped at question "
                                     << stop.stopAt;
        }
    }
}

}  // namespace

}  // namespace kelvo
