#include "flare_pass.h"

#include <cmath>

#include "flare_reach.h"
#include "gradient_noise.h"

namespace flare {

namespace {

// Constants the flare model holds in single precision, widened exactly.
const double kDistanceNumerator = static_cast<double>(0.02f);
const double kDistanceDenominator = static_cast<double>(0.0033333334f);
const double kHaloInner = static_cast<double>(0.33f);
const double kStreakBase = static_cast<double>(0.2f);

// Double constants of the model, written out to the last digit.
constexpr double kFalloffRate = 0.41000000000000003;
constexpr double kInversePi = 0.3183128969610683;          // a little more than 1 / pi
constexpr double kRayRotateScale = 0.005585000888888889;   // degrees to half turns
constexpr double kStreakBrightScale = 0.03333333333333333;
constexpr double kStreakRotateScale = 0.01745312777777778;  // degrees to radians

Rgb HueColour(double hue) { return hue == 0.0 ? Rgb{1.0, 1.0, 1.0} : HslToRgb(hue, 1.0, 0.5); }

inline uint8_t AddSaturated(uint8_t stored, uint8_t amount) {
    const uint32_t v = static_cast<uint32_t>(stored) + amount;
    return static_cast<uint8_t>(v > 255 ? 255 : v);
}

}  // namespace

FlareQuantities ComputeFlareQuantities(const FilterParameters& s) {
    FlareQuantities q;
    const double scale = WorkingScale(s);
    q.R = TruncToInt32(s.flareSize * 16.0 / scale);
    // R * R is formed in double: exactly the integer square wherever that fits
    // an int32, and no overflow for radii from a damaged record.
    const double rd = static_cast<double>(q.R);
    q.k = kDistanceNumerator / (rd * rd * kDistanceDenominator);
    q.coreAmp = 0.05 * s.flareBright;
    if (s.flareHue == 0.0) {
        q.comp = Rgb{0.0, 0.0, 0.0};
    } else {
        double h = s.flareHue + 0.505;
        if (h > 1.0) h = h - 1.0;
        q.comp = HslToRgb(h, 1.0, 0.5);
    }
    q.F[0] = kFalloffRate * s.flareFalloff + 9.0 * q.comp.r;
    q.F[1] = kFalloffRate * s.flareFalloff + 9.0 * q.comp.g;
    q.F[2] = kFalloffRate * s.flareFalloff + 9.0 * q.comp.b;
    q.haloInner = kHaloInner;
    q.haloOuter = q.haloInner + 0.01 * s.haloSize;
    const Rgb halo = HueColour(s.haloHue);
    q.haloColour[0] = halo.r * 0.01 * s.haloBright;
    q.haloColour[1] = halo.g * 0.01 * s.haloBright;
    q.haloColour[2] = halo.b * 0.01 * s.haloBright;
    const Rgb ray = HueColour(s.raysHue);
    q.rayColour[0] = ray.r * 0.05 * s.raysBright;
    q.rayColour[1] = ray.g * 0.05 * s.raysBright;
    q.rayColour[2] = ray.b * 0.05 * s.raysBright;
    q.rayAmp = 0.005 * s.raysBright;
    q.rayRot = s.raysRotate * kRayRotateScale;
    q.rayExp = 6.0 * (0.1 * s.raysSharp) / (s.raysCount + 0.1);
    q.rNoise = 5.0 * s.raysRNoise;
    q.sNoise = 5.0 * s.raysSNoise;
    const Rgb streak = HueColour(s.anamorphicHue);
    q.streakColour[0] = streak.r * s.anamorphicBright * kStreakBrightScale;
    q.streakColour[1] = streak.g * s.anamorphicBright * kStreakBrightScale;
    q.streakColour[2] = streak.b * s.anamorphicBright * kStreakBrightScale;
    q.streakRot = s.anamorphicRotate * kStreakRotateScale;
    q.aspect = s.positionAspect;
    q.raysCount = s.raysCount;
    return q;
}

bool DrawFlareRows(const WorkingView& view, const FlareQuantities& q, const PassHost& host, int32_t cx, int32_t cy) {
    const int32_t w = view.width;
    const int32_t h = view.height;
    const int32_t progressTotal = TruncToInt32(h * 1.33);

    // With R = 0 the distance scale is infinite: every sum is 0 or NaN and no
    // pixel receives light, so only the host calls are made.
    const bool drawsLight = q.R != 0;
    // rayAmp = 0 (raysBright 0) makes every ray term 0 or NaN, never positive.
    const bool raysActive = q.rayAmp != 0.0;
    // A streak colour of 0 in every plane adds exactly 0 (the streak amount is
    // never infinite where it is positive).
    const bool streakActive = q.streakColour[0] != 0.0 || q.streakColour[1] != 0.0 || q.streakColour[2] != 0.0;
    const double rd = static_cast<double>(q.R);
    const double inverseR = 1.0 / rd;  // only for the streak's reach tests
    const bool grey = view.lightPlanes < 3;
    // Only the columns within the reach can receive light (flare_reach.cpp).
    const FlareReach reach = drawsLight ? ComputeFlareReach(q) : FlareReach{};

    for (int32_t y = 0; y < h; ++y) {
        if (HostAborted(host)) return false;
        HostProgress(host, y, progressTotal);
        // Row 0 and column 0 never receive light; their sums are not needed.
        if (!drawsLight || y == 0) continue;

        const double dy = static_cast<double>(static_cast<int64_t>(cy) - y);
        const double ady2 = q.aspect * (dy * dy);
        int32_t xFirst = 1;
        int32_t xLast = w - 1;
        ReachColumns(reach, cx, ady2, w, &xFirst, &xLast);
        uint8_t* p = view.out + static_cast<size_t>(y) * view.rowBytes + static_cast<size_t>(xFirst) * view.pixelBytes;
        for (int32_t x = xFirst; x <= xLast; ++x, p += view.pixelBytes) {
            const double dx = static_cast<double>(static_cast<int64_t>(cx) - x);
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
            if (raysActive) {
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

            // Anamorphic streak. Where its bound without the angle is not
            // positive, or the angle alone rules it out (flare_reach.cpp), it
            // provably adds nothing and neither sine nor noise is evaluated.
            if (streakActive) {
                const double dr = d * inverseR;
                if (!(d > 0.0) || StreakSlack(d, dr) > 0.0) {
                    if (!haveTheta) theta = std::atan2(dx, dy);
                    const double phi = 4.7 + 2.0 * (q.streakRot + theta);
                    if (!StreakCannotAdd(d, dr, phi)) {
                        const double v =
                            5.0 * d * (std::sin(phi) + 1.0) - (10.0 * d - (kStreakBase - d / rd));
                        const double a = v + 0.3 * GradientNoise(d) / d;
                        if (a > 0.0) {
                            s0 += a * q.streakColour[0];
                            s1 += a * q.streakColour[1];
                            s2 += a * q.streakColour[2];
                        }
                    }
                }
            }

            // The same saturating write as AddLight; x and y are inside the
            // area and past row 0 and column 0 here.
            const uint8_t b0 = UnitToByte(s0);
            const uint8_t b1 = UnitToByte(s1);
            const uint8_t b2 = UnitToByte(s2);
            if (grey) {
                uint8_t b = b0 > b1 ? b0 : b1;
                b = b > b2 ? b : b2;
                p[0] = AddSaturated(p[0], b);
            } else {
                p[0] = AddSaturated(p[0], b0);
                p[1] = AddSaturated(p[1], b1);
                p[2] = AddSaturated(p[2], b2);
            }
        }
    }
    return true;
}

void FlarePass(const WorkingView& view, const FilterParameters& settings, const PassHost& host, int32_t cx,
               int32_t cy) {
    const FlareQuantities q = ComputeFlareQuantities(settings);
    DrawFlareRows(view, q, host, cx, cy);
    // The softening runs whether or not the rows were all drawn.
    SoftenBox(view, ClampToInt32(static_cast<int64_t>(cx) - q.R), ClampToInt32(static_cast<int64_t>(cy) - q.R),
              ClampToInt32(static_cast<int64_t>(cx) + q.R), ClampToInt32(static_cast<int64_t>(cy) + q.R));
}

}  // namespace flare
