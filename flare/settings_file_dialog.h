// The platform's open and save dialogs for Halvane's settings files, as the
// settings dialog uses them: one file-dialog record, prepared at every dialog
// start, whose file name buffer keeps the last chosen path while the settings
// dialog stays open. Names are wide in the dialogs and UTF-8 in the answer,
// which the settings-file code opens by its wide name again.
#pragma once

#include "win32_module.h"

namespace kelvo::flare {

// Messages of the Load and Save buttons (the module's string table).
enum : int16_t {
    kStringSaveFailed = 5,
    kStringNotSettingsFile = 6,
    kStringCannotOpenSettings = 7,
    kStringFileDialogFailed = 8,
    kStringFileNameTooLong = 9,
};

// What the open or save dialog came to.
enum class FileChoice {
    Chosen,     // the path is set
    Cancelled,  // the user closed the dialog
    Failed,     // the dialog failed (a name too long, no memory...): tell the user
};

// Fills the record: owner the settings dialog, filter list from string 3 with
// its bars made string ends, the module's folder as the initial folder, an
// empty file name in a buffer of the longest path, default extension "lns",
// options 0x1806, and a hook that refuses names longer than the file dialog
// takes.
void PrepareSettingsFileDialogs(HWND dialog);

// Gives back what PrepareSettingsFileDialogs took, when the settings dialog
// closes.
void ReleaseSettingsFileDialogs();

// Shows the open or the save dialog. On Chosen, `path` is the chosen file's
// UTF-8 path, valid until the next call.
FileChoice ChooseSettingsFileToLoad(const char** path);
FileChoice ChooseSettingsFileToSave(const char** path);

}  // namespace kelvo::flare
