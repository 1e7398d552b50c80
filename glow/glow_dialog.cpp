// Emberlit's settings dialog: the three threshold windows and the glow level
// as edit fields with spin arrows, driven by the settings table, and a live
// preview. Every accepted edit goes straight into the settings record;
// Cancel restores nothing.
#include <cstddef>

#include "dialog_fields.h"
#include "glow_parameters.h"
#include "preview_panel.h"

namespace {

// The fill at dialog start: the level, then each colour's upper and lower bound.
constexpr int kFillOrder[] = {100, 105, 102, 106, 103, 107, 104};

glow::FilterParameters* Settings(PluginGlobals* globals) {
    if (globals == nullptr) return nullptr;
    return static_cast<glow::FilterParameters*>(SettingsBlock(globals->filterRecord));
}

void StartDialog(HWND dialog, PluginGlobals* globals) {
    BeginPreviewStart(dialog, globals);
    if (const glow::FilterParameters* record = Settings(globals)) {
        for (int id : kFillOrder)
            if (const SettingField* field = FieldByEditId(glow::kGlowSettings, id))
                ShowFieldValue(dialog, *field, record, IntegerText::Unsigned);
    }
    EndPreviewStart();
}

INT_PTR OnCommand(HWND dialog, int id, int code) {
    PluginGlobals* globals = previewDialog.globals;
    if (code == EN_SETFOCUS) {
        RefreshPreview(dialog, globals);
        return FALSE;
    }
    if (code == EN_CHANGE) {
        StoreEditedField(dialog, glow::kGlowSettings, id, Settings(globals));
        return FALSE;
    }
    if (id == IDOK || id == IDCANCEL) EndDialog(dialog, id);
    return FALSE;
}

// A spin arrow: the step is computed from the record (the level within 0..20,
// though 0..30 can be typed), shown in the field, and stored by the field's
// change handler.
INT_PTR OnSpin(HWND dialog, WPARAM code, HWND scrollBar) {
    PluginGlobals* globals = previewDialog.globals;
    HandleSpinArrow(dialog, globals, glow::kGlowSettings, Settings(globals), code, scrollBar, IntegerText::Unsigned);
    return TRUE;
}

}  // namespace

extern "C" INT_PTR CALLBACK FilterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            StartDialog(dialog, reinterpret_cast<PluginGlobals*>(lParam));
            return FALSE;  // no control is given the focus
        case WM_PAINT:
            PaintPreview(previewDialog.globals, dialog);
            return FALSE;
        case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        case WM_VSCROLL: return OnSpin(dialog, wParam, reinterpret_cast<HWND>(lParam));
        default: return FALSE;
    }
}
