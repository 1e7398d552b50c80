// One-dimensional gradient noise on a lattice of 256 points, with the tables it
// reads and the small random generator that fills them. The generator's only
// user is the table builder, so the tables are the same in every run.
#pragma once

#include "exact_arithmetic.h"

#include <cstdint>

namespace flare {

constexpr uint32_t kNoiseSeed = 1;

// One draw: state = state * 214013 + 2531011 (mod 2^32); the result is bits
// 16..30 of the new state, 0..32767.
inline int32_t NoiseDraw(uint32_t* state) {
    *state = *state * 214013u + 2531011u;
    return static_cast<int32_t>((*state >> 16) & 0x7FFFu);
}

// Module-level tables: perm is a permutation of 0..255, grad holds multiples of
// 1/256 from -1 to 255/256. Built once, on the first noise request.
extern int32_t noisePerm[256];
extern double noiseGrad[256];
extern bool noiseTablesBuilt;
extern uint32_t noiseState;

// Builds the tables from the module's generator unless they are built already.
void EnsureNoiseTables();

// Noise at x once the tables exist. Defined for 0 <= x + 4096 < 2^31; outside
// that range (and for NaN) the result is 0, the value the noise takes at every
// lattice point, so far-off or damaged arguments simply add no roughness.
inline double GradientNoiseBuilt(double x) {
    const double t = x + 4096.0;
    if (!(t >= 0.0 && t < 2147483648.0)) return 0.0;
    const int32_t i = static_cast<int32_t>(t);
    const int32_t b0 = i & 255;
    const int32_t b1 = (b0 + 1) & 255;
    const double r0 = t - i;
    const double r1 = r0 - 1.0;
    const double s = r0 * r0 * (3.0 - 2.0 * r0);
    const double u = r0 * noiseGrad[noisePerm[b0]];
    const double v = r1 * noiseGrad[noisePerm[b1]];
    return u + s * (v - u);
}

// The noise, building the tables first if need be. About -0.5..0.5, 0 at every
// whole number, repeating every 256.
double GradientNoise(double x);

}  // namespace flare
