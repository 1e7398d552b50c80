#include <cfloat>
#include <cstddef>

#include "flare_parameters.h"

namespace flare {
namespace {

// The spin step is the single-precision 0.05, times ten for the fields whose
// bounds are 0..100 and 0..360.
constexpr double kFineStep = static_cast<double>(0.05f);
constexpr double kCoarseStep = kFineStep * 10;

#define FIELD(f) static_cast<uint16_t>(offsetof(FilterParameters, f))
constexpr SettingField kFields[] = {
    // name, group, label, kind, offset, edit, spin, typed, shown, step, default
    {"positionX", "Position", "X:", SettingKind::Int32, FIELD(positionX), 113, 125, -9999, 9999, -10000, 10000, 1, 100},
    {"positionY", "Position", "Y:", SettingKind::Int32, FIELD(positionY), 114, 126, -1000, 1000, -10000, 10000, 1, 100},
    {"flareSize", "Flare", "Size:", SettingKind::Real, FIELD(flareSize), 100, 127, 0, 100, 0, 100, kCoarseStep, 10.0},
    {"flareBright", "Flare", "Bright:", SettingKind::Real, FIELD(flareBright), 121, 142, 0, 100, 0, 100, kCoarseStep, 21.0},
    {"flareFalloff", "Flare", "Falloff: ", SettingKind::Real, FIELD(flareFalloff), 122, 136, 0, 100, 0, 100, kCoarseStep, 10.0},
    {"flareHue", "Flare", "Hue:", SettingKind::Real, FIELD(flareHue), 102, 128, 0, 1, 0, 1, kFineStep, 0.05},
    {"haloSize", "Halo", "Size:", SettingKind::Real, FIELD(haloSize), 103, 129, 0, 100, 0, 100, kCoarseStep, 10.0},
    {"haloBright", "Halo", "Bright:", SettingKind::Real, FIELD(haloBright), 130, 151, 0, 100, 0, 100, kCoarseStep, 30.0},
    {"haloHue", "Halo", "Hue:", SettingKind::Real, FIELD(haloHue), 106, 139, 0, 1, 0, 1, kFineStep, 0.05},
    {"reflectionsSize", "Reflections", "Size:", SettingKind::Real, FIELD(reflectionsSize), 118, 133, 0, 100, 0, 100, kCoarseStep, 10.0},
    {"reflectionsBright", "Reflections", "Bright:", SettingKind::Real, FIELD(reflectionsBright), 119, 134, 0, 100, 0, 100, kCoarseStep, 20.0},
    {"raysCount", "Rays", "Count:", SettingKind::WholeReal, FIELD(raysCount), 116, 131, 0, 360, 0, 360, 1, 22.0},
    {"raysBright", "Rays", "Bright:", SettingKind::Real, FIELD(raysBright), 105, 138, 0, 100, 0, 100, kCoarseStep, 11.0},
    {"raysRotate", "Rays", "Rotate:", SettingKind::Real, FIELD(raysRotate), 117, 132, 0, 360, 0, 360, kCoarseStep, 0.0},
    {"raysSharp", "Rays", "Sharp:", SettingKind::Real, FIELD(raysSharp), 123, 137, 0, 100, 0, 100, kCoarseStep, 100.0},
    {"raysRNoise", "Rays", "RNoise:", SettingKind::Real, FIELD(raysRNoise), 120, 135, 0, 1, 0, 1, kFineStep, 0.7},
    {"raysSNoise", "Rays", "SNoise:", SettingKind::Real, FIELD(raysSNoise), 140, 147, 0, 1, 0, 1, kFineStep, 0.05},
    {"raysHue", "Rays", "Hue:", SettingKind::Real, FIELD(raysHue), 109, 143, 0, 1, 0, 1, kFineStep, 0.0},
    {"anamorphicBright", "Anamorphic", "Bright:", SettingKind::Real, FIELD(anamorphicBright), 115, 150, 0, 100, 0, 100, kCoarseStep, 30.0},
    {"anamorphicRotate", "Anamorphic", "Rotate:", SettingKind::Real, FIELD(anamorphicRotate), 124, 149, 0, 360, 0, 360, kCoarseStep, 0.0},
    {"anamorphicHue", "Anamorphic", "Hue:", SettingKind::Real, FIELD(anamorphicHue), 112, 146, 0, 1, 0, 1, kFineStep, 0.7},
    {"positionAspect", "Position", "Aspect:", SettingKind::Real, FIELD(positionAspect), 148, 152, 0, 100, 0, 10, kFineStep, 1.0},
};
#undef FIELD

}  // namespace

const SettingsTable kFlareSettings = {kFields, static_cast<int>(sizeof kFields / sizeof kFields[0])};

FilterParameters DefaultFlareParameters() {
    FilterParameters p{};
    WriteDefaults(kFlareSettings, &p);
    p.showDialog = 1;
    return p;
}

}  // namespace flare
