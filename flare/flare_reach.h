// How far the flare pass's light can reach: a bound, derived once per pass from
// the settings, beyond which no pixel can receive a non-zero byte, and the
// streak's cheap "cannot add" tests. The pass evaluates only the columns of a
// row that lie inside the bound; every other pixel would add exactly 0.
#pragma once

#include <cmath>
#include <cstdint>

#include "flare_pass.h"

namespace kelvo::flare {

struct FlareReach {
    // False when no bound could be proven (a damaged record, or a core that
    // never fades): every pixel is evaluated.
    bool bounded = false;
    // Pixels whose r2 = dx^2 + aspect * dy^2, as the pass computes it, is at
    // least this receive nothing from any element.
    double r2Limit = 0.0;
    // The scaled distance d beyond which no pixel can receive a byte; for the
    // tests and the benchmarks' notes.
    double dLimit = 0.0;
};

FlareReach ComputeFlareReach(const FlareQuantities& q);

// The columns of a row, between 0 and width - 1, that must be evaluated for a
// row whose aspect * dy^2 is ady2 (as the pass computes it). first > last when
// none.
void ReachColumns(const FlareReach& reach, int32_t cx, double ady2, int32_t width, int32_t* first, int32_t* last);

// The streak's amount is at most 0.2 - d / R + 0.3 * |noise(d)| / d, less the
// angular term, and |noise| <= 1/2; this is that bound with safe margins (see
// flare_reach.cpp).
inline double StreakSlack(double d, double dOverR) {
    return 0.2000001 - dOverR * (1.0 - 1e-9) + 0.16 / d + 1e-9 * (1.0 + d);
}

// True when the streak at scaled distance d > 0 (dOverR = d / R) and angle phi
// provably adds nothing, from a lower bound of 1 - sin(phi) that needs no sine
// (see flare_reach.cpp); neither its sine nor its noise need be evaluated then.
inline bool StreakCannotAdd(double d, double dOverR, double phi) {
    constexpr double kPi = 3.141592653589793;
    constexpr double kTwoPi = 6.283185307179586;
    constexpr double kHalfPi = 1.5707963267948966;
    if (!(d > 0.0) || !(std::fabs(phi) < 1e6)) return false;
    double delta = phi - kHalfPi;
    // The nearest whole number of turns, by a 64-bit integer (|phi| < 1e6).
    const double turns = delta * (1.0 / kTwoPi) + 0.5;
    int64_t n = static_cast<int64_t>(turns);
    if (static_cast<double>(n) > turns) --n;
    delta -= kTwoPi * static_cast<double>(n);
    double m = std::fabs(delta);
    if (m > kPi) m = kPi;
    m -= 1e-9;
    if (m <= 0.0) return false;
    return d * m * m >= StreakSlack(d, dOverR);
}

}  // namespace kelvo::flare
