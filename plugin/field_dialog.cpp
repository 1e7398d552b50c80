#include "field_dialog.h"

#include "preview_panel.h"

namespace kelvo::plugin {

namespace {

void StartDialog(const FieldDialog& fields, HWND dialog, PluginGlobals* globals) {
    BeginPreviewStart(dialog, globals);
    fields.fill(dialog, globals);
    EndPreviewStart();
    if (fields.started != nullptr) fields.started(dialog);
}

INT_PTR OnCommand(const FieldDialog& fields, HWND dialog, int id, int code) {
    PluginGlobals* globals = previewDialog.globals;
    if (code == EN_SETFOCUS) {
        RefreshPreview(dialog, globals);
        if (fields.refocused != nullptr) fields.refocused(dialog, globals);
        return FALSE;
    }
    if (code == EN_CHANGE) {
        StoreEditedField(dialog, *fields.table, id, DialogSettings(globals));
        return FALSE;
    }
    if (id == IDOK || id == IDCANCEL)
        EndDialog(dialog, id);
    else if (fields.command != nullptr)
        fields.command(dialog, globals, id);
    return FALSE;
}

}  // namespace

void* DialogSettings(PluginGlobals* globals) {
    return globals != nullptr ? SettingsBlock(globals->filterRecord) : nullptr;
}

INT_PTR FieldDialogProc(const FieldDialog& fields, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            StartDialog(fields, dialog, reinterpret_cast<PluginGlobals*>(lParam));
            return FALSE;  // the fill sets the focus where it wants one
        case WM_PAINT:
            PaintPreview(previewDialog.globals, dialog);
            return FALSE;
        case WM_COMMAND: return OnCommand(fields, dialog, LOWORD(wParam), HIWORD(wParam));
        case WM_VSCROLL: {
            // A spin arrow: the step is computed from the record, shown in the
            // field, and reaches the record through the field's change handler.
            PluginGlobals* globals = previewDialog.globals;
            HandleSpinArrow(dialog, globals, *fields.table, DialogSettings(globals), wParam,
                            reinterpret_cast<HWND>(lParam), fields.form);
            return TRUE;
        }
        case WM_DESTROY:
            if (fields.destroyed != nullptr) fields.destroyed();
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace kelvo::plugin
