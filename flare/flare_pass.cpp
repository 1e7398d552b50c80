#include "flare_pass.h"

#include <cmath>

#include "flare_light.h"
#include "flare_reach.h"

namespace kelvo::flare {

namespace {

// Constants the flare model holds in single precision, widened exactly.
const double kDistanceNumerator = static_cast<double>(0.02f);
const double kDistanceDenominator = static_cast<double>(0.0033333334f);
const double kHaloInner = static_cast<double>(0.33f);

// Double constants of the model, written out to the last digit.
constexpr double kFalloffRate = 0.41000000000000003;
constexpr double kRayRotateScale = 0.005585000888888889;   // degrees to half turns
constexpr double kStreakBrightScale = 0.03333333333333333;
constexpr double kStreakRotateScale = 0.01745312777777778;  // degrees to radians

Rgb HueColour(double hue) { return hue == 0.0 ? Rgb{1.0, 1.0, 1.0} : HslToRgb(hue, 1.0, 0.5); }

inline uint8_t AddSaturated(uint8_t stored, uint8_t amount) {
    const uint32_t v = static_cast<uint32_t>(stored) + amount;
    return static_cast<uint8_t>(v > 255 ? 255 : v);
}

// The same saturating write as AddLight, of one pixel's light `s`; the pixel
// is inside the area.
inline void AddPixelLight(uint8_t* p, const double s[3], bool grey) {
    const uint8_t b0 = UnitToByte(s[0]);
    const uint8_t b1 = UnitToByte(s[1]);
    const uint8_t b2 = UnitToByte(s[2]);
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

// Adds the flare's light to the columns of row y within its reach.
inline void DrawFlareRow(const WorkingView& view, const FlareQuantities& q, const FlareLightSetup& setup,
                         const FlareReach& reach, int32_t cx, int32_t cy, int32_t y) {
    const bool grey = view.lightPlanes < 3;
    const double dy = static_cast<double>(static_cast<int64_t>(cy) - y);
    const double ady2 = q.aspect * (dy * dy);
    int32_t xFirst = 0;
    int32_t xLast = view.width - 1;
    ReachColumns(reach, cx, ady2, view.width, &xFirst, &xLast);
    uint8_t* p = view.out + static_cast<size_t>(y) * view.rowBytes + static_cast<size_t>(xFirst) * view.pixelBytes;
    for (int32_t x = xFirst; x <= xLast; ++x, p += view.pixelBytes) {
        const double dx = static_cast<double>(static_cast<int64_t>(cx) - x);
        double s[3];
        FlareLightAt(q, setup, dx, dy, ady2, s);
        AddPixelLight(p, s, grey);
    }
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

bool DrawFlareRows(const WorkingView& view, const FlareQuantities& q, const PassControl& control, int32_t cx, int32_t cy) {
    const int32_t progressTotal = TruncToInt32(view.height * 1.33);
    const FlareLightSetup setup = MakeFlareLightSetup(q);
    // Only the columns within the reach can receive light (flare_reach.cpp).
    const FlareReach reach = setup.drawsLight ? ComputeFlareReach(q) : FlareReach{};
    for (int32_t y = 0; y < view.height; ++y) {
        if (PassAborted(control)) return false;
        PassProgress(control, y, progressTotal);
        if (setup.drawsLight) DrawFlareRow(view, q, setup, reach, cx, cy, y);
    }
    return true;
}

void FlarePass(const WorkingView& view, const FilterParameters& settings, const PassControl& control, int32_t cx,
               int32_t cy) {
    const FlareQuantities q = ComputeFlareQuantities(settings);
    DrawFlareRows(view, q, control, cx, cy);
    // The softening runs whether or not the rows were all drawn.
    SoftenBox(view, ClampToInt32(static_cast<int64_t>(cx) - q.R), ClampToInt32(static_cast<int64_t>(cy) - q.R),
              ClampToInt32(static_cast<int64_t>(cx) + q.R), ClampToInt32(static_cast<int64_t>(cy) + q.R));
}

}  // namespace kelvo::flare
