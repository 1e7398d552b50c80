// The numeric fields of a settings dialog, driven by the module's settings
// table: each field's edit control shows, stores and steps its record field
// by the rules of dialog_values.h.
#pragma once

#include "dialog_values.h"
#include "plugin.h"
#include "win32_module.h"

namespace kelvo::plugin {

// Writes the field's fill text into its edit control. The control reports the
// change, and the dialog's change handler stores the shown value.
void ShowFieldValue(HWND dialog, const SettingField& field, const void* record, IntegerText form);

// An edit control's change: reads the text of the table's field with that
// edit id (at most 31 characters) and stores it into the record if the
// field's rules accept it. Other ids, and a missing record, change nothing.
bool StoreEditedField(HWND dialog, const SettingsTable& table, int editId, void* record);

// A spin arrow's scroll message. A line step (SB_LINEUP +1, SB_LINEDOWN -1) is
// computed from the record, written into the field, whose change handler
// stores it, and gives that field the focus; the release (SB_ENDSCROLL)
// re-renders the preview. Other codes, and a bar or record that is missing,
// change nothing.
void HandleSpinArrow(HWND dialog, PluginGlobals* globals, const SettingsTable& table, const void* record, WPARAM code,
                     HWND scrollBar, IntegerText form);

}  // namespace kelvo::plugin
