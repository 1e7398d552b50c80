#include <cfloat>
#include <cstddef>

#include "halvane_controls.h"
#include "flare_parameters.h"

namespace kelvo::flare {
namespace {

// The spin step is the single-precision 0.05, times ten for the fields whose
// bounds are 0..100 and 0..360.
constexpr double kFineStep = static_cast<double>(0.05f);
constexpr double kCoarseStep = kFineStep * 10;

#define FIELD(f) static_cast<uint16_t>(offsetof(FilterParameters, f))
constexpr SettingField kFields[] = {
    // name, group, kind, offset, edit, spin, typed, shown, step, default,
    // then the title, unit and description that stand without the dialog,
    // the key and type under which actions record the setting, and the role
    // for the rows that have one
    {"positionX", "Position", SettingKind::Int32, FIELD(positionX), HALVANE_POSITION_X_EDIT, HALVANE_POSITION_X_SPIN, -9999, 9999, -10000, 10000, 1, 100, "Position X", SettingUnit::Pixels,
     "column of the flare centre, from the left edge of the filtered area", "posX", ScriptType::Pixels, SettingRole::PositionX},
    {"positionY", "Position", SettingKind::Int32, FIELD(positionY), HALVANE_POSITION_Y_EDIT, HALVANE_POSITION_Y_SPIN, -1000, 1000, -10000, 10000, 1, 100, "Position Y", SettingUnit::Pixels,
     "row of the flare centre, from the top edge of the filtered area", "posY", ScriptType::Pixels, SettingRole::PositionY},
    {"flareSize", "Flare", SettingKind::Real, FIELD(flareSize), HALVANE_FLARE_SIZE_EDIT, HALVANE_FLARE_SIZE_SPIN, 0, 100, 0, 100, kCoarseStep, 10.0, "Flare size", SettingUnit::SixteenPixels,
     "radius of the flare: 1 is 16 pixels", "flSz", ScriptType::Float},
    {"flareBright", "Flare", SettingKind::Real, FIELD(flareBright), HALVANE_FLARE_BRIGHT_EDIT, HALVANE_FLARE_BRIGHT_SPIN, 0, 100, 0, 100, kCoarseStep, 21.0, "Flare brightness", SettingUnit::Hundredths,
     "brightness of the core", "flBr", ScriptType::Float},
    {"flareFalloff", "Flare", SettingKind::Real, FIELD(flareFalloff), HALVANE_FLARE_FALLOFF_EDIT, HALVANE_FLARE_FALLOFF_SPIN, 0, 100, 0, 100, kCoarseStep, 10.0, "Flare falloff", SettingUnit::Hundredths,
     "how fast the core fades outwards; higher is tighter", "flFo", ScriptType::Float},
    {"flareHue", "Flare", SettingKind::Real, FIELD(flareHue), HALVANE_FLARE_HUE_EDIT, HALVANE_FLARE_HUE_SPIN, 0, 1, 0, 1, kFineStep, 0.05, "Flare hue", SettingUnit::Hue,
     "tint of the core's edge; 0 keeps it white", "flHu", ScriptType::Float},
    {"haloSize", "Halo", SettingKind::Real, FIELD(haloSize), HALVANE_HALO_SIZE_EDIT, HALVANE_HALO_SIZE_SPIN, 0, 100, 0, 100, kCoarseStep, 10.0, "Halo size", SettingUnit::Hundredths,
     "width of the halo ring around the core", "hlSz", ScriptType::Float},
    {"haloBright", "Halo", SettingKind::Real, FIELD(haloBright), HALVANE_HALO_BRIGHT_EDIT, HALVANE_HALO_BRIGHT_SPIN, 0, 100, 0, 100, kCoarseStep, 30.0, "Halo brightness", SettingUnit::Hundredths,
     "brightness of the halo ring", "hlBr", ScriptType::Float},
    {"haloHue", "Halo", SettingKind::Real, FIELD(haloHue), HALVANE_HALO_HUE_EDIT, HALVANE_HALO_HUE_SPIN, 0, 1, 0, 1, kFineStep, 0.05, "Halo hue", SettingUnit::Hue,
     "colour of the halo ring; 0 is white", "hlHu", ScriptType::Float},
    {"reflectionsSize", "Reflections", SettingKind::Real, FIELD(reflectionsSize), HALVANE_REFLECTIONS_SIZE_EDIT, HALVANE_REFLECTIONS_SIZE_SPIN, 0, 100, 0, 100, kCoarseStep, 10.0, "Reflections size", SettingUnit::Hundredths,
     "size of the sixteen reflections", "rfSz", ScriptType::Float},
    {"reflectionsBright", "Reflections", SettingKind::Real, FIELD(reflectionsBright), HALVANE_REFLECTIONS_BRIGHT_EDIT, HALVANE_REFLECTIONS_BRIGHT_SPIN, 0, 100, 0, 100, kCoarseStep, 20.0, "Reflections brightness", SettingUnit::Hundredths,
     "brightness of the reflections", "rfBr", ScriptType::Float},
    {"raysCount", "Rays", SettingKind::WholeReal, FIELD(raysCount), HALVANE_RAYS_COUNT_EDIT, HALVANE_RAYS_COUNT_SPIN, 0, 360, 0, 360, 1, 22.0, "Rays count", SettingUnit::Rays,
     "number of rays around the centre", "ryCt", ScriptType::Integer},
    {"raysBright", "Rays", SettingKind::Real, FIELD(raysBright), HALVANE_RAYS_BRIGHT_EDIT, HALVANE_RAYS_BRIGHT_SPIN, 0, 100, 0, 100, kCoarseStep, 11.0, "Rays brightness", SettingUnit::Hundredths,
     "brightness of the rays", "ryBr", ScriptType::Float},
    {"raysRotate", "Rays", SettingKind::Real, FIELD(raysRotate), HALVANE_RAYS_ROTATE_EDIT, HALVANE_RAYS_ROTATE_SPIN, 0, 360, 0, 360, kCoarseStep, 0.0, "Rays rotation", SettingUnit::Degrees,
     "turns the pattern of rays", "ryRt", ScriptType::Angle},
    {"raysSharp", "Rays", SettingKind::Real, FIELD(raysSharp), HALVANE_RAYS_SHARP_EDIT, HALVANE_RAYS_SHARP_SPIN, 0, 100, 0, 100, kCoarseStep, 100.0, "Rays sharpness", SettingUnit::Hundredths,
     "how narrow each ray is", "rySh", ScriptType::Float},
    {"raysRNoise", "Rays", SettingKind::Real, FIELD(raysRNoise), HALVANE_RAYS_RNOISE_EDIT, HALVANE_RAYS_RNOISE_SPIN, 0, 1, 0, 1, kFineStep, 0.7, "Rays length noise", SettingUnit::Fraction,
     "random variation of the rays' length around the circle; 0 makes them all equal", "ryRN", ScriptType::Float},
    {"raysSNoise", "Rays", SettingKind::Real, FIELD(raysSNoise), HALVANE_RAYS_SNOISE_EDIT, HALVANE_RAYS_SNOISE_SPIN, 0, 1, 0, 1, kFineStep, 0.05, "Rays strength noise", SettingUnit::Fraction,
     "random variation of the rays' brightness around the circle; 0 makes them all equal", "rySN", ScriptType::Float},
    {"raysHue", "Rays", SettingKind::Real, FIELD(raysHue), HALVANE_RAYS_HUE_EDIT, HALVANE_RAYS_HUE_SPIN, 0, 1, 0, 1, kFineStep, 0.0, "Rays hue", SettingUnit::Hue,
     "colour of the rays; 0 is white", "ryHu", ScriptType::Float},
    {"anamorphicBright", "Anamorphic", SettingKind::Real, FIELD(anamorphicBright), HALVANE_ANAMORPHIC_BRIGHT_EDIT, HALVANE_ANAMORPHIC_BRIGHT_SPIN, 0, 100, 0, 100, kCoarseStep, 30.0, "Anamorphic brightness", SettingUnit::Hundredths,
     "brightness of the streak through the centre; 0 turns it off", "anBr", ScriptType::Float},
    {"anamorphicRotate", "Anamorphic", SettingKind::Real, FIELD(anamorphicRotate), HALVANE_ANAMORPHIC_ROTATE_EDIT, HALVANE_ANAMORPHIC_ROTATE_SPIN, 0, 360, 0, 360, kCoarseStep, 0.0, "Anamorphic rotation", SettingUnit::Degrees,
     "angle of the streak; 0 is horizontal", "anRt", ScriptType::Angle},
    {"anamorphicHue", "Anamorphic", SettingKind::Real, FIELD(anamorphicHue), HALVANE_ANAMORPHIC_HUE_EDIT, HALVANE_ANAMORPHIC_HUE_SPIN, 0, 1, 0, 1, kFineStep, 0.7, "Anamorphic hue", SettingUnit::Hue,
     "colour of the streak; 0 is white", "anHu", ScriptType::Float},
    {"positionAspect", "Position", SettingKind::Real, FIELD(positionAspect), HALVANE_POSITION_ASPECT_EDIT, HALVANE_POSITION_ASPECT_SPIN, 0, 100, 0, 10, kFineStep, 1.0, "Position aspect", SettingUnit::Ratio,
     "weight of vertical distance: 1 is round, above 1 squashes the flare vertically", "posA", ScriptType::Float},
};
#undef FIELD

}  // namespace

const SettingsTable kFlareSettings = {kFields, static_cast<int>(sizeof kFields / sizeof kFields[0])};

FilterParameters DefaultFlareParameters() { return DefaultRecord<FilterParameters>(kFlareSettings); }

}  // namespace kelvo::flare
