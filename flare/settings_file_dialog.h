// The platform's open and save dialogs for Halvane's settings files, as the
// settings dialog uses them: one file-dialog record, prepared at every dialog
// start, whose file name buffer keeps the last chosen path while the settings
// dialog stays open.
#pragma once

#include "win32_module.h"

namespace flare {

// Messages of the Load and Save buttons (the module's string table).
enum : int16_t {
    kStringSaveFailed = 5,
    kStringNotSettingsFile = 6,
    kStringCannotOpenSettings = 7,
};

// Fills the record: owner the settings dialog, filter list from string 3 with
// its bars made string ends, the module's folder as the initial folder, an
// empty file name, default extension "lns", options 0x1806.
void PrepareSettingsFileDialogs(HWND dialog);

// Shows the open or the save dialog. Returns the chosen path, or null when the
// user cancelled (or the dialog could not be shown).
const char* ChooseSettingsFileToLoad();
const char* ChooseSettingsFileToSave();

}  // namespace flare
