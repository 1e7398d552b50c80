// The flare proper: core, halo, rays and anamorphic streak, summed at every
// pixel of the working area around the flare centre, then the square around the
// centre softened.
#pragma once

#include <cstdint>

#include "enlargement_range.h"
#include "flare_parameters.h"
#include "flare_primitives.h"

namespace kelvo::flare {

// The smallest working scale: a flare drawn 64 times larger than its settings
// say (kelvo-render's --scale 64).
constexpr double kMinWorkingScale = 1.0 / kMaxEnlargement;

// The scale the settings' pixel sizes and positions are divided by:
// previewScale, the reduction factor of a preview, or below 1 an enlargement;
// 1 when the record holds a value below kMinWorkingScale or not a number (a
// record that was never given a preview scale holds 0). The modules store a
// factor of at least 1 before every render.
inline double WorkingScale(const FilterParameters& settings) {
    const double scale = settings.previewScale;
    return scale >= kMinWorkingScale ? scale : 1.0;
}

// The flare centre in working pixels: the settings' position divided by the
// working scale, truncated toward zero. The 8-bit and the deep render start
// from it.
struct WorkingCentre {
    int32_t x = 0;
    int32_t y = 0;
};
inline WorkingCentre FlareCentre(const FilterParameters& settings) {
    const double scale = WorkingScale(settings);
    return WorkingCentre{TruncToInt32(settings.positionX / scale), TruncToInt32(settings.positionY / scale)};
}

// Everything the flare pass derives from the settings before its first row.
// Colours are for planes 0, 1, 2.
struct FlareQuantities {
    int32_t R = 0;          // flare radius in working pixels
    double k = 0.0;         // distance scale, about 6 / R^2
    double coreAmp = 0.0;   // core brightness
    Rgb comp;               // complement of the core's hue (black for an uncoloured core)
    double F[3] = {};       // per-plane falloff rate of the core
    double haloInner = 0.0;
    double haloOuter = 0.0;
    double haloColour[3] = {};
    double rayColour[3] = {};
    double rayAmp = 0.0;
    double rayRot = 0.0;    // pattern rotation in half turns
    double rayExp = 0.0;    // exponent narrowing the spokes
    double rNoise = 0.0;
    double sNoise = 0.0;
    double streakColour[3] = {};
    double streakRot = 0.0;  // streak rotation in radians
    double aspect = 0.0;     // weight of the vertical distance
    double raysCount = 0.0;
};

FlareQuantities ComputeFlareQuantities(const FilterParameters& settings);

// The row loop alone: every pixel of the working area receives core, halo, ray
// and streak light around (cx, cy); only the pixels within the flare's reach
// are evaluated, the others would receive 0. Before each row the callbacks are asked
// whether to stop, then told the progress (row, trunc(1.33 * H)). Returns false
// when the callbacks stopped it.
bool DrawFlareRows(const WorkingView& view, const FlareQuantities& q, const PassControl& control, int32_t cx, int32_t cy);

// The whole flare pass: quantities, rows, then the square of side 2R around the
// centre softened (also after an abort).
void FlarePass(const WorkingView& view, const FilterParameters& settings, const PassControl& control, int32_t cx, int32_t cy);

}  // namespace kelvo::flare
