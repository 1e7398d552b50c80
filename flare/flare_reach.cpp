#include "flare_reach.h"

#include <cmath>

#include "lit_edges.h"

// Why the pixels outside the reach receive nothing.
//
// Every term of a pixel's sum depends on the pixel only through the scaled
// distance d = k * (r2 + sqrt(r2)), r2 = dx^2 + aspect * dy^2, and through the
// angle, and each is bounded by a function of d alone that never grows with d:
//
//   core   coreAmp / (d * F_p + 1)            <= coreAmp / (d * Fmin + 1)
//   halo   bump * haloColour_p, bump in 0..0.5 (0.5 t^2 (3 - 2t), t in 0..1),
//          and only while d < haloOuter       <= 0.5 * max haloColour, d < haloOuter
//   rays   w^rayExp * rayAmp / (d + 1) * nS * nR * rayColour_p
//          |w| <= 1 and rayExp >= 0, so |w^rayExp| <= 1. w, the folded
//          remainder of u by 2, lies in 0..1 for u >= 0; u is negative only in
//          a thin wedge below the centre where u >= -9.5e-6 * raysCount, so
//          |w| < 1 there too while raysCount <= 1e4 and rayRot >= 0.
//          The noise is a blend (1 - s) * u + s * v of r0 * g0 and (r0 - 1) * g1
//          with s = r0^2 (3 - 2 r0), 0 <= r0 < 1 and |g| <= 1, so |noise| <=
//          r0 + s (1 - 2 r0), whose largest value is 1/2 (at r0 = 1/2); with
//          0.51 for the roundings, nR = 1 - noise < 1.51 and nS = noise + 0.5
//          < 1.01; either is 1 when its amount is 0.
//                                             <= nMax * rayAmp * max rayColour / (d + 1)
//   streak a = 5d (sin phi + 1) - (10d - (0.2f - d / R)) + 0.3 noise(d) / d
//            = 0.2f - d / R - 5d (1 - sin phi) + 0.3 noise(d) / d
//            <= 0.2f - d / R + 0.153 / d, which is <= 0 beyond dStreak: the
//          streak adds only where a > 0, so it adds nothing there.
//
// Let B(d) be the sum of the first three bounds. A byte is non-zero only when
// its sum S satisfies S * 255 >= 1. Beyond dLight, the first d with
// B(d) <= 0.999 / 255 (found by bisection; B is monotone), S * 255 <= 0.999
// plus a few roundings, so every byte is 0 and adding it changes nothing; the
// grey images' single plane takes the largest of the three bytes, also 0.
// The reach is dLimit = max(dLight, dStreak), turned into r2 by solving
// k * (r2 + sqrt(r2)) = dLimit; r2Limit adds 1e-6 of it plus 1. A pixel whose
// computed r2 is at least r2Limit then has an exact k * (r2 + sqrt(r2)) at
// least 4.9e-7 above dLimit in relative terms, far more than the three
// roundings of the computed d (about 7e-16), so its computed d exceeds dLimit.
//
// Margins against rounding: 0.1 % on the byte threshold, 0.2000001 for the
// single-precision 0.2, 0.16 for 0.3 * 0.51, and
// 1e-9 of d and of d / R in the streak's bound; each term's computed value is
// within a few units in the last place (relative 1e-15) of the exact one, and
// the streak's roundings (of terms up to 10d) are below 1e-14 * d.
//
// Any quantity the bounds rely on that is negative or not finite (only a
// damaged record holds such settings), or a core that never fades (falloff 0
// with an uncoloured core), leaves the reach unbounded: every pixel is
// evaluated, as the literal pass does.
//
// The streak's angular test: 1 - sin phi = 2 sin^2(delta / 2) with delta the
// angle phi - pi/2 reduced to -pi..pi, and |sin x| >= 2|x| / pi for |x| <= pi/2,
// so 5d (1 - sin phi) >= 5d * 2 delta^2 / pi^2 >= d * delta^2. Where d * delta^2
// is at least the streak's bound without the angular term, a <= 0 and the
// streak adds nothing. The reduction's error (below 2e-10 for |phi| < 1e6) is
// covered by taking 1e-9 off |delta|.

namespace kelvo::flare {

namespace {

constexpr double kByteThreshold = 0.999 / 255.0;

bool FiniteNonNegative(double v) { return v >= 0.0 && v <= 1.7976931348623157e308; }

bool AllFiniteNonNegative(const double v[3]) {
    return FiniteNonNegative(v[0]) && FiniteNonNegative(v[1]) && FiniteNonNegative(v[2]);
}

double Largest(const double v[3]) {
    const double m = v[0] > v[1] ? v[0] : v[1];
    return m > v[2] ? m : v[2];
}

// The bounds of core, halo and rays at scaled distance d, as described above.
struct LightBound {
    double coreAmp;
    double fMin;
    double haloPeak;   // 0.5 * largest halo colour, 0 without halo
    double haloOuter;
    double rayPeak;    // nMax * rayAmp * largest ray colour, 0 without rays

    double operator()(double d) const {
        double b = coreAmp / (d * fMin + 1.0);
        if (d < haloOuter) b += haloPeak;
        b += rayPeak / (d + 1.0);
        return b;
    }
};

}  // namespace

FlareReach ComputeFlareReach(const FlareQuantities& q) {
    FlareReach reach;
    if (q.R <= 0 || !(q.k > 0.0) || !FiniteNonNegative(q.k)) return reach;
    if (!FiniteNonNegative(q.coreAmp) || !AllFiniteNonNegative(q.F) || !FiniteNonNegative(q.aspect)) return reach;
    if (!AllFiniteNonNegative(q.haloColour) || !AllFiniteNonNegative(q.streakColour)) return reach;
    if (!std::isfinite(q.haloOuter)) return reach;

    LightBound bound{};
    bound.coreAmp = q.coreAmp;
    bound.fMin = q.F[0] < q.F[1] ? q.F[0] : q.F[1];
    if (q.F[2] < bound.fMin) bound.fMin = q.F[2];
    bound.haloPeak = 0.5 * Largest(q.haloColour);
    bound.haloOuter = q.haloOuter;
    if (q.rayAmp != 0.0) {
        if (!FiniteNonNegative(q.rayAmp) || !AllFiniteNonNegative(q.rayColour) || !FiniteNonNegative(q.rayExp) ||
            !FiniteNonNegative(q.rayRot) || !(q.raysCount >= 0.0 && q.raysCount <= 1e4))
            return reach;
        const double nMax = (q.rNoise != 0.0 ? 1.51 : 1.0) * (q.sNoise != 0.0 ? 1.01 : 1.0);
        bound.rayPeak = nMax * q.rayAmp * Largest(q.rayColour);
    }

    // dLight: the first d (to a bisection's precision, taken from above) with
    // B(d) <= the byte threshold.
    double hi = 1.0;
    while (!(bound(hi) <= kByteThreshold)) {
        hi *= 2.0;
        if (hi > 1e300) return reach;  // the core never fades enough
    }
    double lo = 0.0;
    for (int i = 0; i < 200 && hi - lo > hi * 1e-12; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (bound(mid) <= kByteThreshold) hi = mid;
        else lo = mid;
    }
    double dLimit = hi;

    const bool streakActive = Largest(q.streakColour) != 0.0;
    if (streakActive) {
        // StreakSlack(d) = A - c1 d + 0.16 / d with dOverR = d / R: it falls
        // with d when c1 > 0 and is <= 0 from its positive root on.
        const double rd = static_cast<double>(q.R);
        const double A = 0.2000001 + 1e-9;
        const double c1 = (1.0 - 1e-9) / rd - 1e-9;
        if (!(c1 > 0.0)) return reach;
        const double dStreak = (A + std::sqrt(A * A + 4.0 * c1 * 0.16)) / (2.0 * c1) * (1.0 + 1e-6);
        if (dStreak > dLimit) dLimit = dStreak;
    }

    // k * (s^2 + s) = dLimit with s = sqrt(r2).
    const double s = (std::sqrt(1.0 + 4.0 * dLimit / q.k) - 1.0) * 0.5;
    const double r2Limit = s * s * (1.0 + 1e-6) + 1.0;
    if (!std::isfinite(r2Limit)) return reach;
    reach.bounded = true;
    reach.r2Limit = r2Limit;
    reach.dLimit = dLimit;
    return reach;
}

void ReachColumns(const FlareReach& reach, int32_t cx, double ady2, int32_t width, int32_t* first, int32_t* last) {
    *first = kelvo::kFirstLitColumn;
    *last = width - 1;
    if (!reach.bounded) return;
    // Columns with |dx| > m have dx^2 >= rem + 4 sqrt(rem) + 4, well above
    // r2Limit - ady2 whatever the roundings, so their r2 >= r2Limit.
    const double rem = reach.r2Limit - ady2;
    if (!(rem > 0.0)) {
        *first = kelvo::kFirstLitColumn;
        *last = kelvo::kFirstLitColumn - 1;
        return;
    }
    const double root = std::sqrt(rem);
    if (root >= 4e9) return;  // wider than any area
    const int64_t m = static_cast<int64_t>(root) + 2;
    const int64_t lo = static_cast<int64_t>(cx) - m;
    const int64_t hi = static_cast<int64_t>(cx) + m;
    if (lo > *first) *first = lo > width ? width : static_cast<int32_t>(lo);
    if (hi < *last) *last = hi < 0 ? -1 : static_cast<int32_t>(hi);
}

}  // namespace kelvo::flare
