// The light of the flare proper at one pixel: core, halo, rays and anamorphic
// streak summed per plane, as real amounts (1.0 = full). The one copy of the
// flare's per-pixel mathematics: the 8-bit rows truncate it to bytes, the deep
// path adds it as it is.
#pragma once

#include <cmath>
#include <cstdint>

#include "flare_pass.h"
#include "flare_reach.h"
#include "gradient_noise.h"

namespace kelvo::flare {

// What the per-pixel sum needs besides the quantities, fixed for a pass.
struct FlareLightSetup {
    bool drawsLight = false;    // R != 0: with R = 0 no pixel receives light
    bool raysActive = false;    // rayAmp != 0: otherwise no ray term is positive
    bool streakActive = false;  // some streak colour is not 0
    double rd = 0.0;            // R as a double
    double inverseR = 0.0;      // only for the streak's reach tests
};

inline FlareLightSetup MakeFlareLightSetup(const FlareQuantities& q) {
    FlareLightSetup c;
    c.drawsLight = q.R != 0;
    c.raysActive = q.rayAmp != 0.0;
    c.streakActive = q.streakColour[0] != 0.0 || q.streakColour[1] != 0.0 || q.streakColour[2] != 0.0;
    c.rd = static_cast<double>(q.R);
    c.inverseR = 1.0 / c.rd;
    return c;
}

// s[0..2]: the light at offset (dx, dy) from the centre, ady2 = aspect * dy^2.
inline void FlareLightAt(const FlareQuantities& q, const FlareLightSetup& c, double dx, double dy, double ady2,
                         double s[3]) {
    constexpr double kInversePi = 0.3183128969610683;  // a little more than 1 / pi
    const double kStreakBase = static_cast<double>(0.2f);
    const double r2 = dx * dx + ady2;
    const double d = q.k * (r2 + std::sqrt(r2));

    // Core.
    double s0 = q.coreAmp / (d * q.F[0] + 1.0);
    double s1 = q.coreAmp / (d * q.F[1] + 1.0);
    double s2 = q.coreAmp / (d * q.F[2] + 1.0);

    // Halo: a smooth bump across the band.
    if (q.haloInner < d && d < q.haloOuter) {
        double t = 2.0 * (d - q.haloInner) / (q.haloOuter - q.haloInner);
        if (t > 1.0) t = 2.0 - t;
        const double bump = 0.5 * t * t * (3.0 - 2.0 * t);
        s0 += bump * q.haloColour[0];
        s1 += bump * q.haloColour[1];
        s2 += bump * q.haloColour[2];
    }

    double theta = 0.0;
    bool haveTheta = false;

    // Rays.
    if (c.raysActive) {
        theta = std::atan2(dx, dy);
        haveTheta = true;
        const double u = q.raysCount * (1.0 + theta * kInversePi + q.rayRot);
        const double nR = q.rNoise != 0.0 ? 1.0 - GradientNoise(q.rNoise * u) : 1.0;
        const double nS = q.sNoise != 0.0 ? GradientNoise(q.sNoise * u) + 0.5 : 1.0;
        double wave = RemainderByTwo(u);
        if (wave > 1.0) wave = 2.0 - wave;
        const double ray = std::pow(wave, q.rayExp) * q.rayAmp / (d + 1.0) * nS * nR;
        if (ray > 0.0) {
            s0 += ray * q.rayColour[0];
            s1 += ray * q.rayColour[1];
            s2 += ray * q.rayColour[2];
        }
    }

    // Anamorphic streak. Where its bound without the angle is not positive,
    // or the angle alone rules it out (flare_reach.cpp), it provably adds
    // nothing and neither sine nor noise is evaluated.
    if (c.streakActive) {
        const double dr = d * c.inverseR;
        if (!(d > 0.0) || StreakSlack(d, dr) > 0.0) {
            if (!haveTheta) theta = std::atan2(dx, dy);
            const double phi = 4.7 + 2.0 * (q.streakRot + theta);
            if (!StreakCannotAdd(d, dr, phi)) {
                const double v = 5.0 * d * (std::sin(phi) + 1.0) - (10.0 * d - (kStreakBase - d / c.rd));
                const double a = v + 0.3 * GradientNoise(d) / d;
                if (a > 0.0) {
                    s0 += a * q.streakColour[0];
                    s1 += a * q.streakColour[1];
                    s2 += a * q.streakColour[2];
                }
            }
        }
    }
    s[0] = s0;
    s[1] = s1;
    s[2] = s2;
}

}  // namespace kelvo::flare
