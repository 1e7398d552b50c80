#include "deep_glow.h"

#include <climits>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "deep_sample_types.h"
#include "glow_pass.h"
#include "lit_edges.h"

namespace glow {
namespace {

// A threshold window, lower..upper on the 8-bit reduction, as a test on the
// deep sample itself: the reduction rises with the sample, so the samples
// whose reduction lies in the window are one interval. Found once per pass
// by searching the reduction, so the test agrees with Reduce8 everywhere.
struct U16Window {
    bool empty = true;
    uint32_t lo = 0;
    uint32_t hi = 0;
    bool In(const uint8_t* p) const {
        return !empty && static_cast<uint32_t>(kelvo::U16Samples::Load(p)) - lo <= hi - lo;
    }
};

U16Window MakeWindow(const kelvo::U16Samples& samples, int32_t lower, int32_t upper) {
    U16Window w;
    if (lower < 0) lower = 0;
    if (upper > 255) upper = 255;
    if (lower > upper) return w;
    bool found = false;
    for (uint32_t v = 0; v <= 65535; ++v) {
        uint8_t bytes[2];
        const uint16_t s = static_cast<uint16_t>(v);
        std::memcpy(bytes, &s, 2);
        const int32_t r = samples.Reduce8(bytes);
        if (r < lower) continue;
        if (r > upper) break;
        if (!found) w.lo = v;
        w.hi = v;
        found = true;
    }
    w.empty = !found;
    return w;
}

struct F32Window {
    bool empty = true;
    bool fromZero = false;  // reductions down to 0 are in: every value below hi, NaN included
    bool toTop = false;     // reductions up to 255 are in: every value above lo
    float lo = 0.0f;
    float hi = 0.0f;
    bool In(const uint8_t* p) const {
        if (empty) return false;
        const float s = kelvo::F32Samples::Load(p);
        if (s != s) return fromZero;
        return (fromZero || s >= lo) && (toTop || s <= hi);
    }
};

// The smallest positive float whose reduction is at least `level` (1..255).
float SmallestReducingTo(const kelvo::F32Samples& samples, int32_t level) {
    uint32_t below = 0, at = 0x7F800000u;  // reduction of 0 is 0; of +Inf, 255
    while (at - below > 1) {
        const uint32_t mid = below + (at - below) / 2;
        uint8_t bytes[4];
        std::memcpy(bytes, &mid, 4);
        if (samples.Reduce8(bytes) >= level) at = mid; else below = mid;
    }
    float f;
    std::memcpy(&f, &at, 4);
    return f;
}

F32Window MakeWindow(const kelvo::F32Samples& samples, int32_t lower, int32_t upper) {
    F32Window w;
    if (lower < 0) lower = 0;
    if (upper > 255) upper = 255;
    if (lower > upper) return w;
    w.empty = false;
    w.fromZero = lower == 0;
    w.toTop = upper == 255;
    if (!w.fromZero) w.lo = SmallestReducingTo(samples, lower);
    if (!w.toTop) {
        const float next = SmallestReducingTo(samples, upper + 1);
        uint32_t bits;
        std::memcpy(&bits, &next, 4);
        --bits;  // the float just below, a positive value
        std::memcpy(&w.hi, &bits, 4);
    }
    return w;
}

// sums[i] += k[i] * e[i] for from <= i < to: one source's light along one
// row, four lanes at a time where SSE2 is there.
inline void AddWeighted(float* sums, const float* k, const float* e, size_t from, size_t to) {
    size_t i = from;
#if defined(__SSE2__)
    for (; i + 4 <= to; i += 4) {
        const __m128 product = _mm_mul_ps(_mm_loadu_ps(k + i), _mm_loadu_ps(e + i));
        _mm_storeu_ps(sums + i, _mm_add_ps(_mm_loadu_ps(sums + i), product));
    }
#endif
    for (; i < to; ++i) sums[i] += k[i] * e[i];
}

template <typename Samples>
kelvo::RenderEnd DrawDeepGlow(const kelvo::DeepArea& area, const Samples& samples, const FilterParameters& settings,
                              const RenderCallbacks& callbacks) {
    const int32_t width = area.width;
    const int32_t height = area.height;
    const int32_t lanes = kelvo::DeepLightPlanes(area);
    const size_t sampleBytes = kelvo::DeepSampleBytes(area.samples);
    const size_t pixelBytes = sampleBytes * static_cast<size_t>(area.planes);
    const int32_t radius = GlowRadius(settings.glowLevel);
    const int32_t r2 = radius * radius;
    const int32_t span = radius > 1 ? radius - 1 : 0;  // the rim adds nothing
    const int32_t side = 2 * span + 1;

    // The windows by plane: plane 0 Red, plane 1 Green, plane 2 Blue; grey
    // areas test their one value against all three.
    const decltype(MakeWindow(samples, 0, 0)) windows[3] = {
        MakeWindow(samples, settings.redLower, settings.redUpper),
        MakeWindow(samples, settings.greenLower, settings.greenUpper),
        MakeWindow(samples, settings.blueLower, settings.blueUpper)};
    const bool anyWindow = !windows[0].empty || !windows[1].empty || !windows[2].empty;
    const bool canGlow = anyWindow && span > 0 && (width > 1 || height > 1);

    // Weights by offset, each repeated for the lanes, and each kernel row's
    // half width; the source itself receives nothing.
    std::vector<float> kernel;
    std::vector<int32_t> half;
    std::vector<float> ring;
    std::vector<int32_t> ringFirst, ringLast;
    const size_t ringStride = (static_cast<size_t>(width) + 2 * static_cast<size_t>(span)) * static_cast<size_t>(lanes);
    try {
        if (canGlow) {
            kernel.assign(static_cast<size_t>(side) * side * lanes, 0.0f);
            half.assign(static_cast<size_t>(side), -1);
            for (int32_t dy = -span; dy <= span; ++dy)
                for (int32_t dx = -span; dx <= span; ++dx) {
                    const int32_t d2 = dx * dx + dy * dy;
                    if (d2 == 0 || d2 >= r2) continue;
                    const float k = static_cast<float>(GlowWeight(r2, d2));
                    for (int32_t p = 0; p < lanes; ++p)
                        kernel[(static_cast<size_t>(dy + span) * side + (dx + span)) * lanes + p] = k;
                    const int32_t a = dx < 0 ? -dx : dx;
                    if (a > half[dy + span]) half[dy + span] = a;
                }
            ring.assign(static_cast<size_t>(side) * ringStride, 0.0f);
            ringFirst.assign(static_cast<size_t>(side), INT32_MAX);
            ringLast.assign(static_cast<size_t>(side), -1);
        }
    } catch (const std::bad_alloc&) {
        kelvo::CopyDeepInputToOutput(area);
        return kelvo::RenderEnd::OutOfMemory;
    }
    kelvo::CopyDeepInputToOutput(area);

    // Adds ring row y's sums to the output and clears it.
    auto flush = [&](int32_t y) {
        if (!canGlow || y < kelvo::kFirstLitRow || y > height - 1) return;  // no ring without a glow
        const int32_t slot = y % side;
        const int32_t first = ringFirst[slot];
        const int32_t last = ringLast[slot];
        if (first > last) return;
        ringFirst[slot] = INT32_MAX;
        ringLast[slot] = -1;
        float* sums = ring.data() + static_cast<size_t>(slot) * ringStride;
        uint8_t* row = area.out + static_cast<size_t>(y) * area.outRowBytes;
        // Entry i holds column i - span; only lit columns are drawn.
        const int32_t drawFirst = first > kelvo::kFirstLitColumn + span ? first : kelvo::kFirstLitColumn + span;
        const int32_t drawLast = last < width - 1 + span ? last : width - 1 + span;
        for (int32_t entry = drawFirst; entry <= drawLast; ++entry) {
            const float* sum = sums + static_cast<size_t>(entry) * lanes;
            uint32_t bits = 0;
            for (int32_t p = 0; p < lanes; ++p) {
                uint32_t b;
                std::memcpy(&b, sum + p, 4);
                bits |= b;
            }
            if (bits == 0) continue;  // sums only grow from +0
            uint8_t* px = row + static_cast<size_t>(entry - span) * pixelBytes;
            for (int32_t p = 0; p < lanes; ++p) samples.AddLight(px + static_cast<size_t>(p) * sampleBytes, sum[p]);
        }
        std::memset(sums + static_cast<size_t>(first) * lanes, 0,
                    static_cast<size_t>(last - first + 1) * lanes * sizeof(float));
    };

    std::vector<float> pattern(canGlow ? static_cast<size_t>(side) * lanes : 0);
    float* reachRow[2 * kMaxDrawnGlowRadius + 1];
    const float* reachKernel[2 * kMaxDrawnGlowRadius + 1];
    size_t reachFrom[2 * kMaxDrawnGlowRadius + 1];
    size_t reachTo[2 * kMaxDrawnGlowRadius + 1];
    const int32_t total = GlowProgressTotal(height, radius);
    int32_t done = 0;
    for (int32_t y = height - 1; y >= kelvo::kFirstGlowSourceRow; --y, ++done) {
        // Row 0 makes no poll or report of its own, as in the 8-bit pass.
        if (settings.previewScale == 1 && y > 0) {
            if (RenderAborted(callbacks)) {
                for (int32_t ty = y + span; ty >= y + 1 - span; --ty) flush(ty);
                return kelvo::RenderEnd::Stopped;
            }
            RenderProgress(callbacks, done, total);
        }
        if (!canGlow) continue;
        const int32_t tyFirst = y - span > kelvo::kFirstLitRow ? y - span : kelvo::kFirstLitRow;
        const int32_t tyLast = y + span < height - 1 ? y + span : height - 1;
        // The ring rows this row's sources reach, and their kernel rows.
        int32_t targets = 0;
        for (int32_t ty = tyFirst; ty <= tyLast; ++ty) {
            const int32_t dy = ty - y;
            const int32_t h = half[dy + span];
            if (h < 0) continue;
            reachRow[targets] = ring.data() + static_cast<size_t>(ty % side) * ringStride;
            reachKernel[targets] = kernel.data() + static_cast<size_t>(dy + span) * side * lanes;
            reachFrom[targets] = static_cast<size_t>(span - h) * lanes;
            reachTo[targets] = static_cast<size_t>(span + h + 1) * lanes;
            ++targets;
        }
        int32_t firstSource = INT32_MAX, lastSource = -1;
        const uint8_t* px = area.in + static_cast<size_t>(y) * area.inRowBytes;
        for (int32_t x = 0; x < width; ++x, px += pixelBytes) {
            bool in;
            if (lanes == 3) {
                in = windows[0].In(px) || windows[1].In(px + sampleBytes) || windows[2].In(px + 2 * sampleBytes);
            } else {
                in = windows[0].In(px) || windows[1].In(px) || windows[2].In(px);
            }
            if (!in) continue;
            float e[3] = {0.0f, 0.0f, 0.0f};
            bool adds = false;
            for (int32_t p = 0; p < lanes; ++p) {
                const double level = samples.Level(px + static_cast<size_t>(p) * sampleBytes);
                e[p] = level > 0.0 ? static_cast<float>(level) : 0.0f;
                adds = adds || e[p] > 0.0f;
            }
            if (!adds) continue;
            if (firstSource == INT32_MAX) firstSource = x;
            lastSource = x;
            float* e3 = pattern.data();
            for (int32_t i = 0; i < side; ++i, e3 += lanes)
                for (int32_t p = 0; p < lanes; ++p) e3[p] = e[p];
            // Entry x + i of a ring row holds column x + i - span.
            const size_t at = static_cast<size_t>(x) * lanes;
            for (int32_t t = 0; t < targets; ++t)
                AddWeighted(reachRow[t] + at, reachKernel[t], pattern.data(), reachFrom[t], reachTo[t]);
        }
        if (firstSource <= lastSource) {
            for (int32_t ty = tyFirst; ty <= tyLast; ++ty) {
                const int32_t slot = ty % side;
                if (firstSource < ringFirst[slot]) ringFirst[slot] = firstSource;
                if (lastSource + 2 * span > ringLast[slot]) ringLast[slot] = lastSource + 2 * span;
            }
        }
        // No source above this row reaches row y + span.
        flush(y + span);
    }
    for (int32_t ty = span - 1; ty >= kelvo::kFirstLitRow; --ty) flush(ty);
    return kelvo::RenderEnd::Done;
}

}  // namespace

kelvo::RenderEnd RenderGlowDeep(const kelvo::DeepArea& area, const FilterParameters& settings,
                                const RenderCallbacks& callbacks) {
    return kelvo::DrawWithSamples(area,
                                  [&](const auto& samples) { return DrawDeepGlow(area, samples, settings, callbacks); });
}

}  // namespace glow
