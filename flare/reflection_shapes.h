// Where each reflection's light lands and how much: the one copy of the
// reflections' geometry and amounts, shared by the 8-bit pass (which
// truncates each amount to a whole byte) and the deep path (which adds it as
// it is). Amounts are in bytes' units: 255 is full light.
#pragma once

#include <cmath>
#include <cstdint>

#include "flare_primitives.h"
#include "lit_edges.h"

namespace kelvo::flare {

// Offsets o, 0 <= o < R, for which centre + o or centre - o can receive light,
// that is lies in first..last (lit_edges.h). Offsets outside this
// range have all their mirrored pixels outside the area, so skipping them
// changes nothing; it keeps the loops bounded by the area whatever the radius.
struct OffsetRange {
    int64_t lo;
    int64_t hi;  // empty when hi < lo
};

inline OffsetRange ReachableOffsets(int32_t centre, int32_t first, int32_t last, int32_t R) {
    const int64_t c = centre;
    const int64_t f = first;
    OffsetRange range{0, -1};
    if (last < first || R <= 0) return range;
    if (c < f) {
        range = {f - c, last - c};
    } else if (c > last) {
        range = {c - last, c - f};
    } else {
        range = {0, c - f > last - c ? c - f : last - c};
    }
    if (range.hi > static_cast<int64_t>(R) - 1) range.hi = static_cast<int64_t>(R) - 1;
    return range;
}

// The pixel (x + j, y + i) and its mirror images, each distinct pixel once:
// mirrors in y only for i > 0, mirrors in x only for j > 0.
template <typename Target>
inline void ForEachMirror(int32_t x, int32_t y, int64_t j, int64_t i, Target target) {
    const int32_t xr = ClampToInt32(x + j);
    const int32_t xl = ClampToInt32(x - j);
    const int32_t yd = ClampToInt32(y + i);
    const int32_t yu = ClampToInt32(y - i);
    target(xr, yd);
    if (i > 0) target(xr, yu);
    if (i > 0 && j > 0) target(xl, yu);
    if (j > 0) target(xl, yd);
}

// Squared radius of the reflection's ellipse in the units of D = j^2 + aspect i^2.
inline double SquaredRim(int32_t R, double aspect) {
    const double r = static_cast<double>(R);
    return aspect < 1.0 ? r * r * aspect : r * r;
}

// Visits the offsets (j, i), both 0 <= o < R, of one quarter of a reflection's
// square that can reach a width x height area, with D = j^2 + aspect i^2.
template <typename Visit>
void ForEachReachableOffset(int32_t width, int32_t height, int32_t x, int32_t y, int32_t R, double aspect,
                            Visit visit) {
    const OffsetRange rows = ReachableOffsets(y, kelvo::kFirstLitRow, height - 1, R);
    const OffsetRange cols = ReachableOffsets(x, kelvo::kFirstLitColumn, width - 1, R);
    for (int64_t i = rows.lo; i <= rows.hi; ++i) {
        const double di = static_cast<double>(i);
        const double ai2 = aspect * (di * di);
        for (int64_t j = cols.lo; j <= cols.hi; ++j) {
            const double dj = static_cast<double>(j);
            visit(j, i, dj * dj + ai2);
        }
    }
}

// A disc of radius R around (x, y), brightness b, profile `type` (0, 1 or 2),
// colour c: emit(j, i, a) for every offset that receives light, a[0..2] the
// real amounts. Nothing for b <= 1.
template <typename Emit>
void DiscLight(int32_t width, int32_t height, double b, int32_t x, int32_t y, int32_t type, int32_t R,
               const int32_t colour[3], double aspect, Emit emit) {
    if (b <= 1.0) return;
    const double rr = SquaredRim(R, aspect);
    const double c[3] = {static_cast<double>(colour[0]), static_cast<double>(colour[1]),
                         static_cast<double>(colour[2])};
    // The flat profile's amounts do not depend on the pixel.
    const double flat[3] = {c[0] * b, c[1] * b, c[2] * b};
    ForEachReachableOffset(width, height, x, y, R, aspect, [&](int64_t j, int64_t i, double D) {
        if (!(D < rr)) return;
        if (type == 1 || type == 2) {
            const double q = D / rr;
            const double e = type == 1 ? 1.0 - q : q;
            const double a[3] = {std::pow(c[0], e) * b, std::pow(c[1], e) * b, std::pow(c[2], e) * b};
            emit(j, i, a);
        } else {
            emit(j, i, flat);
        }
    });
}

// The four-band ring of radius R around (x, y): emit(j, i, a) with each band
// adding `amount` (15 per whole step of the reflections' brightness).
template <typename Emit>
void RingLight(int32_t width, int32_t height, int32_t amount, int32_t x, int32_t y, int32_t R, double aspect,
               Emit emit) {
    const double rr = SquaredRim(R, aspect);
    const double band1 = 0.98 * rr;
    const double band2 = 0.96 * rr;
    const double band3 = 0.94 * rr;
    const double band4 = 0.92 * rr;
    const double A = static_cast<double>(amount);
    const double red[3] = {A, 0.0, 0.0}, yellow[3] = {A, A, 0.0}, green[3] = {0.0, A, 0.0}, blue[3] = {0.0, 0.0, A};
    ForEachReachableOffset(width, height, x, y, R, aspect, [&](int64_t j, int64_t i, double D) {
        // Outside in: red, yellow, green, blue in an RGB image.
        if (band1 < D && D <= rr) {
            emit(j, i, red);
        } else if (band2 < D && D <= band1) {
            emit(j, i, yellow);
        } else if (band3 < D && D <= band2) {
            emit(j, i, green);
        } else if (band4 < D && D <= band3) {
            emit(j, i, blue);
        }
    });
}

// The ring's amount: 15 per whole step of the brightness b.
inline int32_t RingAmount(double b) { return ClampToInt32(static_cast<int64_t>(TruncToInt32(b)) * 15); }

}  // namespace kelvo::flare
