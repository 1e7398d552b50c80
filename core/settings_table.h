// Each module declares its settings once, in a table of SettingField rows; the
// defaults, the dialog, the command line's --set and the settings-file code all
// read that table instead of naming fields one by one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvo {

enum class SettingKind : uint8_t {
    Int32,      // an int32 field, typed and shown as a signed integer
    Real,       // a double field, shown with two decimals
    WholeReal,  // a double field that holds whole numbers (typed as an integer)
};

// How a setting travels in a recorded action's descriptor (the aete resource
// declares the same): a whole number, a real, or a real in a unit.
enum class ScriptType : uint8_t {
    Integer,  // 'long'
    Float,    // 'doub'
    Angle,    // unit float in degrees ('#Ang')
    Pixels,   // unit float in pixels ('#Pxl')
};

// What a setting's number counts. UnitText gives the words shown for it.
enum class SettingUnit : uint8_t {
    Pixels,         // "pixels"
    SixteenPixels,  // "16 pixels": 1 is 16 pixels
    Degrees,        // "degrees"
    Rays,           // "rays"
    Ratio,          // "ratio"
    Fraction,       // "0..1"
    Hue,            // "0..1 hue": a place on the colour circle
    Hundredths,     // "0..100"
    Level,          // "0..255": an 8-bit sample value
};

const char* UnitText(SettingUnit unit);

// What a setting is to callers beyond the dialog. The flare centre's
// coordinates take any pixel of an image in kelvo-render and GEGL, and a
// percentage of the image on the command line.
enum class SettingRole : uint8_t {
    None,
    PositionX,  // column of a point in the filtered area
    PositionY,  // row of that point
};

// The pixel coordinates a position setting takes outside the dialog (whose
// narrower ranges are the table's): any pixel of the widest area, and as far
// outside it.
constexpr int32_t kPositionLow = -32768;
constexpr int32_t kPositionHigh = 32767;

struct SettingField {
    const char* name;   // record field name, also the name given to --set
    const char* group;  // dialog group box (the labels are the dialog template's)
    SettingKind kind;
    uint16_t offset;    // byte offset in the settings record
    int16_t editId;     // dialog edit control
    int16_t spinId;     // dialog spin scroll bar
    double typedLow;    // what typing accepts and stores
    double typedHigh;
    double shownLow;    // bounds of the value when shown or stepped
    double shownHigh;
    double spinStep;    // added by the top arrow, subtracted by the bottom one
    double defaultValue;
    const char* title;        // a label that stands on its own, without the group box: "Flare size"
    SettingUnit unit;         // what the number counts
    const char* description;  // one line: what the setting does
    const char* scriptKey;    // four characters, unique within the module: the setting's key in actions
    ScriptType scriptType;
    SettingRole role = SettingRole::None;
};

struct SettingsTable {
    const SettingField* fields;
    int count;
};

// Writes every field's default into the record.
void WriteDefaults(const SettingsTable& table, void* record);

// A record of type R as a filter's first run starts from it: the table's
// defaults, every other field zero (previewScale 0) and showDialog 1.
template <typename R>
R DefaultRecord(const SettingsTable& table) {
    R record{};
    WriteDefaults(table, &record);
    record.showDialog = 1;
    return record;
}

// The field with the given name, or null.
const SettingField* FindSetting(const SettingsTable& table, const char* name);

// Reads or writes a field as a double (int32 fields are converted exactly;
// writing truncates toward zero for them).
double ReadSetting(const SettingField& field, const void* record);
void WriteSetting(const SettingField& field, void* record, double value);

// How many of the table's fields lie wholly within the first `bytes` bytes
// of the record (what a short settings file holds).
int SettingsWithin(const SettingsTable& table, size_t bytes);

// The range a record may hold for the field: the typed and the shown bounds
// together (what the dialog can store by typing or with the arrows).
double RecordLow(const SettingField& field);
double RecordHigh(const SettingField& field);

// Parses a value for the field as a user types it on the command line: the
// whole text, blanks at either end aside, must be a decimal number (a whole
// one, such as 5 or 5.0, for Int32 and WholeReal fields) that lies within the
// field's typed bounds; reals too small for a double count as their nearest
// double (1e-320 is kept, 1e-400 is 0). Returns false otherwise.
bool ParseSettingValue(const SettingField& field, const char* text, double* value);

}  // namespace kelvo
