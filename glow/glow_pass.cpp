#include "glow_pass.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "lit_edges.h"

// How the pass gets the exact bytes without weighing every offset.
//
// A source plane of value v adds floor(v * k(d2)) to the same plane of each
// target at squared distance d2 (0 < d2 <= R * R), with
// k = t * ((3 - 2t) * t) * 0.01f and t = (R2 - d2) / R2. Since k < 0.01, that
// amount is 0, 1 or 2, and for a given radius it depends only on v and d2, and
// it never grows with d2. So a value's footprint is two nested discs, "adds at
// least 1" out to d2 <= limit[0] and "adds at least 2" out to d2 <= limit[1],
// and each row of a disc is one run of columns (two in the source's own row,
// which the source skips). The glow tests check both facts for every radius,
// value and distance against the weight as written. Values with the same two
// limits form one class and share their tables.
//
// Each addition saturates at 255 and none is negative, so a target plane ends
// at min(255, input + everything added to it), whatever the order. The
// accumulating method therefore only counts: every run adds +1 at its first
// column and -1 after its last in a per-row array, and once no later source
// can reach a row, its counts are summed left to right and clamped into the
// output in one sweep. Rows live in a ring of 2S + 1 arrays, S being the
// farthest any value reaches (less than R: the rim adds nothing). Source row y
// reaches rows y - S .. y + S, and sources are visited bottom up, so row y + S
// is complete as soon as row y is done. The arrays have S spare entries left
// of column 0 and S + 1 right of the last column, so runs need no clipping:
// the sweep applies only columns 0 .. W-1. The three light planes share one
// 64-bit counter per pixel, 16 bits a plane: a plane collects at most the sum
// of the amounts of value 255 over the largest disc, 39412 at radius 120
// (61660 at 150, so the drawn radius must stay well below that); planes of a
// source in the same class share their run updates.
//
// Cost per source: 2 counter updates per run, 4 per disc row, from a list
// made once per class; planes of 100 or less add nothing and are skipped. Rows
// of packed three-plane pixels are scanned 16 pixels at a time where SSE2 is
// there, so an area without sources costs little more than the copy.
//
// Storage: the class tables live on the pass's stack (about 40 KB); the ring
// and the run lists are allocated for the run at the size the area and the
// radius need (about 2 MB for 4000 columns at level 30) and released after it.
// When that allocation fails, the pass adds straight into the output instead,
// which gives the same bytes, so the renderer has no failure of its own. The
// pass keeps nothing between calls: renders on several threads at once share
// no state.

namespace kelvo::glow {
namespace {

constexpr int32_t kMaxReach = kMaxDrawnGlowRadius - 1;  // the rim (t = 0) adds nothing
static_assert(kMaxDrawnGlowRadius <= 127, "half-widths fit a signed byte");
constexpr int32_t kRingRowsMax = 2 * kMaxReach + 1;
constexpr int kLaneBits = 16;
constexpr uint64_t kLaneMask = 0xFFFFu;
// Values of 100 or less add nothing (class 0), so at most 155 others.
constexpr int32_t kMaxClasses = 156;

// One run of a class's footprint relative to the source: +1 from column
// x + start, -1 from column x + stop, in the ring row of dy = row - S.
struct Run {
    int16_t row;
    int16_t start;
    int16_t stop;
};

// What a source plane of the class's values adds around the source.
struct GlowClass {
    int32_t limit[2];  // largest d2 that receives at least 1 / at least 2; 0: none
    int32_t reach;     // largest |dy| that receives anything; -1: adds nothing
    // half[level][|dy|]: largest |dx| whose amount is more than `level`
    // (|dx| >= 1 in the source's own row); -1 when that row receives nothing.
    int8_t half[2][kMaxDrawnGlowRadius + 1];
};

// The runs of a class: those of row dy are runs[firstRun + rowRun[dy + reach]]
// up to the start of the next row's.
struct ClassRuns {
    int32_t firstRun;
    uint16_t rowRun[2 * kMaxReach + 2];
};

// The classes of one radius.
struct GlowTables {
    int32_t classCount;
    int32_t span;  // S: the farthest reach of any value
    int32_t runCount;
    uint8_t classOf[256];
    GlowClass classes[kMaxClasses];
};

int32_t SquareRootFloor(int32_t n) {
    int32_t r = 0;
    while ((r + 1) * (r + 1) <= n) ++r;
    return r;
}

// The class's runs, rows dy = -reach .. reach, into runs + *runCount.
void BuildRuns(const GlowClass& c, ClassRuns& cr, Run* runs, int32_t span, int32_t* runCount) {
    cr.firstRun = *runCount;
    int32_t n = 0;
    for (int32_t dy = -c.reach; dy <= c.reach; ++dy) {
        cr.rowRun[dy + c.reach] = static_cast<uint16_t>(n);
        const int32_t a = dy < 0 ? -dy : dy;
        const int16_t row = static_cast<int16_t>(dy + span);
        for (int level = 0; level < 2; ++level) {
            const int32_t h = c.half[level][a];
            if (h < 0) break;
            if (dy != 0) {
                runs[cr.firstRun + n++] = Run{row, static_cast<int16_t>(-h), static_cast<int16_t>(h + 1)};
            } else {
                runs[cr.firstRun + n++] = Run{row, static_cast<int16_t>(-h), 0};
                runs[cr.firstRun + n++] = Run{row, 1, static_cast<int16_t>(h + 1)};
            }
        }
    }
    cr.rowRun[2 * c.reach + 1] = static_cast<uint16_t>(n);
    *runCount += n;
}

// The number of runs the class has (two per level and row, one more pair in
// the source's own row).
int32_t RunCount(const GlowClass& c) {
    int32_t n = 0;
    for (int32_t dy = -c.reach; dy <= c.reach; ++dy) {
        const int32_t a = dy < 0 ? -dy : dy;
        for (int level = 0; level < 2 && c.half[level][a] >= 0; ++level) n += dy != 0 ? 1 : 2;
    }
    return n;
}

void BuildTables(int32_t radius, GlowTables& t) {
    const int32_t r2 = radius * radius;

    // Class 0: values that add nothing.
    t.classCount = 1;
    GlowClass& none = t.classes[0];
    none = GlowClass{};
    none.reach = -1;
    t.span = 0;
    t.runCount = 0;
    // A larger value reaches at least as far (the weight never grows with
    // d2), so each limit only moves outwards as v rises.
    int32_t limit[2] = {0, 0};
    for (int32_t v = 0; v < 256; ++v) {
        // d2 = R2 is the rim, where t and the weight are 0: it never counts,
        // which keeps every reach at or below kMaxReach.
        for (int level = 0; level < 2; ++level) {
            int32_t& d2 = limit[level];
            while (d2 + 1 < r2 && static_cast<int32_t>(v * GlowWeight(r2, d2 + 1)) > level) ++d2;
        }
        if (limit[0] == 0) {
            t.classOf[v] = 0;
            continue;
        }
        int32_t id = 1;
        while (id < t.classCount && (t.classes[id].limit[0] != limit[0] || t.classes[id].limit[1] != limit[1])) ++id;
        t.classOf[v] = static_cast<uint8_t>(id);
        if (id < t.classCount) continue;
        GlowClass& c = t.classes[t.classCount++];
        c.limit[0] = limit[0];
        c.limit[1] = limit[1];
        for (int level = 0; level < 2; ++level) {
            for (int32_t a = 0; a <= kMaxDrawnGlowRadius; ++a) {
                const int32_t rest = limit[level] - a * a;
                const int32_t h = rest < 0 ? -1 : SquareRootFloor(rest);
                c.half[level][a] = static_cast<int8_t>(a == 0 && h == 0 ? -1 : h);
            }
        }
        c.reach = SquareRootFloor(limit[0]);
        if (c.reach > t.span) t.span = c.reach;
        t.runCount += RunCount(c);
    }
}

// One source's planes grouped by class, with the counter lanes they feed.
struct PlaneGroup {
    int32_t classId;
    uint64_t lanes;  // 1 << (16 * plane) for each plane of the group
};

int GroupPlanes(const GlowTables& t, const uint8_t* values, int32_t lanes, PlaneGroup* groups) {
    int count = 0;
    for (int32_t p = 0; p < lanes; ++p) {
        const int32_t id = t.classOf[values[p]];
        if (id == 0) continue;
        const uint64_t lane = uint64_t{1} << (kLaneBits * p);
        int i = 0;
        while (i < count && groups[i].classId != id) ++i;
        if (i < count) {
            groups[i].lanes += lane;
        } else {
            groups[count].classId = id;
            groups[count].lanes = lane;
            ++count;
        }
    }
    return count;
}

// Everything one pass needs about the area and the settings.
struct PassState {
    GlowTables tables;
    PixelArea area;
    int32_t lanes;    // light planes: 3, or 1 (grey)
    size_t planes;    // bytes per pixel
    uint8_t select[3][256];  // bit 0: inside the plane's window; bit 1: adds light
    bool accumulate;
    // The run's own storage (accumulating only): the ring, ringRows rows of
    // ringStride counters, the runs and each class's index into them.
    uint64_t* ring;
    Run* runs;
    ClassRuns* classRuns;
    int32_t ringRows;
    size_t ringStride;
    uint64_t* ringRow[kRingRowsMax];  // ringRow[dy + S]: counts of row y + dy, entry x + S
    int32_t ringFirst[kRingRowsMax];  // touched entries of each ring row: first ..
    int32_t ringLast[kRingRowsMax];   // .. last (first > last: untouched)
#if defined(__SSE2__)
    __m128i windowLow[3];   // per byte of 16 packed three-plane pixels
    __m128i windowSpan[3];  // upper - lower
    __m128i windowOn[3];    // 0xFF where the window is not empty
    __m128i brightest;      // smallest value that adds light
#endif
};

// Adds one source's groups: counts into the ring, or straight into the output.
inline void AddSource(PassState& s, int32_t x, int32_t y, const uint8_t* values) {
    PlaneGroup groups[3];
    const int groupCount = GroupPlanes(s.tables, values, s.lanes, groups);
    const int32_t height = s.area.height;
    for (int g = 0; g < groupCount; ++g) {
        const GlowClass& c = s.tables.classes[groups[g].classId];
        const uint64_t add = groups[g].lanes;
        const int32_t dyFirst = -c.reach > kelvo::kFirstLitRow - y ? -c.reach : kelvo::kFirstLitRow - y;
        const int32_t dyLast = c.reach < height - 1 - y ? c.reach : height - 1 - y;
        if (dyFirst > dyLast) continue;
        if (s.accumulate) {
            const ClassRuns& cr = s.classRuns[groups[g].classId];
            const Run* run = s.runs + cr.firstRun + cr.rowRun[dyFirst + c.reach];
            const Run* end = s.runs + cr.firstRun + cr.rowRun[dyLast + c.reach + 1];
            const ptrdiff_t column = static_cast<ptrdiff_t>(x) + s.tables.span;
            for (; run < end; ++run) {
                uint64_t* counts = s.ringRow[run->row] + column;
                counts[run->start] += add;
                counts[run->stop] -= add;
            }
            continue;
        }
        // Straight into the output: each run adds 1 with saturation.
        const int32_t width = s.area.width;
        for (int32_t dy = dyFirst; dy <= dyLast; ++dy) {
            const int32_t a = dy < 0 ? -dy : dy;
            uint8_t* row = s.area.out + static_cast<size_t>(y + dy) * s.area.outRowBytes;
            for (int level = 0; level < 2; ++level) {
                const int32_t h = c.half[level][a];
                if (h < 0) break;
                for (int32_t tx = x - h < kelvo::kFirstLitColumn ? kelvo::kFirstLitColumn : x - h, last = x + h < width - 1 ? x + h : width - 1; tx <= last;
                     ++tx) {
                    if (tx == x && dy == 0) continue;
                    uint8_t* target = row + static_cast<size_t>(tx) * s.planes;
                    for (int32_t p = 0; p < s.lanes; ++p)
                        if (((add >> (kLaneBits * p)) & 1u) != 0 && target[p] < 255) ++target[p];
                }
            }
        }
    }
}

// Adds the glow of the pixel at px when it is a source; true when it is.
inline bool VisitPixel(PassState& s, const uint8_t* px, int32_t x, int32_t y) {
    uint8_t values[3];
    uint8_t mark;
    if (s.lanes == 3) {
        values[0] = px[0];
        values[1] = px[1];
        values[2] = px[2];
        mark = static_cast<uint8_t>(s.select[0][values[0]] | s.select[1][values[1]] | s.select[2][values[2]]);
    } else {
        values[0] = values[1] = values[2] = px[0];
        mark = s.select[0][values[0]];
    }
    if (mark != 3) return false;
    AddSource(s, x, y, values);
    return true;
}

#if defined(__SSE2__)
// 0xFF in each byte of b that lies in its window: low <= byte <= low + span,
// where `on` is 0xFF.
inline __m128i InWindows(__m128i b, __m128i low, __m128i span, __m128i on) {
    const __m128i t = _mm_sub_epi8(b, low);
    return _mm_and_si128(_mm_cmpeq_epi8(_mm_min_epu8(t, span), t), on);
}

// The top bits of 48 bytes as one mask, byte i at bit i.
inline uint64_t Mask48(__m128i m0, __m128i m1, __m128i m2) {
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(m0))) |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(m1))) << 16 |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(m2))) << 32;
}
#endif

// Visits the sources of row y; returns the columns of the first and last
// source (first > last when there is none).
void VisitRow(PassState& s, int32_t y, int32_t* first, int32_t* last) {
    const uint8_t* row = s.area.in + static_cast<size_t>(y) * s.area.inRowBytes;
    const int32_t width = s.area.width;
    int32_t x = 0;
    *first = INT32_MAX;
    *last = -1;
#if defined(__SSE2__)
    if (s.planes == 3) {
        // 16 pixels at a time, keeping those with a plane inside its window and
        // a plane that adds light: bit 3i of a mask stands for pixel i.
        constexpr uint64_t kPixelBits = 0x249249249249u;
        const __m128i low0 = s.windowLow[0], low1 = s.windowLow[1], low2 = s.windowLow[2];
        const __m128i span0 = s.windowSpan[0], span1 = s.windowSpan[1], span2 = s.windowSpan[2];
        const __m128i on0 = s.windowOn[0], on1 = s.windowOn[1], on2 = s.windowOn[2];
        const __m128i brightest = s.brightest;
        for (; x + 16 <= width; x += 16) {
            const uint8_t* px = row + static_cast<size_t>(x) * 3;
            const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px));
            const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 16));
            const __m128i b2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 32));
            const __m128i in0 = InWindows(b0, low0, span0, on0);
            const __m128i in1 = InWindows(b1, low1, span1, on1);
            const __m128i in2 = InWindows(b2, low2, span2, on2);
            if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(in0, in1), in2)) == 0) continue;
            const uint64_t inWindow = Mask48(in0, in1, in2);
            const uint64_t bright = Mask48(_mm_cmpeq_epi8(_mm_max_epu8(b0, brightest), b0),
                                           _mm_cmpeq_epi8(_mm_max_epu8(b1, brightest), b1),
                                           _mm_cmpeq_epi8(_mm_max_epu8(b2, brightest), b2));
            uint64_t candidates =
                (inWindow | inWindow >> 1 | inWindow >> 2) & (bright | bright >> 1 | bright >> 2) & kPixelBits;
            while (candidates != 0) {
                const int32_t i = __builtin_ctzll(candidates) / 3;
                candidates &= candidates - 1;
                if (!VisitPixel(s, px + 3 * i, x + i, y)) continue;
                if (*first == INT32_MAX) *first = x + i;
                *last = x + i;
            }
        }
    }
#endif
    for (; x < width; ++x) {
        if (!VisitPixel(s, row + static_cast<size_t>(x) * s.planes, x, y)) continue;
        if (*first == INT32_MAX) *first = x;
        *last = x;
    }
}

// Adds the counts of one ring row to its output row, clamping at 255, and
// leaves the ring row zeroed.
void FlushRow(PassState& s, int32_t y) {
    const int32_t slot = y % s.ringRows;
    const int32_t first = s.ringFirst[slot];
    const int32_t last = s.ringLast[slot];
    if (first > last) return;
    s.ringFirst[slot] = INT32_MAX;
    s.ringLast[slot] = -1;
    const int32_t span = s.tables.span;
    uint64_t* counts = s.ring + static_cast<size_t>(slot) * s.ringStride;
    uint8_t* row = s.area.out + static_cast<size_t>(y) * s.area.outRowBytes;
    // Entry i counts for column i - S; only columns 0 .. W-1 are drawn.
    const int32_t drawFirst = kelvo::kFirstLitColumn + span > first ? kelvo::kFirstLitColumn + span : first;
    const int32_t drawLast = s.area.width - 1 + span < last ? s.area.width - 1 + span : last;
    uint64_t sum = 0;
    int32_t i = first;
    for (; i < drawFirst; ++i) {
        sum += counts[i];
        counts[i] = 0;
    }
    for (; i <= drawLast; ++i) {
        sum += counts[i];
        counts[i] = 0;
        if (sum == 0) continue;
        uint8_t* px = row + static_cast<size_t>(i - span) * s.planes;
        for (int32_t p = 0; p < s.lanes; ++p) {
            const uint32_t v = px[p] + (static_cast<uint32_t>(sum >> (kLaneBits * p)) & kLaneMask);
            px[p] = static_cast<uint8_t>(v > 255 ? 255 : v);
        }
    }
    for (; i <= last; ++i) counts[i] = 0;
}

void FlushRows(PassState& s, int32_t first, int32_t last) {
    if (first < kelvo::kFirstLitRow) first = kelvo::kFirstLitRow;
    if (last > s.area.height - 1) last = s.area.height - 1;
    for (int32_t y = last; y >= first; --y) FlushRow(s, y);
}

// One allocation for the ring and the run lists, sized for this area and
// radius; false (and nothing allocated) when the memory is not there.
bool AllocateRunStorage(PassState& s, const GlowMemory& memory) {
    const size_t ringBytes = static_cast<size_t>(s.ringRows) * s.ringStride * sizeof(uint64_t);
    const size_t runBytes = static_cast<size_t>(s.tables.runCount) * sizeof(Run);
    const size_t indexBytes = static_cast<size_t>(s.tables.classCount) * sizeof(ClassRuns);
    // Alignment of each part: the ring first (8), the index (4), the runs (2).
    const size_t indexAt = ringBytes;
    const size_t runAt = indexAt + indexBytes;
    void* block = memory.allocate != nullptr ? memory.allocate(runAt + runBytes) : nullptr;
    if (block == nullptr) return false;
    uint8_t* base = static_cast<uint8_t*>(block);
    s.ring = reinterpret_cast<uint64_t*>(base);
    s.classRuns = reinterpret_cast<ClassRuns*>(base + indexAt);
    s.runs = reinterpret_cast<Run*>(base + runAt);
    int32_t runCount = 0;
    for (int32_t id = 1; id < s.tables.classCount; ++id)
        BuildRuns(s.tables.classes[id], s.classRuns[id], s.runs, s.tables.span, &runCount);
    std::memset(s.ring, 0, ringBytes);
    for (int32_t i = 0; i < s.ringRows; ++i) {
        s.ringFirst[i] = INT32_MAX;
        s.ringLast[i] = -1;
    }
    return true;
}

void* AllocateWithMalloc(size_t bytes) { return std::malloc(bytes); }
void ReleaseWithFree(void* block) { std::free(block); }

// The whole pass over an area whose tables and windows are set up in `s`.
// Returns false when the callbacks stopped it.
bool RunPass(PassState& s, const FilterParameters* settings, const RenderCallbacks& callbacks, bool canGlow);

}  // namespace

const GlowMemory kHeapMemory = {AllocateWithMalloc, ReleaseWithFree};

int32_t GlowRadius(int32_t glowLevel) {
    if (glowLevel < 0) return 0;
    return glowLevel > kMaxDrawnGlowRadius ? kMaxDrawnGlowRadius : glowLevel;
}

int32_t ScaledGlowLevel(int32_t glowLevel, double scale) {
    if (!(scale > 0.0)) return glowLevel;
    const int32_t level = GlowRadius(glowLevel) < kMaxGlowRadius ? GlowRadius(glowLevel) : kMaxGlowRadius;
    const double drawn = std::round(level * scale);
    return drawn < kMaxDrawnGlowRadius ? static_cast<int32_t>(drawn) : kMaxDrawnGlowRadius;
}

int32_t GlowProgressTotal(int32_t height, int32_t radius) {
    const int64_t total = static_cast<int64_t>(height) - 2 * static_cast<int64_t>(radius);
    if (total > 0) return static_cast<int32_t>(total);
    return height > 1 ? height - 1 : 1;
}

bool GlowPass(const PixelArea& area, const FilterParameters* settings, const RenderCallbacks& callbacks,
              GlowMethod method, const GlowMemory& memory) {
    if (settings == nullptr || area.in == nullptr || area.out == nullptr || area.width <= 0 ||
        area.height <= 0 || area.planes <= 0)
        return true;
    PassState s;
    s.area = area;
    s.lanes = LightPlanes(area);
    s.planes = static_cast<size_t>(area.planes);
    const int32_t width = area.width;
    const int32_t height = area.height;
    const int32_t radius = GlowRadius(settings->glowLevel);

    BuildTables(radius, s.tables);

    // The windows by plane: plane 0 Red, plane 1 Green, plane 2 Blue. Grey
    // areas test their one value against all three.
    const int32_t lower[3] = {settings->redLower, settings->greenLower, settings->blueLower};
    const int32_t upper[3] = {settings->redUpper, settings->greenUpper, settings->blueUpper};
    bool anySelected = false;
    int32_t brightest = 256;
    for (int32_t v = 0; v < 256; ++v) {
        const bool inWindow[3] = {lower[0] <= v && v <= upper[0], lower[1] <= v && v <= upper[1],
                                  lower[2] <= v && v <= upper[2]};
        const uint8_t light = s.tables.classOf[v] != 0 ? 2 : 0;
        if (light != 0 && brightest == 256) brightest = v;
        for (int p = 0; p < 3; ++p) {
            const bool in = s.lanes == 3 ? inWindow[p] : (inWindow[0] || inWindow[1] || inWindow[2]);
            s.select[p][v] = static_cast<uint8_t>((in ? 1 : 0) | light);
            anySelected = anySelected || in;
        }
    }
    const bool canGlow = anySelected && brightest < 256 && (width > 1 || height > 1);

#if defined(__SSE2__)
    if (canGlow && s.planes == 3) {
        alignas(16) uint8_t low[48], span[48], on[48];
        for (int i = 0; i < 48; ++i) {
            const int p = i % 3;
            const int32_t lo = lower[p] < 0 ? 0 : lower[p];
            const int32_t hi = upper[p] > 255 ? 255 : upper[p];
            on[i] = lo <= hi ? 0xFF : 0;
            low[i] = static_cast<uint8_t>(lo <= hi ? lo : 0);
            span[i] = static_cast<uint8_t>(lo <= hi ? hi - lo : 0);
        }
        for (int k = 0; k < 3; ++k) {
            s.windowLow[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(low + 16 * k));
            s.windowSpan[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(span + 16 * k));
            s.windowOn[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(on + 16 * k));
        }
        s.brightest = _mm_set1_epi8(static_cast<char>(brightest));
    }
#endif

    s.ringRows = 2 * s.tables.span + 1;
    s.ringStride = static_cast<size_t>(width) + 2 * static_cast<size_t>(s.tables.span) + 1;
    s.ring = nullptr;
    s.runs = nullptr;
    s.classRuns = nullptr;
    s.accumulate = canGlow && method != GlowMethod::Direct && AllocateRunStorage(s, memory);
    const bool finished = RunPass(s, settings, callbacks, canGlow);
    if (s.ring != nullptr && memory.release != nullptr) memory.release(s.ring);
    return finished;
}

namespace {

bool RunPass(PassState& s, const FilterParameters* settings, const RenderCallbacks& callbacks, bool canGlow) {
    const int32_t height = s.area.height;
    const int32_t span = s.tables.span;
    const int32_t total = GlowProgressTotal(height, GlowRadius(settings->glowLevel));
    int32_t done = 0;
    // Every row is a source, bottom up. Row 0 comes last without a poll or
    // report of its own, so the host sees one per row from H - 1 to 1.
    for (int32_t y = height - 1; y >= kelvo::kFirstGlowSourceRow; --y, ++done) {
        if (settings->previewScale == 1 && y > 0) {
            if (RenderAborted(callbacks)) {
                if (s.accumulate) FlushRows(s, y + 1 - span, y + span);
                return false;
            }
            RenderProgress(callbacks, done, total);
        }
        if (!canGlow) continue;

        if (s.accumulate) {
            for (int32_t dy = -span; dy <= span; ++dy) {
                const int32_t ty = y + dy;
                s.ringRow[dy + span] = ty >= 0 ? s.ring + static_cast<size_t>(ty % s.ringRows) * s.ringStride : nullptr;
            }
        }
        int32_t firstSeen = 0;
        int32_t lastSeen = 0;
        VisitRow(s, y, &firstSeen, &lastSeen);
        if (!s.accumulate) continue;
        if (firstSeen <= lastSeen) {
            // Every run of this row's sources lies in these entries.
            const int32_t first = firstSeen;
            const int32_t last = lastSeen + 2 * span + 1;
            const int32_t tyFirst = y - span > kelvo::kFirstLitRow ? y - span : kelvo::kFirstLitRow;
            const int32_t tyLast = y + span < height - 1 ? y + span : height - 1;
            for (int32_t ty = tyFirst; ty <= tyLast; ++ty) {
                const int32_t slot = ty % s.ringRows;
                if (first < s.ringFirst[slot]) s.ringFirst[slot] = first;
                if (last > s.ringLast[slot]) s.ringLast[slot] = last;
            }
        }
        // No source above this row reaches row y + S.
        if (y + span <= height - 1) FlushRow(s, y + span);
    }
    if (s.accumulate) FlushRows(s, kelvo::kFirstLitRow, span - 1);
    return true;
}

}  // namespace

}  // namespace kelvo::glow
