// The dialog script's thread and the DialogDriver's reading side: waiting for
// the dialog to be idle, reading fields, the record and the report, finding
// the file dialogs and boxes the dialog opens. The input itself is sent in
// host_input.cpp; capturing the window in host_capture.cpp.
//
// Idle: input sent with SendInput lands in the dialog thread's queue behind
// whatever is there. A message hook on that thread counts the key and button
// releases it takes out of its queue; once every release sent so far has been
// taken, a sent WM_NULL returns only when the thread is back in a message loop
// (the dialog's, or a nested one such as a file dialog's or a scroll bar's
// tracking loop), i.e. when the action's messages have been handled.
#include "host_dialog.h"

#include <string>
#include <vector>

#include "host_internal.h"

namespace kelvo::host {
namespace {

constexpr DWORD kInputTimeoutMs = 5000;
constexpr DWORD kIdleTimeoutMs = 10000;

// One scripted dialog at a time in the process (the hook has no context).
DialogThreadState* g_scripted = nullptr;

LRESULT CALLBACK CountReleases(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE && g_scripted != nullptr) {
        const MSG* m = reinterpret_cast<const MSG*>(lp);
        if (m->message == WM_KEYUP || m->message == WM_SYSKEYUP || m->message == WM_LBUTTONUP ||
            m->message == WM_NCLBUTTONUP)
            InterlockedIncrement(&g_scripted->releasesSeen);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

DWORD WINAPI ScriptThread(void* param) {
    auto* state = static_cast<DialogThreadState*>(param);
    HostSession* s = state->session;
    DialogDriver driver(s, state->dialog, state);
    driver.WaitIdle();
    if (s->script) s->script(driver);
    driver.WaitIdle();
    InterlockedExchange(&state->done, 1);
    return 0;
}

struct DialogSearch {
    HWND filterDialog;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<DialogSearch*>(lp);
    wchar_t cls[16] = {};
    if (hwnd != search->filterDialog && IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 16) > 0 &&
        std::wstring(cls) == L"#32770")
        search->found.push_back(hwnd);
    return TRUE;
}

// The innermost of the dialogs the filter dialog opened: the one that owns
// none of the others (a message box over a save dialog, not the save dialog).
HWND InnermostDialog(const DialogSearch& search) {
    for (HWND candidate : search.found) {
        bool ownsAnother = false;
        for (HWND other : search.found) ownsAnother = ownsAnother || GetWindow(other, GW_OWNER) == candidate;
        if (!ownsAnother) return candidate;
    }
    return nullptr;
}

}  // namespace

bool StartDialogScript(HostSession* s, HWND dialog, int dialogIndex) {
    if (!s->script || s->scripted != nullptr) return false;
    auto* state = new DialogThreadState;
    state->session = s;
    state->dialog = dialog;
    state->dialogThread = GetCurrentThreadId();
    state->dialogIndex = dialogIndex;
    if (dialogIndex >= 0) s->report.dialogs[dialogIndex].scripted = true;
    // The driver clicks and captures on the screen: keep the dialog fully on it.
    RECT r{};
    GetWindowRect(dialog, &r);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (r.left < 0 || r.top < 0 || r.right > sw || r.bottom > sh)
        SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetForegroundWindow(dialog);
    g_scripted = state;
    state->messageHook = SetWindowsHookExW(WH_GETMESSAGE, CountReleases, nullptr, state->dialogThread);
    s->scripted = state;
    state->thread = CreateThread(nullptr, 0, ScriptThread, state, 0, nullptr);
    if (state->thread == nullptr) {
        state->problems.push_back("cannot start the script's thread");
        InterlockedExchange(&state->done, 1);
    }
    return true;
}

bool ScriptRunning(const HostSession* s) { return s->scripted != nullptr && s->scripted->done == 0; }

void FinishDialogScript(HostSession* s) {
    DialogThreadState* state = s->scripted;
    if (state == nullptr) return;
    if (state->thread != nullptr) {
        // The dialog is gone: the script's remaining reads and waits fail fast.
        if (WaitForSingleObject(state->thread, 60000) != WAIT_OBJECT_0)
            state->problems.push_back("the script did not finish after the dialog ended");
        CloseHandle(state->thread);
    }
    if (state->messageHook != nullptr) UnhookWindowsHookEx(state->messageHook);
    if (state->dialogIndex >= 0)
        for (const std::string& p : state->problems) s->report.dialogs[state->dialogIndex].scriptProblems.push_back(p);
    for (const std::string& p : state->problems) s->report.problems.push_back("dialog script: " + p);
    g_scripted = nullptr;
    s->scripted = nullptr;
    delete state;
}

DialogDriver::DialogDriver(HostSession* session, HWND dialog, DialogThreadState* state)
    : session_(session), dialog_(dialog), state_(state) {}

HWND DialogDriver::Item(int id) const { return GetDlgItem(dialog_, id); }

bool DialogDriver::Open() const { return IsWindow(dialog_) != FALSE; }

void DialogDriver::Problem(const std::string& what) { state_->problems.push_back(what); }

void DialogDriver::WaitIdle() const {
    const DWORD start = GetTickCount();
    while (state_->releasesSeen < state_->releasesSent && Open()) {
        if (GetTickCount() - start > kInputTimeoutMs) {
            const_cast<DialogDriver*>(this)->Problem("the dialog took no input for " +
                                                     std::to_string(kInputTimeoutMs) + " ms");
            // Count the lost input as taken so that later waits do not stall.
            InterlockedExchange(&state_->releasesSeen, state_->releasesSent);
            break;
        }
        Sleep(1);
    }
    // Twice: the first may be handled inside a nested loop that the action ends.
    for (int i = 0; i < 2 && Open(); ++i) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(dialog_, WM_NULL, 0, 0, SMTO_NORMAL, kIdleTimeoutMs, &ignored);
    }
    // A sent message overtakes a pending paint, so the WM_NULLs can return
    // while an area the action invalidated (the preview after a spin release
    // or a focus move) still waits for its WM_PAINT. Have every pending paint
    // done now; nothing new is invalidated, so a paint that was not due does
    // not happen.
    if (Open()) RedrawWindow(dialog_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void DialogDriver::Repaint() const {
    // From this thread, the update is sent to the dialog's thread and handled there.
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    WaitIdle();
}

void DialogDriver::Pause(DWORD ms) const {
    Sleep(ms);
    WaitIdle();
}

std::wstring DialogDriver::Text(int id) const {
    wchar_t text[512] = {};
    HWND item = Item(id);
    if (item == nullptr) return L"<no control " + std::to_wstring(id) + L">";
    // The text is asked for through the dialog's thread, as the edit keeps it.
    DWORD_PTR n = 0;
    SendMessageTimeoutW(item, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, kIdleTimeoutMs, &n);
    return std::wstring(text, n < 512 ? n : 511);
}

int DialogDriver::FocusedId() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(state_->dialogThread, &info) || info.hwndFocus == nullptr) return -1;
    if (GetParent(info.hwndFocus) != dialog_) return -1;
    return GetDlgCtrlID(info.hwndFocus);
}

FilterRecord* DialogDriver::Record() const { return host::Record(session_); }

std::vector<uint8_t> DialogDriver::SettingsBytes() const { return InspectHandle(Record()->parameters).bytes; }

size_t DialogDriver::DisplayCount() const {
    ReportLock lock(session_);
    return session_->report.displayCalls.size();
}

DisplayCall DialogDriver::LastDisplay() const {
    ReportLock lock(session_);
    return session_->report.displayCalls.empty() ? DisplayCall{} : session_->report.displayCalls.back();
}

size_t DialogDriver::ProgressCount() const {
    ReportLock lock(session_);
    return session_->report.progressCalls.size();
}

RunReport DialogDriver::Report() const {
    ReportLock lock(session_);
    return session_->report;
}

HWND DialogDriver::WaitForOwnedDialog(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        DialogSearch search{dialog_, {}};
        EnumThreadWindows(state_->dialogThread, CollectDialogs, reinterpret_cast<LPARAM>(&search));
        if (HWND found = InnermostDialog(search)) {
            // Let it finish initialising and take the focus.
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_NORMAL, kIdleTimeoutMs, &ignored);
            return found;
        }
        if (GetTickCount() - start > timeoutMs || !Open()) return nullptr;
        Sleep(10);
    }
}

bool DialogDriver::AnswerFileDialog(const std::wstring& path) {
    HWND box = WaitForOwnedDialog();
    if (box == nullptr) {
        Problem("no file dialog came up");
        return false;
    }
    // The file name field has the focus when the dialog opens; it may hold the
    // last chosen path, which the typing replaces once it is selected.
    Key(VK_END);
    Key(VK_HOME, true);
    Type(path);
    Enter();
    return true;
}

bool DialogDriver::CancelFileDialog() {
    if (WaitForOwnedDialog() == nullptr) {
        Problem("no file dialog came up");
        return false;
    }
    Escape();
    return true;
}

std::wstring DialogDriver::BoxText(HWND box) {
    std::wstring all;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[16] = {};
        GetClassNameW(child, cls, 16);
        if (std::wstring(cls) != L"Static") continue;
        wchar_t text[1024] = {};
        GetWindowTextW(child, text, 1024);
        if (text[0] == 0) continue;
        if (!all.empty()) all += L"\n";
        all += text;
    }
    return all;
}

void DialogDriver::ClickButtonOf(HWND window, int id) {
    HWND button = GetDlgItem(window, id);
    if (button == nullptr) {
        Problem("no control " + std::to_string(id) + " to click");
        return;
    }
    RECT r{};
    GetClientRect(button, &r);
    ClickAt(button, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

}  // namespace kelvo::host
