#include "dialog_fields.h"

#include "preview_panel.h"

void ShowFieldValue(HWND dialog, const SettingField& field, const void* record, IntegerText form) {
    char text[kFieldTextSize];
    FieldFillText(field, record, form, text);
    SetDlgItemTextA(dialog, field.editId, text);
}

void ShowSteppedValue(HWND dialog, const SettingField& field, const void* record, int32_t delta, IntegerText form) {
    char text[kFieldTextSize];
    FieldStepText(field, record, delta, form, text);
    SetDlgItemTextA(dialog, field.editId, text);
}

bool StoreEditedValue(HWND dialog, const SettingField& field, void* record) {
    char text[kFieldTextSize] = "";
    GetDlgItemTextA(dialog, field.editId, text, static_cast<int>(kFieldTextSize));
    return StoreFieldText(field, record, text);
}

void HandleSpinArrow(HWND dialog, PluginGlobals* globals, const SettingsTable& table, const void* record, WPARAM code,
                     HWND scrollBar, IntegerText form) {
    if (code == SB_ENDSCROLL) {
        RefreshPreview(dialog, globals);
        return;
    }
    const int32_t delta = code == SB_LINEUP ? 1 : code == SB_LINEDOWN ? -1 : 0;
    const SettingField* field = FieldBySpinId(table, GetDlgCtrlID(scrollBar));
    if (delta == 0 || field == nullptr || record == nullptr) return;
    ShowSteppedValue(dialog, *field, record, delta, form);
    SetFocus(GetDlgItem(dialog, field->editId));
}
