#include "remembered_settings.h"

#include <cmath>

namespace kelvo {

void CopySettings(const SettingsTable& table, const void* from, void* to) {
    for (int i = 0; i < table.count; ++i) WriteSetting(table.fields[i], to, ReadSetting(table.fields[i], from));
}

bool TakeRememberedSettings(const SettingsTable& table, const void* remembered, void* record) {
    for (int i = 0; i < table.count; ++i) {
        const SettingField& field = table.fields[i];
        const double v = ReadSetting(field, remembered);
        const double low = RecordLow(field);
        const double high = RecordHigh(field);
        // NaN fails both comparisons.
        if (!(v >= low && v <= high)) return false;
        if (field.kind == SettingKind::WholeReal && v != std::trunc(v)) return false;
    }
    CopySettings(table, remembered, record);
    return true;
}

}  // namespace kelvo
