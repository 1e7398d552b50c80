#include "deep_glow.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Eight lanes at a time where the processor has AVX: on x86-64 Linux only,
// since the Windows compilers do not keep the stack aligned for AVX spills.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__)
#include <immintrin.h>
#define KELVO_GLOW_AVX 1
#else
#define KELVO_GLOW_AVX 0
#endif

#include "deep_sample_types.h"
#include "glow_pass.h"
#include "lit_edges.h"

namespace kelvo::glow {
namespace {

// Entries of a ring row per tile of its mask.
constexpr size_t kTile = 16;

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
    bool fromZero = false;  // reductions down to 0 are in: every value below hi, NaN and infinities included
    bool toTop = false;     // reductions up to 255 are in: every finite value above lo
    float lo = 0.0f;
    float hi = 0.0f;
    bool In(const uint8_t* p) const {
        if (empty) return false;
        const float s = kelvo::F32Samples::Load(p);
        if (!(s >= -FLT_MAX && s <= FLT_MAX)) return fromZero;  // NaN and infinities reduce to 0
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

// A quick test over blocks of pixels, before the windows are tested one pixel
// at a time: false when no light plane of any pixel in the block reaches the
// lowest window, so that none of them is a source. Usable with SSE2, one to
// four planes, and windows that all start above 0.
struct U16Blocks {
    static constexpr int32_t kPixels = 8;  // a block: `planes` groups of eight samples
    bool usable = false;
#if defined(__SSE2__)
    int32_t planes = 0;
    __m128i mask{};   // the light planes' samples
    __m128i below{};  // the lowest window's start - 1
    bool MayHoldSource(const uint8_t* px) const {
        __m128i reach = _mm_setzero_si128();
        for (int32_t v = 0; v < planes; ++v) {
            const __m128i s = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px) + v), mask);
            reach = _mm_or_si128(reach, _mm_subs_epu16(s, below));  // s > below: not 0
        }
        return _mm_movemask_epi8(_mm_cmpeq_epi16(reach, _mm_setzero_si128())) != 0xFFFF;
    }
#else
    bool MayHoldSource(const uint8_t*) const { return true; }
#endif
};

struct F32Blocks {
    static constexpr int32_t kPixels = 4;  // a block: `planes` groups of four samples
    bool usable = false;
#if defined(__SSE2__)
    int32_t planes = 0;
    __m128 mask{};    // the light planes' samples
    __m128 lowest{};  // the lowest window's start, above 0
    bool MayHoldSource(const uint8_t* px) const {
        __m128 reach = _mm_setzero_ps();
        for (int32_t v = 0; v < planes; ++v) {
            const __m128 s = _mm_and_ps(_mm_loadu_ps(reinterpret_cast<const float*>(px) + 4 * v), mask);
            reach = _mm_or_ps(reach, _mm_cmpge_ps(s, lowest));  // false for NaN
        }
        return _mm_movemask_ps(reach) != 0;
    }
#else
    bool MayHoldSource(const uint8_t*) const { return true; }
#endif
};

// Which samples of a block of `planes`-plane pixels are light planes, as a
// repeating pattern: all of them with one or three planes, plane 0 of two,
// planes 0..2 of four.
inline bool IsLightSample(int32_t index, int32_t planes) {
    return planes == 1 || planes == 3 || (planes == 2 ? index % 2 == 0 : index % 4 != 3);
}

U16Blocks MakeBlocks(const U16Window (&windows)[3], int32_t planes) {
    U16Blocks blocks;
#if defined(__SSE2__)
    uint32_t lowest = UINT32_MAX;
    for (const U16Window& w : windows)
        if (!w.empty && w.lo < lowest) lowest = w.lo;
    if (planes > 4 || lowest == 0 || lowest == UINT32_MAX) return blocks;
    alignas(16) uint16_t mask[8];
    for (int32_t i = 0; i < 8; ++i) mask[i] = IsLightSample(i, planes) ? 0xFFFF : 0;
    blocks.usable = true;
    blocks.planes = planes;
    blocks.mask = _mm_load_si128(reinterpret_cast<const __m128i*>(mask));
    blocks.below = _mm_set1_epi16(static_cast<int16_t>(static_cast<uint16_t>(lowest - 1)));
#else
    (void)windows;
    (void)planes;
#endif
    return blocks;
}

F32Blocks MakeBlocks(const F32Window (&windows)[3], int32_t planes) {
    F32Blocks blocks;
#if defined(__SSE2__)
    float lowest = 0.0f;
    bool found = false;
    for (const F32Window& w : windows) {
        if (w.empty) continue;
        if (w.fromZero) return blocks;  // NaN and every value below its top are in
        if (!found || w.lo < lowest) lowest = w.lo;
        found = true;
    }
    if (planes > 4 || !found || !(lowest > 0.0f)) return blocks;
    alignas(16) uint32_t mask[4];
    for (int32_t i = 0; i < 4; ++i) mask[i] = IsLightSample(i, planes) ? 0xFFFFFFFFu : 0;
    blocks.usable = true;
    blocks.planes = planes;
    blocks.mask = _mm_load_ps(reinterpret_cast<const float*>(mask));
    blocks.lowest = _mm_set1_ps(lowest);
#else
    (void)windows;
    (void)planes;
#endif
    return blocks;
}

// Floats of zero weight on either side of every kernel row: a group of lanes
// that starts before a source's reach or ends after it reads them.
constexpr size_t kKernelPad = 8;

// Lanes a source's light pattern holds: its values repeated plane by plane,
// long enough for a group of eight lanes that starts at any plane.
constexpr size_t kPatternFloats = 16;

// One ring row a source row's light reaches, with the row at the same
// distance on the other side when there is one (they take the same kernel
// row), and the floats of the kernel row that a source's light covers: float
// i of the kernel row goes to float at + i of the ring row, for a source
// whose first float is `at`.
struct Reach {
    float* row;
    float* mirror;
    const float* kernel;  // with kKernelPad zeros before and after
    size_t from, to;
};

// A source of the row being added: its column's first float in a ring row
// and its light, plane by plane, repeated.
struct RowSource {
    size_t at;
    float pattern[kPatternFloats];
};

// Where float f of a ring row lies in the kernel row of a source whose first
// float is `at`: before the row's start for a group that starts left of it.
inline ptrdiff_t Offset(size_t f, size_t at) { return static_cast<ptrdiff_t>(f) - static_cast<ptrdiff_t>(at); }

// Adds the light of one row's sources (in column order) to every reach:
// each float of a ring row takes k * e from every source that reaches it,
// one source after another in column order, as the sources are visited. The
// floats are taken in groups of V and the sums kept in registers while the
// sources close by add to them. Each lane is one multiplication and one
// addition per source in single precision, in the same order, whatever V, so
// every instruction set gives the same sums. A group may run past a source's
// reach: the kernel's zeros there add +0, which changes no sum (sums start at
// +0 and only grow); a ring row's last group runs into the row's own slack.
template <int V>
__attribute__((always_inline)) inline void AddRowLightWith(const Reach* reach, int32_t count, const RowSource* sources,
                                                            size_t n, size_t lanes) {
    typedef float Lanes __attribute__((vector_size(sizeof(float) * V)));
#define KELVO_LOAD(to, from) std::memcpy(&(to), (from), sizeof(Lanes))
    if (count == 0) return;
    // Sources whose reaches touch share the groups of lanes they reach.
    const size_t gap = reach[0].to - reach[0].from;  // the widest kernel row
    for (size_t first = 0; first < n;) {
        size_t end = first + 1;
        while (end < n && sources[end].at - sources[end - 1].at <= gap) ++end;
        for (const Reach* r = reach; r != reach + count; ++r) {
            const size_t stop = sources[end - 1].at + r->to;
            size_t lo = first, hi = first;
            for (size_t f = sources[first].at + r->from; f < stop; f += V) {
                while (lo < end && sources[lo].at + r->to <= f) ++lo;
                while (hi < end && sources[hi].at + r->from < f + V) ++hi;
                if (lo == hi) continue;
                const size_t plane = f % lanes;
                Lanes sum, other, k, e;
                KELVO_LOAD(sum, r->row + f);
                if (r->mirror != nullptr) {
                    KELVO_LOAD(other, r->mirror + f);
                    for (size_t i = lo; i < hi; ++i) {
                        KELVO_LOAD(k, r->kernel + Offset(f, sources[i].at));
                        KELVO_LOAD(e, sources[i].pattern + plane);
                        const Lanes product = k * e;
                        sum += product;
                        other += product;
                    }
                    std::memcpy(r->mirror + f, &other, sizeof other);
                } else {
                    for (size_t i = lo; i < hi; ++i) {
                        KELVO_LOAD(k, r->kernel + Offset(f, sources[i].at));
                        KELVO_LOAD(e, sources[i].pattern + plane);
                        sum += k * e;
                    }
                }
                std::memcpy(r->row + f, &sum, sizeof sum);
            }
        }
        first = end;
    }
#undef KELVO_LOAD
}

void AddRowLight(const Reach* reach, int32_t count, const RowSource* sources, size_t n, size_t lanes) {
    AddRowLightWith<4>(reach, count, sources, n, lanes);
}

#if KELVO_GLOW_AVX
// The same, eight lanes at a time, for processors that have AVX.
__attribute__((target("avx"))) void AddRowLightAvx(const Reach* reach, int32_t count, const RowSource* sources, size_t n,
                                                   size_t lanes) {
    AddRowLightWith<8>(reach, count, sources, n, lanes);
}
#endif

using RowLightAdder = void (*)(const Reach*, int32_t, const RowSource*, size_t, size_t);

RowLightAdder ChooseRowLightAdder() {
#if KELVO_GLOW_AVX
    if (__builtin_cpu_supports("avx")) return AddRowLightAvx;
#endif
    return AddRowLight;
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
    // Each kernel row has kKernelPad zeros before and after it.
    const size_t kernelStride = static_cast<size_t>(side) * lanes + 2 * kKernelPad;
    std::vector<float> kernel;
    std::vector<int32_t> half;
    // The ring of target rows: entry i of a row holds column i - span. Each
    // row keeps a mask of the tiles of kTile entries that hold light, so a
    // flush reads and clears only those.
    std::vector<float> ring;
    std::vector<uint64_t> ringTiles, rowTiles;
    std::vector<RowSource> rowSources;  // the sources of the row being added, in column order
    const size_t ringEntries = static_cast<size_t>(width) + 2 * static_cast<size_t>(span);
    // A row's last group of lanes may run past its entries into zeros of its
    // own, never into the next row (which may be its mirror).
    const size_t ringStride = ringEntries * static_cast<size_t>(lanes) + kKernelPad;
    const size_t tileWords = (ringEntries + kTile * 64 - 1) / (kTile * 64);
    try {
        if (canGlow) {
            kernel.assign(static_cast<size_t>(side) * kernelStride, 0.0f);
            half.assign(static_cast<size_t>(side), -1);
            for (int32_t dy = -span; dy <= span; ++dy)
                for (int32_t dx = -span; dx <= span; ++dx) {
                    const int32_t d2 = dx * dx + dy * dy;
                    if (d2 == 0 || d2 >= r2) continue;
                    const float k = static_cast<float>(GlowWeight(r2, d2));
                    for (int32_t p = 0; p < lanes; ++p)
                        kernel[static_cast<size_t>(dy + span) * kernelStride + kKernelPad + static_cast<size_t>(dx + span) * lanes + p] = k;
                    const int32_t a = dx < 0 ? -dx : dx;
                    if (a > half[dy + span]) half[dy + span] = a;
                }
            ring.assign(static_cast<size_t>(side) * ringStride, 0.0f);
            ringTiles.assign(static_cast<size_t>(side) * tileWords, 0);
            rowTiles.assign(tileWords, 0);
            rowSources.resize(static_cast<size_t>(width));
        }
    } catch (const std::bad_alloc&) {
        kelvo::CopyDeepInputToOutput(area);
        return kelvo::RenderEnd::OutOfMemory;
    }
    // The output takes its copy of the input row by row, as the rows are
    // scanned from the bottom up (while the row is in the cache), before any
    // light reaches it: a row is flushed only once it and every row that
    // reaches it have been scanned.
    if (!canGlow) kelvo::CopyDeepInputToOutput(area);
    int32_t uncopied = canGlow ? height : 0;  // rows uncopied .. height - 1 hold their copy
    auto copyDownTo = [&](int32_t y) {
        if (y >= uncopied) return;
        kelvo::CopyDeepRows(area, y, uncopied);
        uncopied = y;
    };

    // Adds ring row y's sums to the output and clears them.
    auto flush = [&](int32_t y) {
        if (!canGlow || y < kelvo::kFirstLitRow || y > height - 1) return;  // no ring without a glow
        const int32_t slot = y % side;
        uint64_t* tiles = ringTiles.data() + static_cast<size_t>(slot) * tileWords;
        float* sums = ring.data() + static_cast<size_t>(slot) * ringStride;
        uint8_t* row = area.out + static_cast<size_t>(y) * area.outRowBytes;
        // Only lit columns are drawn.
        const size_t drawFirst = static_cast<size_t>(kelvo::kFirstLitColumn + span);
        const size_t drawEnd = static_cast<size_t>(width) + static_cast<size_t>(span);
        for (size_t word = 0; word < tileWords; ++word) {
            for (uint64_t bits = tiles[word]; bits != 0; bits &= bits - 1) {
                const size_t tileFirst = (word * 64 + static_cast<size_t>(__builtin_ctzll(bits))) * kTile;
                const size_t tileEnd = tileFirst + kTile < ringEntries ? tileFirst + kTile : ringEntries;
                const size_t from = tileFirst > drawFirst ? tileFirst : drawFirst;
                const size_t to = tileEnd < drawEnd ? tileEnd : drawEnd;
                for (size_t entry = from; entry < to; ++entry) {
                    const float* sum = sums + entry * lanes;
                    uint32_t lit = 0;
                    for (int32_t p = 0; p < lanes; ++p) {
                        uint32_t b;
                        std::memcpy(&b, sum + p, 4);
                        lit |= b;
                    }
                    if (lit == 0) continue;  // sums only grow from +0
                    uint8_t* px = row + (entry - static_cast<size_t>(span)) * pixelBytes;
                    for (int32_t p = 0; p < lanes; ++p)
                        samples.AddLight(px + static_cast<size_t>(p) * sampleBytes, sum[p]);
                }
                std::memset(sums + tileFirst * lanes, 0, (tileEnd - tileFirst) * lanes * sizeof(float));
            }
            tiles[word] = 0;
        }
    };

    const RowLightAdder addRowLight = ChooseRowLightAdder();
    const auto blocks = MakeBlocks(windows, area.planes);
    constexpr int32_t kBlock = decltype(blocks)::kPixels;
    const int32_t total = GlowProgressTotal(height, radius);
    int32_t done = 0;
    for (int32_t y = height - 1; y >= kelvo::kFirstGlowSourceRow; --y, ++done) {
        // Row 0 makes no poll or report of its own, as in the 8-bit pass.
        if (settings.previewScale == 1 && y > 0) {
            if (RenderAborted(callbacks)) {
                copyDownTo(0);
                for (int32_t ty = y + span; ty >= y + 1 - span; --ty) flush(ty);
                return kelvo::RenderEnd::Stopped;
            }
            RenderProgress(callbacks, done, total);
        }
        if (!canGlow) continue;
        copyDownTo(y);
        const int32_t tyFirst = y - span > kelvo::kFirstLitRow ? y - span : kelvo::kFirstLitRow;
        const int32_t tyLast = y + span < height - 1 ? y + span : height - 1;
        // The ring rows this row's sources reach, in pairs at the same
        // distance above and below, and their kernel rows.
        Reach reach[kMaxDrawnGlowRadius + 1];
        int32_t targets = 0;
        for (int32_t a = 0; a <= span; ++a) {
            const int32_t h = half[a + span];
            if (h < 0) continue;
            float* below = y + a <= tyLast ? ring.data() + static_cast<size_t>((y + a) % side) * ringStride : nullptr;
            float* above = a > 0 && y - a >= tyFirst ? ring.data() + static_cast<size_t>((y - a) % side) * ringStride : nullptr;
            if (below == nullptr) std::swap(below, above);
            if (below == nullptr) continue;
            const size_t from = static_cast<size_t>(span - h) * lanes;
            const size_t to = static_cast<size_t>(span + h + 1) * lanes;
            reach[targets++] = {below, above, kernel.data() + static_cast<size_t>(a + span) * kernelStride + kKernelPad,
                                from, to};
        }
        size_t sourceCount = 0;
        const uint8_t* px = area.in + static_cast<size_t>(y) * area.inRowBytes;
        for (int32_t x = 0; x < width; ++x, px += pixelBytes) {
            if (blocks.usable && x % kBlock == 0 && x + kBlock <= width && !blocks.MayHoldSource(px)) {
                x += kBlock - 1;
                px += static_cast<size_t>(kBlock - 1) * pixelBytes;
                continue;
            }
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
            // Its light reaches entries x .. x + 2 * span.
            const size_t lastTile = (static_cast<size_t>(x) + 2 * static_cast<size_t>(span)) / kTile;
            for (size_t tile = static_cast<size_t>(x) / kTile; tile <= lastTile; ++tile)
                rowTiles[tile / 64] |= uint64_t{1} << (tile % 64);
            // Entry x + i of a ring row holds column x + i - span.
            RowSource& source = rowSources[sourceCount++];
            source.at = static_cast<size_t>(x) * lanes;
            for (size_t i = 0; i < kPatternFloats; ++i) source.pattern[i] = e[i % lanes];
        }
        if (sourceCount > 0) {
            addRowLight(reach, targets, rowSources.data(), sourceCount, lanes);
            for (int32_t ty = tyFirst; ty <= tyLast; ++ty) {
                uint64_t* tiles = ringTiles.data() + static_cast<size_t>(ty % side) * tileWords;
                for (size_t word = 0; word < tileWords; ++word) tiles[word] |= rowTiles[word];
            }
            std::fill(rowTiles.begin(), rowTiles.end(), uint64_t{0});
        }
        // No source above this row reaches row y + span.
        flush(y + span);
    }
    copyDownTo(0);
    for (int32_t ty = span - 1; ty >= kelvo::kFirstLitRow; --ty) flush(ty);
    return kelvo::RenderEnd::Done;
}

}  // namespace

kelvo::RenderEnd RenderGlowDeep(const kelvo::DeepArea& area, const FilterParameters& settings,
                                const RenderCallbacks& callbacks) {
    return kelvo::DrawWithSamples(area,
                                  [&](const auto& samples) { return DrawDeepGlow(area, samples, settings, callbacks); });
}

}  // namespace kelvo::glow
