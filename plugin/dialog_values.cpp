#include "dialog_values.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelvo::plugin {

int32_t StepValue(int32_t current, int32_t low, int32_t high, int32_t delta) {
    if (current <= low && delta < 0) return low;
    if (current >= high && delta > 0) return high;
    return static_cast<int32_t>(static_cast<int64_t>(current) + delta);
}

double ReadRealText(const char* text, double low, double high) {
    char limited[kFieldTextSize];
    std::snprintf(limited, sizeof limited, "%s", text != nullptr ? text : "");
    const double v = std::atof(limited);
    if (!(v > low)) return low;
    if (!(v < high)) return high;
    return v;
}

bool ParseWholeText(const char* text, int32_t low, int32_t high, int32_t* value) {
    if (text == nullptr) return false;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == nullptr || *end != '\0') return false;
    if (v < low || v > high) return false;
    *value = static_cast<int32_t>(v);
    return true;
}

void FormatShownReal(double value, double low, double high, char (&text)[kFieldTextSize]) {
    // The bounds are exact in single precision, so clamping before the
    // conversion gives what clamping the converted value gives, without
    // converting a double that a float cannot hold.
    const float lo = static_cast<float>(low), hi = static_cast<float>(high);
    double v = value;
    if (std::isnan(v) || v < lo) v = lo;
    if (v > hi) v = hi;
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(static_cast<float>(v)));
}

int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value <= -2147483648.0) return INT32_MIN;
    if (value >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(value);
}

namespace {

void FormatInteger(int32_t value, IntegerText form, char (&text)[kFieldTextSize]) {
    if (form == IntegerText::Unsigned)
        std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(static_cast<uint32_t>(value)));
    else
        std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
}

}  // namespace

void FieldFillText(const SettingField& field, const void* record, IntegerText form, char (&text)[kFieldTextSize]) {
    const double v = ReadSetting(field, record);
    if (field.kind == SettingKind::Real)
        FormatShownReal(v, field.shownLow, field.shownHigh, text);
    else
        FormatInteger(TruncateToInt32(v), form, text);
}

void FieldStepText(const SettingField& field, const void* record, int32_t delta, IntegerText form,
                   char (&text)[kFieldTextSize]) {
    const double v = ReadSetting(field, record);
    if (field.kind == SettingKind::Real) {
        FormatShownReal(v + delta * field.spinStep, field.shownLow, field.shownHigh, text);
        return;
    }
    const int32_t stepped = StepValue(TruncateToInt32(v), static_cast<int32_t>(field.shownLow),
                                      static_cast<int32_t>(field.shownHigh), delta);
    FormatInteger(stepped, form, text);
}

bool StoreFieldText(const SettingField& field, void* record, const char* text) {
    if (field.kind == SettingKind::Real) {
        WriteSetting(field, record, ReadRealText(text, field.typedLow, field.typedHigh));
        return true;
    }
    int32_t v = 0;
    if (!ParseWholeText(text, static_cast<int32_t>(field.typedLow), static_cast<int32_t>(field.typedHigh), &v))
        return false;
    WriteSetting(field, record, v);
    return true;
}

const SettingField* FieldByEditId(const SettingsTable& table, int id) {
    for (int i = 0; i < table.count; ++i)
        if (table.fields[i].editId == id) return &table.fields[i];
    return nullptr;
}

const SettingField* FieldBySpinId(const SettingsTable& table, int id) {
    for (int i = 0; i < table.count; ++i)
        if (table.fields[i].spinId == id) return &table.fields[i];
    return nullptr;
}

}  // namespace kelvo::plugin
