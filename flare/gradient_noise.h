// One-dimensional gradient noise on a lattice of 256 points, with the tables it
// reads and the small random generator that fills them. The generator's only
// user is the table builder, so the tables are the same in every run; they are
// built by the compiler and live in read-only data, so any number of renders
// may read them at once.
#pragma once

#include "exact_arithmetic.h"

#include <cstdint>

namespace kelvo::flare {

constexpr uint32_t kNoiseSeed = 1;

// One draw: state = state * 214013 + 2531011 (mod 2^32); the result is bits
// 16..30 of the new state, 0..32767.
constexpr int32_t NoiseDraw(uint32_t* state) {
    *state = *state * 214013u + 2531011u;
    return static_cast<int32_t>((*state >> 16) & 0x7FFFu);
}

// perm is a permutation of 0..255, grad holds multiples of 1/256 from -1 to
// 255/256.
struct NoiseTables {
    int32_t perm[256];
    double grad[256];
};

// The tables as the generator fills them from kNoiseSeed: per lattice point a
// gradient from one draw and five draws unused, then the permutation shuffled
// from the top down.
constexpr NoiseTables BuildNoiseTables() {
    NoiseTables t{};
    uint32_t state = kNoiseSeed;
    for (int32_t i = 0; i < 256; ++i) {
        t.perm[i] = i;
        t.grad[i] = static_cast<double>((NoiseDraw(&state) % 512) - 256) / 256.0;
        for (int n = 0; n < 5; ++n) NoiseDraw(&state);
    }
    for (int32_t i = 255; i > 0; --i) {
        const int32_t j = NoiseDraw(&state) % 256;
        const int32_t k = t.perm[i];
        t.perm[i] = t.perm[j];
        t.perm[j] = k;
    }
    return t;
}

inline constexpr NoiseTables kNoiseTables = BuildNoiseTables();

// The noise at x. Within -0.5..0.5 (a blend (1 - s) r0 g0 + s (r0 - 1) g1 with
// s = r0^2 (3 - 2 r0), 0 <= r0 < 1 and |g| <= 1 is at most r0 + s (1 - 2 r0),
// largest at r0 = 1/2), 0 at every whole number,
// repeating every 256. Defined for 0 <= x + 4096 < 2^31; outside that range
// (and for NaN) the result is 0, the value the noise takes at every lattice
// point, so far-off or damaged arguments simply add no roughness.
inline double GradientNoise(double x) {
    const double t = x + 4096.0;
    if (!(t >= 0.0 && t < 2147483648.0)) return 0.0;
    const int32_t i = static_cast<int32_t>(t);
    const int32_t b0 = i & 255;
    const int32_t b1 = (b0 + 1) & 255;
    const double r0 = t - i;
    const double r1 = r0 - 1.0;
    const double s = r0 * r0 * (3.0 - 2.0 * r0);
    const double u = r0 * kNoiseTables.grad[kNoiseTables.perm[b0]];
    const double v = r1 * kNoiseTables.grad[kNoiseTables.perm[b1]];
    return u + s * (v - u);
}

}  // namespace kelvo::flare
