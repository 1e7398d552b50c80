// The DialogDriver's hands: key presses and mouse clicks sent with SendInput,
// so that they reach the dialog through the system's input queue exactly as a
// person's do (focus, default buttons, the scroll bar's tracking loop).
#include <cstdint>
#include <string>
#include <vector>

#include "host_dialog.h"
#include "host_internal.h"

namespace kelvo::host {
namespace {

INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

INPUT UnicodeInput(wchar_t c, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = c;
    in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    return in;
}

// A mouse event at a screen point, the point carried by the event itself:
// under Wine a pointer warp's motion event can arrive late and move the
// cursor back, so a button event must not rely on where the cursor is.
INPUT MouseInput(DWORD flags, POINT p) {
    const int64_t cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    // Rounded up, so that scaling back by the screen size and truncating gives p.
    in.mi.dx = static_cast<LONG>((p.x * int64_t{65536} + cx - 1) / cx);
    in.mi.dy = static_cast<LONG>((p.y * int64_t{65536} + cy - 1) / cy);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return in;
}

// A press of vk with the given modifiers held.
void AddChord(std::vector<INPUT>* inputs, WORD vk, bool shift, bool control) {
    if (control) inputs->push_back(KeyInput(VK_CONTROL, false));
    if (shift) inputs->push_back(KeyInput(VK_SHIFT, false));
    inputs->push_back(KeyInput(vk, false));
    inputs->push_back(KeyInput(vk, true));
    if (shift) inputs->push_back(KeyInput(VK_SHIFT, true));
    if (control) inputs->push_back(KeyInput(VK_CONTROL, true));
}

int Releases(const std::vector<INPUT>& inputs) {
    int n = 0;
    for (const INPUT& in : inputs)
        if ((in.type == INPUT_KEYBOARD && (in.ki.dwFlags & KEYEVENTF_KEYUP)) ||
            (in.type == INPUT_MOUSE && (in.mi.dwFlags & MOUSEEVENTF_LEFTUP)))
            ++n;
    return n;
}

}  // namespace

void DialogDriver::SendKeys(const std::vector<INPUT>& inputs) {
    if (!Open() || inputs.empty()) return;
    InterlockedExchangeAdd(&state_->releasesSent, Releases(inputs));
    std::vector<INPUT> copy = inputs;
    const UINT sent = SendInput(static_cast<UINT>(copy.size()), copy.data(), sizeof(INPUT));
    if (sent != copy.size()) Problem("SendInput sent " + std::to_string(sent) + " of " + std::to_string(copy.size()));
    WaitIdle();
}

void DialogDriver::Type(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        const SHORT scan = VkKeyScanW(c);
        const bool plain = scan != -1 && (HIBYTE(scan) & ~1) == 0;  // reachable with at most Shift
        if (plain) {
            AddChord(&inputs, LOBYTE(scan), (HIBYTE(scan) & 1) != 0, false);
        } else {
            inputs.push_back(UnicodeInput(c, false));
            inputs.push_back(UnicodeInput(c, true));
        }
    }
    SendKeys(inputs);
}

void DialogDriver::Key(WORD vk, bool shift, bool control) {
    std::vector<INPUT> inputs;
    AddChord(&inputs, vk, shift, control);
    SendKeys(inputs);
}

void DialogDriver::Backspace(int times) {
    std::vector<INPUT> inputs;
    for (int i = 0; i < times; ++i) AddChord(&inputs, VK_BACK, false, false);
    SendKeys(inputs);
}

void DialogDriver::MouseClickAtScreen(POINT p) {
    if (!Open()) return;
    SetCursorPos(p.x, p.y);
    WaitIdle();  // the dialog's thread takes the window system's events of the move
    std::vector<INPUT> inputs = {MouseInput(0, p), MouseInput(MOUSEEVENTF_LEFTDOWN, p),
                                 MouseInput(MOUSEEVENTF_LEFTUP, p)};
    SendKeys(inputs);
}

void DialogDriver::ClickAt(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    MouseClickAtScreen(p);
}

void DialogDriver::Click(int id) { ClickButtonOf(dialog_, id); }

// The two arrows of a small vertical scroll bar share its height; a quarter
// of the way from the top or the bottom lies inside an arrow at any size.
void DialogDriver::ClickSpinArrow(int spinId, bool up, int times) {
    HWND bar = Item(spinId);
    if (bar == nullptr) {
        Problem("no spin bar " + std::to_string(spinId));
        return;
    }
    RECT r{};
    GetClientRect(bar, &r);
    const int quarter = (r.bottom - r.top) / 4;
    const int y = up ? r.top + quarter : r.bottom - 1 - quarter;
    for (int i = 0; i < times; ++i) ClickAt(bar, (r.left + r.right) / 2, y);
}

void DialogDriver::SpinUp(int spinId, int times) { ClickSpinArrow(spinId, true, times); }

void DialogDriver::SpinDown(int spinId, int times) { ClickSpinArrow(spinId, false, times); }

void DialogDriver::Replace(int editId, const std::wstring& text) {
    Click(editId);
    // The whole text selected as a person does it, without Ctrl+A (which
    // older edit controls do not know).
    std::vector<INPUT> inputs;
    AddChord(&inputs, VK_END, false, false);
    AddChord(&inputs, VK_HOME, true, false);
    if (text.empty()) AddChord(&inputs, VK_BACK, false, false);
    SendKeys(inputs);
    if (!text.empty()) Type(text);
}

}  // namespace kelvo::host
