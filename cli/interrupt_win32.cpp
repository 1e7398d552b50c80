// Windows calls the console control handler on a thread of its own. The
// handler and the main thread share the two texts under one lock: the handler
// takes it, deletes the temporary file (opened with delete sharing, so it goes
// even while the main thread holds it open), writes the note and ends the
// process without returning the lock.
#include <windows.h>

#include "interrupt.h"
#include "replace_file.h"
#include "wide_path_win32.h"

namespace cli {
namespace {

CRITICAL_SECTION lock;
wchar_t temporaryFile[kelvo::kLongestWidePath + 64];
char interruptNote[4096];
DWORD noteLength = 0;

void ObserveTemporary(const wchar_t* temporary) {
    EnterCriticalSection(&lock);
    size_t n = 0;
    if (temporary != nullptr) {
        while (temporary[n] != L'\0' && n + 1 < sizeof temporaryFile / sizeof temporaryFile[0]) {
            temporaryFile[n] = temporary[n];
            ++n;
        }
        if (temporary[n] != L'\0') n = 0;  // a name too long to keep is not removed
    }
    temporaryFile[n] = L'\0';
    LeaveCriticalSection(&lock);
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    EnterCriticalSection(&lock);
    if (temporaryFile[0] != L'\0') DeleteFileW(temporaryFile);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), interruptNote, noteLength, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    return TRUE;
}

}  // namespace

void SetInterruptNote(const std::string& text) {
    static const bool ready = [] {
        InitializeCriticalSection(&lock);
        return true;
    }();
    (void)ready;
    EnterCriticalSection(&lock);
    const std::string line = text + "\r\n";
    noteLength = static_cast<DWORD>(line.size() < sizeof interruptNote ? line.size() : sizeof interruptNote);
    line.copy(interruptNote, noteLength);
    LeaveCriticalSection(&lock);
}

void InstallInterruptHandlers() {
    SetInterruptNote("kelvo-render: interrupted");
    kelvo::ObserveTemporaryFiles(ObserveTemporary);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace cli
