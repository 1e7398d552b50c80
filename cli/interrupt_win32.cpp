// Windows calls the console control handler on a thread of its own. The
// handler and the main thread share the texts under one lock: the handler
// takes it, deletes the temporary file (opened with delete sharing, so it goes
// even while the main thread holds it open), writes the note and ends the
// process without returning the lock. The main thread holds the lock while the
// temporary file is moved over its target, so the handler finds either the
// file still there or the note that the target was replaced.
#include <windows.h>

#include "interrupt.h"
#include "replace_file.h"
#include "wide_path_win32.h"

namespace kelvo::cli {
namespace {

CRITICAL_SECTION lock;
wchar_t temporaryFile[kelvo::kLongestWidePath + 64];
struct Note {
    char text[4096];
    DWORD length = 0;
};
Note noteUntilWritten, noteOnceWritten;
bool written = false;  // the file being written has replaced its target
bool holding = false;  // the main thread holds the lock across a move

void InitialiseLock() {
    static const bool ready = [] {
        InitializeCriticalSection(&lock);
        return true;
    }();
    (void)ready;
}

void StoreName(const wchar_t* temporary) {
    size_t n = 0;
    if (temporary != nullptr) {
        while (temporary[n] != L'\0' && n + 1 < sizeof temporaryFile / sizeof temporaryFile[0]) {
            temporaryFile[n] = temporary[n];
            ++n;
        }
        if (temporary[n] != L'\0') n = 0;  // a name too long to keep is not removed
    }
    temporaryFile[n] = L'\0';
}

void ObserveTemporary(kelvo::TemporaryFileEvent event, const wchar_t* temporary) {
    switch (event) {
        case kelvo::TemporaryFileEvent::Creating:
            EnterCriticalSection(&lock);
            StoreName(temporary);
            LeaveCriticalSection(&lock);
            break;
        case kelvo::TemporaryFileEvent::Replacing:
            EnterCriticalSection(&lock);  // held until the move is done
            holding = true;
            break;
        case kelvo::TemporaryFileEvent::Replaced:
        case kelvo::TemporaryFileEvent::Removed:
            if (!holding) EnterCriticalSection(&lock);
            StoreName(nullptr);
            if (event == kelvo::TemporaryFileEvent::Replaced) written = true;
            holding = false;
            LeaveCriticalSection(&lock);
            break;
    }
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    EnterCriticalSection(&lock);
    if (temporaryFile[0] != L'\0') DeleteFileW(temporaryFile);
    const Note& note = written ? noteOnceWritten : noteUntilWritten;
    DWORD count = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), note.text, note.length, &count, nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    return TRUE;
}

void StoreNote(const std::string& text, Note* note) {
    const std::string line = text + "\r\n";
    note->length = static_cast<DWORD>(line.size() < sizeof note->text ? line.size() : sizeof note->text);
    line.copy(note->text, note->length);
}

}  // namespace

void SetInterruptNotes(const std::string& untilWritten, const std::string& onceWritten) {
    InitialiseLock();
    EnterCriticalSection(&lock);
    StoreNote(untilWritten, &noteUntilWritten);
    StoreNote(onceWritten, &noteOnceWritten);
    written = false;
    LeaveCriticalSection(&lock);
}

void SetInterruptNote(const std::string& text) { SetInterruptNotes(text, text); }

void InstallInterruptHandlers() {
    SetInterruptNote("kelvo-render: interrupted");
    kelvo::ObserveTemporaryFiles(ObserveTemporary);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace kelvo::cli
