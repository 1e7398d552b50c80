#include "dialog_fields.h"

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
