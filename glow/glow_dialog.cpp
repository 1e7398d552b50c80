// Emberlit's settings dialog (field_dialog.h): the three threshold windows and
// the glow level.
#include <cstddef>

#include "emberlit_controls.h"
#include "field_dialog.h"
#include "glow_parameters.h"

namespace kelvo::glow {

using plugin::DialogSettings;
using plugin::FieldByEditId;
using plugin::FieldDialog;
using plugin::IntegerText;
using plugin::PluginGlobals;
using plugin::ShowFieldValue;

namespace {

// The fill at dialog start: the level, then each colour's upper and lower bound.
constexpr int kFillOrder[] = {EMBERLIT_GLOW_LEVEL_EDIT,  EMBERLIT_RED_UPPER_EDIT,   EMBERLIT_RED_LOWER_EDIT,
                              EMBERLIT_GREEN_UPPER_EDIT, EMBERLIT_GREEN_LOWER_EDIT, EMBERLIT_BLUE_UPPER_EDIT,
                              EMBERLIT_BLUE_LOWER_EDIT};

// The fields in that order; no control is given the focus.
void Fill(HWND dialog, PluginGlobals* globals) {
    const void* record = DialogSettings(globals);
    if (record == nullptr) return;
    for (int id : kFillOrder)
        if (const SettingField* field = FieldByEditId(glow::kGlowSettings, id))
            ShowFieldValue(dialog, *field, record, IntegerText::Unsigned);
}

// Spin arrows step the level within 0..20, though 0..30 can be typed.
const FieldDialog kDialog = {&glow::kGlowSettings, IntegerText::Unsigned, Fill, nullptr, nullptr, nullptr, nullptr};

}  // namespace
}  // namespace kelvo::glow

extern "C" INT_PTR CALLBACK FilterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return kelvo::plugin::FieldDialogProc(kelvo::glow::kDialog, dialog, message, wParam, lParam);
}
