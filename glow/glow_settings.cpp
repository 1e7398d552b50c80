#include <cstddef>

#include "emberlit_controls.h"
#include "glow_parameters.h"

namespace kelvo::glow {
namespace {

#define FIELD(f) static_cast<uint16_t>(offsetof(FilterParameters, f))
constexpr SettingField kFields[] = {
    // name, group, kind, offset, edit, spin, typed, shown/stepped, step, default,
    // then the title, unit and description that stand without the dialog, and
    // the key and type under which actions record the setting
    {"redUpper", "Threshold", SettingKind::Int32, FIELD(redUpper), EMBERLIT_RED_UPPER_EDIT, EMBERLIT_RED_UPPER_SPIN, 0, 255, 0, 255, 1, 255, "Red upper", SettingUnit::Level,
     "highest red value that glows", "rdUp", ScriptType::Integer},
    {"greenUpper", "Threshold", SettingKind::Int32, FIELD(greenUpper), EMBERLIT_GREEN_UPPER_EDIT, EMBERLIT_GREEN_UPPER_SPIN, 0, 255, 0, 255, 1, 255, "Green upper", SettingUnit::Level,
     "highest green value that glows", "grUp", ScriptType::Integer},
    {"blueUpper", "Threshold", SettingKind::Int32, FIELD(blueUpper), EMBERLIT_BLUE_UPPER_EDIT, EMBERLIT_BLUE_UPPER_SPIN, 0, 255, 0, 255, 1, 255, "Blue upper", SettingUnit::Level,
     "highest blue value that glows", "blUp", ScriptType::Integer},
    {"redLower", "Threshold", SettingKind::Int32, FIELD(redLower), EMBERLIT_RED_LOWER_EDIT, EMBERLIT_RED_LOWER_SPIN, 0, 255, 0, 255, 1, 250, "Red lower", SettingUnit::Level,
     "lowest red value that glows", "rdLw", ScriptType::Integer},
    {"greenLower", "Threshold", SettingKind::Int32, FIELD(greenLower), EMBERLIT_GREEN_LOWER_EDIT, EMBERLIT_GREEN_LOWER_SPIN, 0, 255, 0, 255, 1, 250, "Green lower", SettingUnit::Level,
     "lowest green value that glows", "grLw", ScriptType::Integer},
    {"blueLower", "Threshold", SettingKind::Int32, FIELD(blueLower), EMBERLIT_BLUE_LOWER_EDIT, EMBERLIT_BLUE_LOWER_SPIN, 0, 255, 0, 255, 1, 250, "Blue lower", SettingUnit::Level,
     "lowest blue value that glows", "blLw", ScriptType::Integer},
    {"glowLevel", "Glow", SettingKind::Int32, FIELD(glowLevel), EMBERLIT_GLOW_LEVEL_EDIT, EMBERLIT_GLOW_LEVEL_SPIN, 0, 30, 0, 20, 1, 10, "Glow level", SettingUnit::Pixels,
     "radius of the glow around each selected pixel", "glLv", ScriptType::Pixels},
};
#undef FIELD

}  // namespace

static_assert(sizeof kFields / sizeof kFields[0] == kGlowSettingCount, "one row per setting");
const SettingsTable kGlowSettings = {kFields, kGlowSettingCount};

FilterParameters DefaultGlowParameters() { return DefaultRecord<FilterParameters>(kGlowSettings); }

}  // namespace kelvo::glow
