// Operating a module's dialog like a person: real keyboard and mouse input
// (SendInput) into the dialog the module shows, from a thread of its own while
// the dialog's modal loop runs on the host's thread.
//
// A DialogScript (host.h) receives a DialogDriver once the filter dialog is up
// and has painted. Every action waits until the dialog has taken the input it
// sent and is idle again (its thread back in its message loop), so that what
// the script reads next is what a person would see after the action.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host.h"

namespace kelvo::host {

struct DialogThreadState;

class DialogDriver {
public:
    DialogDriver(HostSession* session, HWND dialog, DialogThreadState* state);

    HWND Dialog() const { return dialog_; }
    HWND Item(int id) const;
    // Still open (not ended by the module).
    bool Open() const;

    // ---- Keyboard, into whatever has the focus -------------------------------
    void Type(const std::wstring& text);  // characters as key presses
    void Key(WORD vk, bool shift = false, bool control = false);
    void Tab() { Key(VK_TAB); }
    void ShiftTab() { Key(VK_TAB, true); }
    void Enter() { Key(VK_RETURN); }
    void Escape() { Key(VK_ESCAPE); }
    void Backspace(int times = 1);

    // ---- Mouse -------------------------------------------------------------------
    // Press and release the left button over the centre of control `id`.
    void Click(int id);
    // ... at a point of a window's client area.
    void ClickAt(HWND window, int x, int y);
    // Press and release on the top (up) or bottom (down) arrow of a vertical
    // scroll bar: the bar sends SB_LINEUP / SB_LINEDOWN, then SB_ENDSCROLL.
    void SpinUp(int spinId, int times = 1);
    void SpinDown(int spinId, int times = 1);

    // ---- A field, as a person edits it ------------------------------------------
    // Clicks into the edit, selects its whole text (End, Shift+Home) and types
    // the new text over it; an empty text deletes the selection.
    void Replace(int editId, const std::wstring& text);

    // ---- Reading back --------------------------------------------------------------
    std::wstring Text(int id) const;
    int FocusedId() const;  // control id of the focused window, -1 if none of ours
    std::vector<uint8_t> SettingsBytes() const;
    size_t DisplayCount() const;
    DisplayCall LastDisplay() const;
    size_t ProgressCount() const;
    // The report as it is now (read while the dialog is idle).
    RunReport Report() const;
    FilterRecord* Record() const;

    // ---- The platform's file dialogs and message boxes -------------------------------
    // Waits for a dialog window the filter dialog opened (an open or save
    // dialog, or a message box over one: the innermost); null after the timeout.
    HWND WaitForOwnedDialog(DWORD timeoutMs = 5000);
    // Waits for the open or save dialog, types the path into its file name
    // field and presses Enter. False when no file dialog came.
    bool AnswerFileDialog(const std::wstring& path);
    // Waits for the file dialog and presses Escape.
    bool CancelFileDialog();
    // Text of a message box window (its static text) and its caption.
    static std::wstring BoxText(HWND box);
    // Presses a button of a box or dialog that is up, by id (IDYES, IDOK...).
    void ClickButtonOf(HWND window, int id);

    // ---- Pictures -------------------------------------------------------------------
    // The dialog window as it is on the screen, three planes, made the active
    // window first (as a person sees a dialog they are using).
    bool Capture(Image* image) const;

    // Blocks until the dialog's thread has handled everything sent so far.
    void WaitIdle() const;
    // Has the whole dialog repainted now (as when another window uncovers it).
    void Repaint() const;
    // Lets the dialog's timers and repaints run for a while.
    void Pause(DWORD ms) const;

    // Problems met while operating (input not taken, windows not found).
    void Problem(const std::string& what);

private:
    void ClickSpinArrow(int spinId, bool up, int times);
    void SendKeys(const std::vector<INPUT>& inputs);
    void MouseClickAtScreen(POINT p);

    HostSession* session_;
    HWND dialog_;
    DialogThreadState* state_;
};

// The text form of a script, for kelvo-host's --dialog-script: actions
// separated by ';' (or new lines):
//   set ID=TEXT      replace field ID's text (ID: a control id or a setting's name)
//   type TEXT        type into the focused control
//   click ID         click a control
//   spin-up ID [N]   click the top arrow of spin bar ID (or of field ID's spin) N times
//   spin-down ID [N]
//   tab | shift-tab | enter | escape | backspace [N]
//   load PATH | save PATH   press Load/Save Settings and answer the file dialog
//   capture FILE     save the dialog as a PNG
//   wait MS
//   ok | cancel      press the button
// Returns false with *error for a script that does not parse.
bool ParseDialogScript(const std::string& text, DialogScript* script, std::string* error);

}  // namespace kelvo::host
