// The deep glow written the plain way: every pixel's windows tested on its
// samples reduced to 8 bits, every source weighing every offset of its disc
// into one sum per target sample, in the order the sources are visited (rows
// from the bottom up, left to right), then each sum added once. Slow; kept as
// the reference that the production deep glow must match bit for bit. Rows
// below `lowestSourceRow` give no light: what a glow stopped before them drew.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "deep_area.h"
#include "glow_parameters.h"
#include "glow_pass.h"

namespace kelvo::glow_reference {

inline bool InWindow(int32_t reduced, int32_t lower, int32_t upper) {
    return reduced >= (lower < 0 ? 0 : lower) && reduced <= (upper > 255 ? 255 : upper);
}

template <typename Samples>
void LiteralDeepGlow(const kelvo::DeepArea& area, const Samples& samples, const glow::FilterParameters& settings,
                     int32_t lowestSourceRow = 0) {
    kelvo::CopyDeepInputToOutput(area);
    const int32_t radius = glow::GlowRadius(settings.glowLevel);
    const int32_t r2 = radius * radius;
    const int32_t lanes = kelvo::DeepLightPlanes(area);
    const size_t sampleBytes = kelvo::DeepSampleBytes(area.samples);
    const size_t pixelBytes = sampleBytes * static_cast<size_t>(area.planes);
    std::vector<float> sums(static_cast<size_t>(area.width) * area.height * lanes, 0.0f);
    for (int32_t y = area.height - 1; y >= lowestSourceRow; --y) {
        for (int32_t x = 0; x < area.width; ++x) {
            const uint8_t* px = area.in + static_cast<size_t>(y) * area.inRowBytes + static_cast<size_t>(x) * pixelBytes;
            const int32_t r = samples.Reduce8(px);
            const int32_t g = lanes == 3 ? samples.Reduce8(px + sampleBytes) : r;
            const int32_t b = lanes == 3 ? samples.Reduce8(px + 2 * sampleBytes) : r;
            if (!InWindow(r, settings.redLower, settings.redUpper) && !InWindow(g, settings.greenLower, settings.greenUpper) &&
                !InWindow(b, settings.blueLower, settings.blueUpper))
                continue;
            float e[3] = {0.0f, 0.0f, 0.0f};
            for (int32_t p = 0; p < lanes; ++p) {
                const double level = samples.Level(px + static_cast<size_t>(p) * sampleBytes);
                e[p] = level > 0.0 ? static_cast<float>(level) : 0.0f;
            }
            for (int32_t dy = -radius; dy <= radius; ++dy)
                for (int32_t dx = -radius; dx <= radius; ++dx) {
                    const int32_t d2 = dx * dx + dy * dy;
                    const int32_t tx = x + dx, ty = y + dy;
                    if (d2 == 0 || d2 >= r2 || tx < 0 || ty < 0 || tx >= area.width || ty >= area.height) continue;
                    const float k = static_cast<float>(glow::GlowWeight(r2, d2));
                    float* sum = sums.data() + (static_cast<size_t>(ty) * area.width + tx) * lanes;
                    for (int32_t p = 0; p < lanes; ++p) sum[p] += k * e[p];
                }
        }
    }
    for (int32_t y = 0; y < area.height; ++y)
        for (int32_t x = 0; x < area.width; ++x) {
            uint8_t* px = area.out + static_cast<size_t>(y) * area.outRowBytes + static_cast<size_t>(x) * pixelBytes;
            const float* sum = sums.data() + (static_cast<size_t>(y) * area.width + x) * lanes;
            for (int32_t p = 0; p < lanes; ++p) samples.AddLight(px + static_cast<size_t>(p) * sampleBytes, sum[p]);
        }
}

}  // namespace kelvo::glow_reference
