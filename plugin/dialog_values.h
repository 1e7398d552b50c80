// What the settings dialogs' numeric fields accept, show and step to: the
// text rules of the edit fields and the clamped step of the spin arrows,
// driven by the module's settings table. Portable; the dialogs only move the
// texts in and out of their controls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings_table.h"

namespace kelvo::plugin {

// A field's text as the dialogs read and write it: at most 31 characters.
constexpr size_t kFieldTextSize = 32;

// How a dialog writes integer fields: Halvane signed, Emberlit unsigned.
enum class IntegerText : uint8_t { Signed, Unsigned };

// The spin arrow's step: low when current is at or below low and delta is
// negative, high when current is at or above high and delta is positive,
// current + delta otherwise. A value beyond a bound is pulled back only by a
// step towards the outside (0..20: 25 up gives 20, 25 down gives 24).
int32_t StepValue(int32_t current, int32_t low, int32_t high, int32_t delta);

// A typed real: the text converted as atof does (leading blanks skipped,
// trailing characters ignored, no digits give 0), then low if the number is
// not above low (NaN included), high if it is not below high.
double ReadRealText(const char* text, double low, double high);

// A typed integer: converted as strtol does with base 10 (leading blanks and
// one sign accepted) and accepted only when the conversion used the whole
// text and the value lies in low..high. An empty text is 0.
bool ParseWholeText(const char* text, int32_t low, int32_t high, int32_t* value);

// A real as the dialog shows it: value and bounds in single precision, the
// value raised to low or lowered to high, written with "%.2f". NaN shows as
// low.
void FormatShownReal(double value, double low, double high, char (&text)[kFieldTextSize]);

// A double truncated toward zero to an int32, saturating at the int32 range;
// NaN gives 0 (a damaged settings file can hold anything).
int32_t TruncateToInt32(double value);

// The field's text when the dialog fills its fields from the record.
void FieldFillText(const SettingField& field, const void* record, IntegerText form, char (&text)[kFieldTextSize]);

// The field's text after one spin step (delta +1 for the top arrow, -1 for
// the bottom one), computed from the record: integers by StepValue within
// the shown bounds, reals by adding delta times the field's (single-
// precision) step and showing the sum within the shown bounds.
void FieldStepText(const SettingField& field, const void* record, int32_t delta, IntegerText form,
                   char (&text)[kFieldTextSize]);

// Stores a field's changed text into the record: reals always (clamped to
// the typed bounds), integers only when ParseWholeText accepts them within
// the typed bounds. Returns whether the record was written.
bool StoreFieldText(const SettingField& field, void* record, const char* text);

// The table row whose edit control, or spin scroll bar, has the given id.
const SettingField* FieldByEditId(const SettingsTable& table, int id);
const SettingField* FieldBySpinId(const SettingsTable& table, int id);

}  // namespace kelvo::plugin
