#include "dialog_fields.h"

#include "preview_panel.h"

namespace kelvo::plugin {

void ShowFieldValue(HWND dialog, const SettingField& field, const void* record, IntegerText form) {
    char text[kFieldTextSize];
    FieldFillText(field, record, form, text);
    SetDlgItemTextA(dialog, field.editId, text);
}

bool StoreEditedField(HWND dialog, const SettingsTable& table, int editId, void* record) {
    const SettingField* field = FieldByEditId(table, editId);
    if (field == nullptr || record == nullptr) return false;
    char text[kFieldTextSize] = "";
    GetDlgItemTextA(dialog, field->editId, text, static_cast<int>(kFieldTextSize));
    return StoreFieldText(*field, record, text);
}

namespace {

// Writes the text of one spin step (delta +1 or -1) from the record's value.
void ShowSteppedValue(HWND dialog, const SettingField& field, const void* record, int32_t delta, IntegerText form) {
    char text[kFieldTextSize];
    FieldStepText(field, record, delta, form, text);
    SetDlgItemTextA(dialog, field.editId, text);
}

}  // namespace

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

}  // namespace kelvo::plugin
