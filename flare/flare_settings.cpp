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
    // name, group, label, kind, offset, edit, spin, typed, shown, step, default,
    // then the title, unit and description that stand without the dialog
    {"positionX", "Position", "X:", SettingKind::Int32, FIELD(positionX), 113, 125, -9999, 9999, -10000, 10000, 1, 100, "Position X", "pixels",
     "column of the flare centre, from the left edge of the filtered area"},
    {"positionY", "Position", "Y:", SettingKind::Int32, FIELD(positionY), 114, 126, -1000, 1000, -10000, 10000, 1, 100, "Position Y", "pixels",
     "row of the flare centre, from the top edge of the filtered area"},
    {"flareSize", "Flare", "Size:", SettingKind::Real, FIELD(flareSize), 100, 127, 0, 100, 0, 100, kCoarseStep, 10.0, "Flare size", "16 pixels",
     "radius of the flare: 1 is 16 pixels"},
    {"flareBright", "Flare", "Bright:", SettingKind::Real, FIELD(flareBright), 121, 142, 0, 100, 0, 100, kCoarseStep, 21.0, "Flare brightness", "0..100",
     "brightness of the core"},
    {"flareFalloff", "Flare", "Falloff: ", SettingKind::Real, FIELD(flareFalloff), 122, 136, 0, 100, 0, 100, kCoarseStep, 10.0, "Flare falloff", "0..100",
     "how fast the core fades outwards; higher is tighter"},
    {"flareHue", "Flare", "Hue:", SettingKind::Real, FIELD(flareHue), 102, 128, 0, 1, 0, 1, kFineStep, 0.05, "Flare hue", "0..1 hue",
     "tint of the core's edge; 0 keeps it white"},
    {"haloSize", "Halo", "Size:", SettingKind::Real, FIELD(haloSize), 103, 129, 0, 100, 0, 100, kCoarseStep, 10.0, "Halo size", "0..100",
     "width of the halo ring around the core"},
    {"haloBright", "Halo", "Bright:", SettingKind::Real, FIELD(haloBright), 130, 151, 0, 100, 0, 100, kCoarseStep, 30.0, "Halo brightness", "0..100",
     "brightness of the halo ring"},
    {"haloHue", "Halo", "Hue:", SettingKind::Real, FIELD(haloHue), 106, 139, 0, 1, 0, 1, kFineStep, 0.05, "Halo hue", "0..1 hue",
     "colour of the halo ring; 0 is white"},
    {"reflectionsSize", "Reflections", "Size:", SettingKind::Real, FIELD(reflectionsSize), 118, 133, 0, 100, 0, 100, kCoarseStep, 10.0, "Reflections size", "0..100",
     "size of the sixteen reflections"},
    {"reflectionsBright", "Reflections", "Bright:", SettingKind::Real, FIELD(reflectionsBright), 119, 134, 0, 100, 0, 100, kCoarseStep, 20.0, "Reflections brightness", "0..100",
     "brightness of the reflections"},
    {"raysCount", "Rays", "Count:", SettingKind::WholeReal, FIELD(raysCount), 116, 131, 0, 360, 0, 360, 1, 22.0, "Rays count", "rays",
     "number of rays around the centre"},
    {"raysBright", "Rays", "Bright:", SettingKind::Real, FIELD(raysBright), 105, 138, 0, 100, 0, 100, kCoarseStep, 11.0, "Rays brightness", "0..100",
     "brightness of the rays"},
    {"raysRotate", "Rays", "Rotate:", SettingKind::Real, FIELD(raysRotate), 117, 132, 0, 360, 0, 360, kCoarseStep, 0.0, "Rays rotation", "degrees",
     "turns the pattern of rays"},
    {"raysSharp", "Rays", "Sharp:", SettingKind::Real, FIELD(raysSharp), 123, 137, 0, 100, 0, 100, kCoarseStep, 100.0, "Rays sharpness", "0..100",
     "how narrow each ray is"},
    {"raysRNoise", "Rays", "RNoise:", SettingKind::Real, FIELD(raysRNoise), 120, 135, 0, 1, 0, 1, kFineStep, 0.7, "Rays length noise", "0..1",
     "random variation of the rays' length around the circle; 0 makes them all equal"},
    {"raysSNoise", "Rays", "SNoise:", SettingKind::Real, FIELD(raysSNoise), 140, 147, 0, 1, 0, 1, kFineStep, 0.05, "Rays strength noise", "0..1",
     "random variation of the rays' brightness around the circle; 0 makes them all equal"},
    {"raysHue", "Rays", "Hue:", SettingKind::Real, FIELD(raysHue), 109, 143, 0, 1, 0, 1, kFineStep, 0.0, "Rays hue", "0..1 hue",
     "colour of the rays; 0 is white"},
    {"anamorphicBright", "Anamorphic", "Bright:", SettingKind::Real, FIELD(anamorphicBright), 115, 150, 0, 100, 0, 100, kCoarseStep, 30.0, "Anamorphic brightness", "0..100",
     "brightness of the streak through the centre; 0 turns it off"},
    {"anamorphicRotate", "Anamorphic", "Rotate:", SettingKind::Real, FIELD(anamorphicRotate), 124, 149, 0, 360, 0, 360, kCoarseStep, 0.0, "Anamorphic rotation", "degrees",
     "angle of the streak; 0 is horizontal"},
    {"anamorphicHue", "Anamorphic", "Hue:", SettingKind::Real, FIELD(anamorphicHue), 112, 146, 0, 1, 0, 1, kFineStep, 0.7, "Anamorphic hue", "0..1 hue",
     "colour of the streak; 0 is white"},
    {"positionAspect", "Position", "Aspect:", SettingKind::Real, FIELD(positionAspect), 148, 152, 0, 100, 0, 10, kFineStep, 1.0, "Position aspect", "ratio",
     "weight of vertical distance: 1 is round, above 1 squashes the flare vertically"},
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
