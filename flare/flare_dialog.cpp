// Halvane's settings dialog: the 22 lens-flare settings as edit fields with
// spin arrows, driven by the settings table, a live preview, and the Load and
// Save buttons for settings files. Every accepted edit goes straight into the
// settings record; Cancel restores nothing.
#include <initializer_list>

#include "dialog_fields.h"
#include "flare_parameters.h"
#include "preview_panel.h"
#include "settings_file.h"
#include "settings_file_dialog.h"

namespace {

constexpr int kPositionXEdit = 113;
constexpr int kTypeCombo = 141;
constexpr wchar_t kTypeText[] = L"Type 1";

flare::FilterParameters* Settings(PluginGlobals* globals) {
    if (globals == nullptr) return nullptr;
    return static_cast<flare::FilterParameters*>(SettingsBlock(globals->filterRecord));
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
    SetDlgItemTextW(dialog, kTypeCombo, kTypeText);
}

void StartDialog(HWND dialog, PluginGlobals* globals) {
    BeginPreviewStart(dialog, globals);
    SendDlgItemMessageW(dialog, kTypeCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kTypeText));
    FillFields(dialog, globals);
    SetFocus(GetDlgItem(dialog, kPositionXEdit));
    EndPreviewStart();
    flare::PrepareSettingsFileDialogs(dialog);
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

INT_PTR OnCommand(HWND dialog, int id, int code) {
    PluginGlobals* globals = previewDialog.globals;
    if (code == EN_SETFOCUS) {
        RefreshPreview(dialog, globals);
        FillFields(dialog, globals);
        return FALSE;
    }
    if (code == EN_CHANGE) {
        StoreEditedField(dialog, flare::kFlareSettings, id, Settings(globals));
        return TRUE;
    }
    switch (id) {
        case IDOK: EndDialog(dialog, IDOK); break;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
        case flare::kLoadSettingsButton: LoadSettings(dialog, globals); break;
        case flare::kSaveSettingsButton: SaveSettings(dialog, globals); break;
        default: break;
    }
    return FALSE;
}

// A spin arrow: the step is computed from the record, shown in the field, and
// reaches the record only through the field's change handler.
INT_PTR OnSpin(HWND dialog, WPARAM code, HWND scrollBar) {
    PluginGlobals* globals = previewDialog.globals;
    HandleSpinArrow(dialog, globals, flare::kFlareSettings, Settings(globals), code, scrollBar, IntegerText::Signed);
    return TRUE;
}

}  // namespace

extern "C" INT_PTR CALLBACK FilterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            StartDialog(dialog, reinterpret_cast<PluginGlobals*>(lParam));
            return FALSE;  // the focus is on X
        case WM_PAINT:
            PaintPreview(previewDialog.globals, dialog);
            return FALSE;
        case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        case WM_VSCROLL: return OnSpin(dialog, wParam, reinterpret_cast<HWND>(lParam));
        case WM_DESTROY:
            flare::ReleaseSettingsFileDialogs();
            return FALSE;
        default: return FALSE;
    }
}
