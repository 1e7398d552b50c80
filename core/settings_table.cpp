#include "settings_table.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kelvo {

void WriteDefaults(const SettingsTable& table, void* record) {
    for (int i = 0; i < table.count; ++i) WriteSetting(table.fields[i], record, table.fields[i].defaultValue);
}

const SettingField* FindSetting(const SettingsTable& table, const char* name) {
    if (name == nullptr) return nullptr;
    for (int i = 0; i < table.count; ++i)
        if (std::strcmp(table.fields[i].name, name) == 0) return &table.fields[i];
    return nullptr;
}

int SettingsWithin(const SettingsTable& table, size_t bytes) {
    int count = 0;
    for (int i = 0; i < table.count; ++i) {
        const SettingField& field = table.fields[i];
        const size_t size = field.kind == SettingKind::Int32 ? sizeof(int32_t) : sizeof(double);
        if (field.offset + size <= bytes) ++count;
    }
    return count;
}

double RecordLow(const SettingField& field) { return std::fmin(field.typedLow, field.shownLow); }
double RecordHigh(const SettingField& field) { return std::fmax(field.typedHigh, field.shownHigh); }

double ReadSetting(const SettingField& field, const void* record) {
    const auto* bytes = static_cast<const unsigned char*>(record) + field.offset;
    if (field.kind == SettingKind::Int32) {
        int32_t v;
        std::memcpy(&v, bytes, sizeof v);
        return v;
    }
    double v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

void WriteSetting(const SettingField& field, void* record, double value) {
    auto* bytes = static_cast<unsigned char*>(record) + field.offset;
    if (field.kind == SettingKind::Int32) {
        const int32_t v = static_cast<int32_t>(value);
        std::memcpy(bytes, &v, sizeof v);
        return;
    }
    std::memcpy(bytes, &value, sizeof value);
}

bool ParseSettingValue(const SettingField& field, const char* text, double* value) {
    if (text == nullptr) return false;
    // Blanks around the number are ignored, at either end.
    const char* first = text;
    while (*first == ' ' || *first == '\t') ++first;
    const char* last = first + std::strlen(first);
    while (last > first && (last[-1] == ' ' || last[-1] == '\t')) --last;
    if (first == last) return false;
    // A plain decimal number: digits, sign, point, exponent; no hexadecimal,
    // no "inf" or "nan".
    for (const char* c = first; c != last; ++c)
        if (std::strchr("0123456789+-.eE", *c) == nullptr) return false;

    // strtod stops at the first blank after the number, at `last` at the
    // latest. An overflow gives an infinity; an underflow (1e-320) gives the
    // nearest double, tiny or zero, which is kept.
    char* end = nullptr;
    double v = std::strtod(first, &end);
    if (end != last || !std::isfinite(v)) return false;
    // Whole-number fields take whole values in any spelling: 5, 5.0, 5e0.
    if (field.kind != SettingKind::Real && v != std::trunc(v)) return false;
    if (!(v >= field.typedLow && v <= field.typedHigh)) return false;
    if (v == 0) v = 0;  // -0 is stored as 0
    *value = v;
    return true;
}

const char* UnitText(SettingUnit unit) {
    switch (unit) {
        case SettingUnit::Pixels: return "pixels";
        case SettingUnit::SixteenPixels: return "16 pixels";
        case SettingUnit::Degrees: return "degrees";
        case SettingUnit::Rays: return "rays";
        case SettingUnit::Ratio: return "ratio";
        case SettingUnit::Fraction: return "0..1";
        case SettingUnit::Hue: return "0..1 hue";
        case SettingUnit::Hundredths: return "0..100";
        case SettingUnit::Level: return "0..255";
    }
    return "";
}

}  // namespace kelvo
