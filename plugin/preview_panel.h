// The settings dialogs' preview panel, shared by both modules: the dialog
// state it reads, the start of the preview at dialog initialisation, the
// paint and the refresh. The preview area is the dialog control 101.
#pragma once

#include "preview_control.h"
#include "win32_module.h"

namespace kelvo::plugin {

// The control that marks the preview area in both dialogs.
constexpr int kPreviewControlId = KELVO_PREVIEW_CONTROL;

// Module-level state of the one open dialog; replaced at each dialog start.
struct PreviewDialogState {
    PluginGlobals* globals = nullptr;  // received at dialog start
    bool initialising = false;         // set while WM_INITDIALOG is handled
    HCURSOR waitCursor = nullptr;      // the system's wait cursor
    bool previewReady = false;         // the request returned 0 with usable buffers
};
extern PreviewDialogState previewDialog;

// The first steps of dialog start in both modules: sets the initialising
// flag, keeps the globals, loads the wait cursor, measures the preview frame,
// asks the host for the reduced copy and renders it once if that worked.
// The caller fills its fields and clears the flag (EndPreviewStart).
void BeginPreviewStart(HWND dialog, PluginGlobals* globals);
inline void EndPreviewStart() { previewDialog.initialising = false; }

// Control 101's window rectangle in screen coordinates, and in the dialog's
// client coordinates (preview_frame.cpp).
RECT PreviewBox(HWND dialog);
RECT PreviewBoxClient(HWND dialog);

// Stores the rectangle of control 101, in the dialog's client coordinates,
// into rect (left, top, right, bottom).
void GetPreviewFrame(HWND dialog, Rect* rect);

// Handles WM_PAINT: the preview image centred in control 101 with a one-pixel
// black frame just outside it, drawn by the host's displayPixels. Without a
// usable preview, a white, framed area with the text "Preview not available"
// (string 4) instead; stale or uninitialised pixels are never shown. The
// dialog procedure then answers FALSE.
void PaintPreview(PluginGlobals* globals, HWND dialog);

// Re-renders the preview with the module's renderer (not while initialising,
// and only when the preview is ready) under the wait cursor, and invalidates
// control 101's rectangle without erasing, so that the next paint shows it.
void RefreshPreview(HWND dialog, PluginGlobals* globals);

// A modal message box owned by the dialog: text from the module's string
// table, caption string 2, an OK button and the given icon (MB_ICON...).
void ShowDialogMessage(HWND dialog, int16_t stringId, UINT icon);

}  // namespace kelvo::plugin
