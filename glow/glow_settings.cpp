#include <cstddef>

#include "glow_parameters.h"

namespace glow {
namespace {

#define FIELD(f) static_cast<uint16_t>(offsetof(FilterParameters, f))
constexpr SettingField kFields[] = {
    // name, group, label, kind, offset, edit, spin, typed, shown/stepped, step, default,
    // then the title, unit and description that stand without the dialog
    {"redUpper", "Threshold", "Red: Upper", SettingKind::Int32, FIELD(redUpper), 105, 1021, 0, 255, 0, 255, 1, 255, "Red upper", "0..255",
     "highest red value that glows"},
    {"greenUpper", "Threshold", "Green: Upper", SettingKind::Int32, FIELD(greenUpper), 106, 1022, 0, 255, 0, 255, 1, 255, "Green upper", "0..255",
     "highest green value that glows"},
    {"blueUpper", "Threshold", "Blue: Upper", SettingKind::Int32, FIELD(blueUpper), 107, 1023, 0, 255, 0, 255, 1, 255, "Blue upper", "0..255",
     "highest blue value that glows"},
    {"redLower", "Threshold", "Red: Lower", SettingKind::Int32, FIELD(redLower), 102, 1018, 0, 255, 0, 255, 1, 250, "Red lower", "0..255",
     "lowest red value that glows"},
    {"greenLower", "Threshold", "Green: Lower", SettingKind::Int32, FIELD(greenLower), 103, 1019, 0, 255, 0, 255, 1, 250, "Green lower", "0..255",
     "lowest green value that glows"},
    {"blueLower", "Threshold", "Blue: Lower", SettingKind::Int32, FIELD(blueLower), 104, 1020, 0, 255, 0, 255, 1, 250, "Blue lower", "0..255",
     "lowest blue value that glows"},
    {"glowLevel", "Glow", "Level:", SettingKind::Int32, FIELD(glowLevel), 100, 1017, 0, 30, 0, 20, 1, 10, "Glow level", "pixels",
     "radius of the glow around each selected pixel"},
};
#undef FIELD

}  // namespace

const SettingsTable kGlowSettings = {kFields, static_cast<int>(sizeof kFields / sizeof kFields[0])};

FilterParameters DefaultGlowParameters() {
    FilterParameters p{};
    WriteDefaults(kGlowSettings, &p);
    p.showDialog = 1;
    return p;
}

}  // namespace glow
