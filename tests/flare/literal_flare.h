// The flare pass and the reflection drawing written the plain way: every pixel
// of the area evaluates the whole model in the order core, halo, rays, streak,
// every reflection visits its whole quarter square. Slow, nothing skipped or
// hoisted; kept as the reference the production passes must match byte for byte.
// Uses the primitives (AddLight, SoftenBox, UnitToByte, HslToRgb,
// GradientNoise), which have tests of their own.
#pragma once

#include <cmath>
#include <cstdint>

#include "flare_parameters.h"
#include "flare_primitives.h"
#include "gradient_noise.h"
#include "reflections.h"

namespace kelvo::flare_reference {

inline flare::Rgb LiteralHue(double hue) {
    return hue == 0.0 ? flare::Rgb{1.0, 1.0, 1.0} : flare::HslToRgb(hue, 1.0, 0.5);
}

// Draws the flare of `s` (previewScale at least 1) centred on (cx, cy) into the
// view; softens the square around the centre when `soften` is set.
inline void LiteralFlarePass(const flare::WorkingView& view, const flare::FilterParameters& s, int32_t cx, int32_t cy, bool soften = true) {
    const int32_t R = static_cast<int32_t>(s.flareSize * 16.0 / s.previewScale);
    const double k = static_cast<double>(0.02f) / (static_cast<double>(R * R) * static_cast<double>(0.0033333334f));
    const double coreAmp = 0.05 * s.flareBright;
    flare::Rgb comp{0.0, 0.0, 0.0};
    if (s.flareHue != 0.0) {
        double h = s.flareHue + 0.505;
        if (h > 1.0) h -= 1.0;
        comp = flare::HslToRgb(h, 1.0, 0.5);
    }
    const double F[3] = {0.41000000000000003 * s.flareFalloff + 9.0 * comp.r,
                         0.41000000000000003 * s.flareFalloff + 9.0 * comp.g,
                         0.41000000000000003 * s.flareFalloff + 9.0 * comp.b};
    const double haloInner = static_cast<double>(0.33f);
    const double haloOuter = haloInner + 0.01 * s.haloSize;
    const flare::Rgb hc = LiteralHue(s.haloHue);
    const double haloColour[3] = {hc.r * 0.01 * s.haloBright, hc.g * 0.01 * s.haloBright, hc.b * 0.01 * s.haloBright};
    const flare::Rgb rc = LiteralHue(s.raysHue);
    const double rayColour[3] = {rc.r * 0.05 * s.raysBright, rc.g * 0.05 * s.raysBright, rc.b * 0.05 * s.raysBright};
    const double rayAmp = 0.005 * s.raysBright;
    const double rayRot = s.raysRotate * 0.005585000888888889;
    const double rayExp = 6.0 * (0.1 * s.raysSharp) / (s.raysCount + 0.1);
    const double rNoise = 5.0 * s.raysRNoise;
    const double sNoise = 5.0 * s.raysSNoise;
    const flare::Rgb sc = LiteralHue(s.anamorphicHue);
    const double streakColour[3] = {sc.r * s.anamorphicBright * 0.03333333333333333,
                                    sc.g * s.anamorphicBright * 0.03333333333333333,
                                    sc.b * s.anamorphicBright * 0.03333333333333333};
    const double streakRot = s.anamorphicRotate * 0.01745312777777778;
    const double aspect = s.positionAspect;

    const int32_t W = view.width;
    const int32_t H = view.height;
    for (int32_t y = 0; y < H; ++y) {
        const int32_t dy = cy - y;
        for (int32_t x = 0; x < W; ++x) {
            const int32_t dx = cx - x;
            const double r2 = static_cast<double>(dx * dx) + aspect * static_cast<double>(dy * dy);
            const double d = k * (r2 + std::sqrt(r2));
            double S[3];
            for (int p = 0; p < 3; ++p) S[p] = coreAmp / (d * F[p] + 1.0);
            if (haloInner < d && d < haloOuter) {
                double t = 2.0 * (d - haloInner) / (haloOuter - haloInner);
                if (t > 1.0) t = 2.0 - t;
                const double h = 0.5 * t * t * (3.0 - 2.0 * t);
                for (int p = 0; p < 3; ++p) S[p] += h * haloColour[p];
            }
            const double theta = std::atan2(static_cast<double>(dx), static_cast<double>(dy));
            const double u = s.raysCount * (1.0 + theta * 0.3183128969610683 + rayRot);
            const double nR = rNoise != 0.0 ? 1.0 - flare::GradientNoise(rNoise * u) : 1.0;
            const double nS = sNoise != 0.0 ? flare::GradientNoise(sNoise * u) + 0.5 : 1.0;
            double w = std::fmod(u, 2.0);
            if (w > 1.0) w = 2.0 - w;
            const double ray = std::pow(w, rayExp) * rayAmp / (d + 1.0) * nS * nR;
            if (ray > 0.0)
                for (int p = 0; p < 3; ++p) S[p] += ray * rayColour[p];
            const double phi = 4.7 + 2.0 * (streakRot + theta);
            const double v = 5.0 * d * (std::sin(phi) + 1.0) -
                             (10.0 * d - (static_cast<double>(0.2f) - d / static_cast<double>(R)));
            const double a = v + 0.3 * flare::GradientNoise(d) / d;
            if (a > 0.0)
                for (int p = 0; p < 3; ++p) S[p] += a * streakColour[p];
            flare::AddLight(view, x, y, flare::UnitToByte(S[0]), flare::UnitToByte(S[1]), flare::UnitToByte(S[2]));
        }
    }
    if (soften) flare::SoftenBox(view, cx - R, cy - R, cx + R, cy + R);
}

inline void LiteralAddMirrored(const flare::WorkingView& view, int32_t x, int32_t y, int32_t j, int32_t i, int32_t a0, int32_t a1, int32_t a2) {
    flare::AddLight(view, x + j, y + i, a0, a1, a2);
    if (i > 0) flare::AddLight(view, x + j, y - i, a0, a1, a2);
    if (i > 0 && j > 0) flare::AddLight(view, x - j, y - i, a0, a1, a2);
    if (j > 0) flare::AddLight(view, x - j, y + i, a0, a1, a2);
}

inline void LiteralDisc(const flare::WorkingView& view, double b, int32_t x, int32_t y, int32_t type, int32_t R, const int32_t c[3], double aspect) {
    const double rr = aspect < 1.0 ? static_cast<double>(R * R) * aspect : static_cast<double>(R * R);
    if (b > 1.0) {
        for (int32_t i = 0; i < R; ++i) {
            for (int32_t j = 0; j < R; ++j) {
                const double D = static_cast<double>(j * j) + aspect * static_cast<double>(i * i);
                if (!(D < rr)) continue;
                const double q = D / rr;
                int32_t a[3];
                for (int p = 0; p < 3; ++p) {
                    double colour = c[p];
                    if (type == 1) colour = std::pow(c[p], 1.0 - q);
                    if (type == 2) colour = std::pow(c[p], q);
                    a[p] = static_cast<int32_t>(colour * b);
                }
                LiteralAddMirrored(view, x, y, j, i, a[0], a[1], a[2]);
            }
        }
    }
    flare::SoftenBox(view, x - R, y - R, x + R, y + R);
}

inline void LiteralRing(const flare::WorkingView& view, int32_t bi, int32_t x, int32_t y, int32_t R, double aspect) {
    const double rr = aspect < 1.0 ? static_cast<double>(R * R) * aspect : static_cast<double>(R * R);
    const int32_t A = 15 * bi;
    for (int32_t i = 0; i < R; ++i) {
        for (int32_t j = 0; j < R; ++j) {
            const double D = static_cast<double>(j * j) + aspect * static_cast<double>(i * i);
            if (0.98 * rr < D && D <= rr) LiteralAddMirrored(view, x, y, j, i, A, 0, 0);
            else if (0.96 * rr < D && D <= 0.98 * rr) LiteralAddMirrored(view, x, y, j, i, A, A, 0);
            else if (0.94 * rr < D && D <= 0.96 * rr) LiteralAddMirrored(view, x, y, j, i, 0, A, 0);
            else if (0.92 * rr < D && D <= 0.94 * rr) LiteralAddMirrored(view, x, y, j, i, 0, 0, A);
        }
    }
    flare::SoftenBox(view, x - R, y - R, x + R, y + R);
}

// The sixteen reflections of `s` for a flare at (cx, cy), placed and drawn the
// plain way.
inline void LiteralReflectionPass(const flare::WorkingView& view, const flare::FilterParameters& s, int32_t cx, int32_t cy) {
    const int32_t mX = view.width / 2;
    const int32_t mY = view.height / 2;
    const double sizeScale = s.reflectionsSize * 8.0 / s.previewScale;
    const double b = s.reflectionsBright * 0.2;
    if (cx == mX) cx = cx + 1;
    const double ratio = static_cast<double>(cy - mY) / static_cast<double>(cx - mX);
    for (const flare::Reflection& r : flare::kReflections) {
        const double offX = r.position * (cx - mX);
        const int32_t x = static_cast<int32_t>(mX + offX);
        const int32_t y = static_cast<int32_t>(mY + ratio * offX);
        const int32_t R = static_cast<int32_t>(sizeScale * r.size);
        if (r.type == 4) LiteralRing(view, static_cast<int32_t>(b), x, y, R, s.positionAspect);
        else LiteralDisc(view, b, x, y, r.type, R, r.colour, s.positionAspect);
    }
}

// A whole render of the working view, which already holds the input.
inline void LiteralRender(const flare::WorkingView& view, const flare::FilterParameters& s, int32_t cx, int32_t cy) {
    LiteralFlarePass(view, s, cx, cy);
    LiteralReflectionPass(view, s, cx, cy);
}

}  // namespace kelvo::flare_reference
