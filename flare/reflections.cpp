#include "reflections.h"

#include <cmath>

#include "flare_pass.h"

namespace flare {

const Reflection kReflections[kReflectionCount] = {
    {2, 1.2, 0.2, {20, 20, 0}},
    {0, 0.5, 0.15, {0, 0, 15}},
    {2, 0.35, 0.4, {0, 0, 20}},
    {0, 0.3, 0.25, {0, 0, 20}},
    {0, 0.2, 0.165, {25, 0, 0}},
    {1, 0.15, 0.125, {0, 120, 0}},
    {1, -0.15, 0.125, {0, 120, 0}},
    {2, -0.4, 0.25, {15, 15, 0}},
    {2, -0.45, 0.5, {25, 15, 0}},
    {0, -0.5, 0.165, {25, 0, 25}},
    {1, -0.58, 0.27, {50, 50, 180}},
    {2, -0.6, 0.165, {0, 0, 25}},
    {2, -0.65, 0.27, {0, 0, 45}},
    {2, -0.75, 0.125, {0, 0, 25}},
    {2, -0.9, 0.7, {15, 20, 7}},
    {4, -1.3, 1.75, {0, 0, 0}},
};

namespace {

// Offsets o, 0 <= o < R, for which centre + o or centre - o can receive light,
// that is lies in 1..last (row 0 and column 0 never do). Offsets outside this
// range have all their mirrored pixels outside the area, so skipping them
// changes nothing; it keeps the loops bounded by the area whatever the radius.
struct OffsetRange {
    int64_t lo;
    int64_t hi;  // empty when hi < lo
};

OffsetRange ReachableOffsets(int32_t centre, int32_t last, int32_t R) {
    const int64_t c = centre;
    OffsetRange range{0, -1};
    if (last < 1 || R <= 0) return range;
    if (c < 1) {
        range = {1 - c, last - c};
    } else if (c > last) {
        range = {c - last, c - 1};
    } else {
        range = {0, c - 1 > last - c ? c - 1 : last - c};
    }
    if (range.hi > static_cast<int64_t>(R) - 1) range.hi = static_cast<int64_t>(R) - 1;
    return range;
}

// The pixel (x + j, y + i) and its mirror images, each distinct pixel once:
// mirrors in y only for i > 0, mirrors in x only for j > 0.
void AddMirrored(const WorkingView& view, int32_t x, int32_t y, int64_t j, int64_t i, int32_t a0, int32_t a1, int32_t a2) {
    const int32_t xr = ClampToInt32(x + j);
    const int32_t xl = ClampToInt32(x - j);
    const int32_t yd = ClampToInt32(y + i);
    const int32_t yu = ClampToInt32(y - i);
    AddLight(view, xr, yd, a0, a1, a2);
    if (i > 0) AddLight(view, xr, yu, a0, a1, a2);
    if (i > 0 && j > 0) AddLight(view, xl, yu, a0, a1, a2);
    if (j > 0) AddLight(view, xl, yd, a0, a1, a2);
}

// Squared radius of the reflection's ellipse in the units of D = j^2 + aspect i^2.
double SquaredRim(int32_t R, double aspect) {
    const double r = static_cast<double>(R);
    return aspect < 1.0 ? r * r * aspect : r * r;
}

// Visits the offsets (j, i), both 0 <= o < R, of one quarter of a reflection's
// square that can reach the area, with D = j^2 + aspect i^2.
template <typename Visit>
void ForEachReachableOffset(const WorkingView& view, int32_t x, int32_t y, int32_t R, double aspect, Visit visit) {
    const OffsetRange rows = ReachableOffsets(y, view.height - 1, R);
    const OffsetRange cols = ReachableOffsets(x, view.width - 1, R);
    for (int64_t i = rows.lo; i <= rows.hi; ++i) {
        const double di = static_cast<double>(i);
        const double ai2 = aspect * (di * di);
        for (int64_t j = cols.lo; j <= cols.hi; ++j) {
            const double dj = static_cast<double>(j);
            visit(j, i, dj * dj + ai2);
        }
    }
}

void SoftenSquare(const WorkingView& view, int32_t x, int32_t y, int32_t R) {
    SoftenBox(view, ClampToInt32(static_cast<int64_t>(x) - R), ClampToInt32(static_cast<int64_t>(y) - R),
              ClampToInt32(static_cast<int64_t>(x) + R), ClampToInt32(static_cast<int64_t>(y) + R));
}

}  // namespace

void PlaceReflections(const WorkingView& view, const FilterParameters& settings, int32_t cx, int32_t cy,
                      ReflectionPlacement placements[kReflectionCount]) {
    const int32_t mX = view.width / 2;
    const int32_t mY = view.height / 2;
    const double sizeScale = settings.reflectionsSize * 8.0 / WorkingScale(settings);
    // The line needs a horizontal extent: a flare straight above or below the
    // middle is taken one column to the right.
    int64_t lineX = cx;
    if (lineX == mX) lineX += 1;
    const double run = static_cast<double>(lineX - mX);
    const double ratio = static_cast<double>(static_cast<int64_t>(cy) - mY) / run;
    for (int32_t e = 0; e < kReflectionCount; ++e) {
        const double offX = kReflections[e].position * run;
        placements[e].x = TruncToInt32(mX + offX);
        placements[e].y = TruncToInt32(mY + ratio * offX);
        placements[e].R = TruncToInt32(sizeScale * kReflections[e].size);
    }
}

void ReflectionPass(const WorkingView& view, const FilterParameters& settings, const PassHost& host, int32_t cx, int32_t cy) {
    ReflectionPlacement placements[kReflectionCount];
    PlaceReflections(view, settings, cx, cy, placements);
    const double b = settings.reflectionsBright * 0.2;
    const double aspect = settings.positionAspect;
    for (int32_t e = 0; e < kReflectionCount; ++e) {
        if (HostAborted(host)) return;
        HostProgress(host, ReflectionProgress(e), 100);
        const Reflection& r = kReflections[e];
        const ReflectionPlacement& at = placements[e];
        if (r.type == 4) {
            DrawRingReflection(view, TruncToInt32(b), at.x, at.y, at.R, aspect);
        } else {
            DrawDiscReflection(view, b, at.x, at.y, r.type, at.R, r.colour[0], r.colour[1], r.colour[2], aspect);
        }
    }
}

void DrawDiscReflection(const WorkingView& view, double b, int32_t x, int32_t y, int32_t type, int32_t R, int32_t c0, int32_t c1, int32_t c2,
                        double aspect) {
    const double rr = SquaredRim(R, aspect);
    if (!(b <= 1.0)) {
        const double c[3] = {static_cast<double>(c0), static_cast<double>(c1), static_cast<double>(c2)};
        // The flat profile's amounts do not depend on the pixel.
        int32_t flat[3];
        for (int p = 0; p < 3; ++p) flat[p] = TruncToInt32(c[p] * b);
        ForEachReachableOffset(view, x, y, R, aspect, [&](int64_t j, int64_t i, double D) {
            if (!(D < rr)) return;
            int32_t a[3];
            if (type == 1 || type == 2) {
                const double q = D / rr;
                const double e = type == 1 ? 1.0 - q : q;
                for (int p = 0; p < 3; ++p) a[p] = TruncToInt32(std::pow(c[p], e) * b);
            } else {
                a[0] = flat[0];
                a[1] = flat[1];
                a[2] = flat[2];
            }
            AddMirrored(view, x, y, j, i, a[0], a[1], a[2]);
        });
    }
    SoftenSquare(view, x, y, R);
}

void DrawRingReflection(const WorkingView& view, int32_t bi, int32_t x, int32_t y, int32_t R, double aspect) {
    const double rr = SquaredRim(R, aspect);
    const double band1 = 0.98 * rr;
    const double band2 = 0.96 * rr;
    const double band3 = 0.94 * rr;
    const double band4 = 0.92 * rr;
    const int32_t A = ClampToInt32(static_cast<int64_t>(bi) * 15);
    ForEachReachableOffset(view, x, y, R, aspect, [&](int64_t j, int64_t i, double D) {
        // Outside in: red, yellow, green, blue in an RGB image.
        if (band1 < D && D <= rr) {
            AddMirrored(view, x, y, j, i, A, 0, 0);
        } else if (band2 < D && D <= band1) {
            AddMirrored(view, x, y, j, i, A, A, 0);
        } else if (band3 < D && D <= band2) {
            AddMirrored(view, x, y, j, i, 0, A, 0);
        } else if (band4 < D && D <= band3) {
            AddMirrored(view, x, y, j, i, 0, 0, A);
        }
    });
    SoftenSquare(view, x, y, R);
}

}  // namespace flare
