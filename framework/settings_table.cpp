#include "settings_table.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

void WriteDefaults(const SettingsTable& table, void* record) {
    for (int i = 0; i < table.count; ++i) WriteSetting(table.fields[i], record, table.fields[i].defaultValue);
}

const SettingField* FindSetting(const SettingsTable& table, const char* name) {
    if (name == nullptr) return nullptr;
    for (int i = 0; i < table.count; ++i)
        if (std::strcmp(table.fields[i].name, name) == 0) return &table.fields[i];
    return nullptr;
}

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
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    double v;
    if (field.kind == SettingKind::Real) {
        v = std::strtod(text, &end);
        if (!std::isfinite(v)) return false;
    } else {
        const long n = std::strtol(text, &end, 10);
        v = static_cast<double>(n);
    }
    if (end == text || *end != '\0' || errno == ERANGE) return false;
    if (!(v >= field.typedLow && v <= field.typedHigh)) return false;
    *value = v;
    return true;
}
