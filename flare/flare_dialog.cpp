// Halvane's settings dialog (field_dialog.h): the 22 lens-flare settings, a
// type box, and the Load and Save buttons for settings files. A field that
// takes the focus re-fills every field.
#include <initializer_list>

#include "field_dialog.h"
#include "halvane_controls.h"
#include "flare_parameters.h"
#include "preview_panel.h"
#include "settings_file.h"
#include "settings_file_dialog.h"

namespace kelvo::flare {

using plugin::DialogSettings;
using plugin::FieldDialog;
using plugin::IntegerText;
using plugin::PluginGlobals;
using plugin::RefreshPreview;
using plugin::ShowDialogMessage;
using plugin::ShowFieldValue;

namespace {

constexpr wchar_t kTypeText[] = L"Type 1";

flare::FilterParameters* Settings(PluginGlobals* globals) {
    return static_cast<flare::FilterParameters*>(DialogSettings(globals));
}

// Writes every field from the record: the integers X, Y and Count first,
// then the reals, each group in table order (Aspect last). Each write stores
// the shown value back, so afterwards every real setting is clamped to its
// shown bounds and rounded to two decimals.
void FillFields(HWND dialog, PluginGlobals* globals) {
    const flare::FilterParameters* record = Settings(globals);
    if (record == nullptr) return;
    for (bool reals : {false, true}) {
        for (int i = 0; i < flare::kFlareSettings.count; ++i) {
            const SettingField& field = flare::kFlareSettings.fields[i];
            if ((field.kind == SettingKind::Real) == reals) ShowFieldValue(dialog, field, record, IntegerText::Signed);
        }
    }
    SetDlgItemTextW(dialog, HALVANE_TYPE_COMBO, kTypeText);
}

// The type box, the fields, and the focus on X.
void Fill(HWND dialog, PluginGlobals* globals) {
    SendDlgItemMessageW(dialog, HALVANE_TYPE_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kTypeText));
    FillFields(dialog, globals);
    SetFocus(GetDlgItem(dialog, HALVANE_POSITION_X_EDIT));
}

// A file dialog that failed (not the user's Cancel) is explained: nothing
// was loaded or saved. Returns whether a file was chosen.
bool Chosen(HWND dialog, flare::FileChoice choice) {
    if (choice == flare::FileChoice::Failed)
        ShowDialogMessage(dialog, flare::kStringFileDialogFailed, MB_ICONEXCLAMATION);
    return choice == flare::FileChoice::Chosen;
}

// Loads a chosen file, re-fills the fields (which clamps what was loaded) and
// re-renders. A file that left the record unchanged is explained.
void LoadSettings(HWND dialog, PluginGlobals* globals) {
    const char* path = nullptr;
    if (!Chosen(dialog, flare::ChooseSettingsFileToLoad(&path))) return;
    flare::FilterParameters* record = Settings(globals);
    if (record == nullptr) return;
    const flare::SettingsFileRead outcome = flare::ReadSettingsFile(path, record);
    FillFields(dialog, globals);
    RefreshPreview(dialog, globals);
    if (outcome == flare::SettingsFileRead::NotSettingsFile)
        ShowDialogMessage(dialog, flare::kStringNotSettingsFile, MB_ICONEXCLAMATION);
    else if (outcome == flare::SettingsFileRead::CannotOpen)
        ShowDialogMessage(dialog, flare::kStringCannotOpenSettings, MB_ICONEXCLAMATION);
}

void SaveSettings(HWND dialog, PluginGlobals* globals) {
    const char* path = nullptr;
    if (!Chosen(dialog, flare::ChooseSettingsFileToSave(&path))) return;
    const flare::FilterParameters* record = Settings(globals);
    if (record == nullptr) return;
    if (!flare::SaveSettingsFile(path, *record, nullptr, 0)) ShowDialogMessage(dialog, flare::kStringSaveFailed, MB_ICONERROR);
}

void OnButton(HWND dialog, PluginGlobals* globals, int id) {
    if (id == flare::kLoadSettingsButton) LoadSettings(dialog, globals);
    if (id == flare::kSaveSettingsButton) SaveSettings(dialog, globals);
}

const FieldDialog kDialog = {
    &flare::kFlareSettings, IntegerText::Signed, Fill, flare::PrepareSettingsFileDialogs,
    FillFields, OnButton, flare::ReleaseSettingsFileDialogs,
};

}  // namespace
}  // namespace kelvo::flare

extern "C" INT_PTR CALLBACK FilterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return kelvo::plugin::FieldDialogProc(kelvo::flare::kDialog, dialog, message, wParam, lParam);
}
