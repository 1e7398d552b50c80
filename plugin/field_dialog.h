// The dialog procedure both modules' settings dialogs share: the fields of the
// module's settings table with their spin arrows, the live preview, OK and
// Cancel. Every accepted edit goes straight into the settings record; Cancel
// restores nothing. What a dialog adds (its fill order, its own buttons) is
// given by a FieldDialog.
#pragma once

#include "dialog_fields.h"

namespace kelvo::plugin {

struct FieldDialog {
    const SettingsTable* table;
    IntegerText form;  // how integer fields are shown
    // Fills the fields at dialog start, while the preview starts.
    void (*fill)(HWND dialog, PluginGlobals* globals);
    // After the start; null: nothing more.
    void (*started)(HWND dialog);
    // A field that takes the focus re-renders the preview; then, when not
    // null, this re-fills the fields.
    void (*refocused)(HWND dialog, PluginGlobals* globals);
    // A command of the dialog's own buttons; null: none.
    void (*command)(HWND dialog, PluginGlobals* globals, int id);
    // When the dialog goes; null: nothing to release.
    void (*destroyed)();
};

// The settings record behind the dialog's globals, or null.
void* DialogSettings(PluginGlobals* globals);

// Answers a message of the dialog as the module's FilterProc.
INT_PTR FieldDialogProc(const FieldDialog& fields, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kelvo::plugin
