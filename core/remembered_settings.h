// The user's settings as a module remembers them between runs, for hosts that
// hand it no settings record: only the settings of the module's table travel
// between the record and the remembered file, never its run state
// (previewScale, showDialog) or reserved bytes.
#pragma once

#include "settings_table.h"

namespace kelvo {

// Room for the largest remembered file of either module.
constexpr int kRememberedFileRoom = 256;

// Copies every setting of the table from one record to another.
void CopySettings(const SettingsTable& table, const void* from, void* to);

// Copies the table's settings from `remembered` into `record` when every one
// is a finite number within its field's bounds (typed or shown, whichever is
// wider) and a whole number where the field holds whole numbers. Otherwise the
// remembered record is damaged: `record` stays as it was and false is returned.
bool TakeRememberedSettings(const SettingsTable& table, const void* remembered, void* record);

}  // namespace kelvo
