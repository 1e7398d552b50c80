#include "settings_file_dialog.h"

#include <commdlg.h>

#include "preview_panel.h"
#include "wide_path_win32.h"

namespace kelvo::flare {

using plugin::kStringSettingsFilter;
using plugin::moduleInstance;
using plugin::ShowDialogMessage;

namespace {

constexpr DWORD kFileDialogOptions = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
static_assert(kFileDialogOptions == 0x1806, "the file dialogs' options");

// The hook that guards the typed name (below) needs these two as well; the
// dialog looks the same.
constexpr DWORD kGuardOptions = OFN_EXPLORER | OFN_ENABLEHOOK;

// The file name buffer holds the longest path the wide file functions take.
constexpr DWORD kFileNameRoom = kelvo::kLongestWidePath + 1;

// The buffers live on the process heap while the settings dialog is up: the
// module's own storage stays small.
struct SettingsFileDialog {
    OPENFILENAMEW record;
    wchar_t filter[256];
    kelvo::WideText fileName;  // kFileNameRoom characters
    kelvo::WideText folder;    // the module's folder
    kelvo::Utf8Text chosen;    // the last answer, UTF-8
};
SettingsFileDialog fileDialog;

// The folder the module was loaded from, or nothing.
void FindModuleFolder(kelvo::WideText* folder) {
    if (!kelvo::MakeWideRoom(kFileNameRoom, folder)) return;
    const DWORD n = GetModuleFileNameW(moduleInstance, folder->text, static_cast<DWORD>(folder->room));
    if (n == 0 || n >= folder->room) {
        folder->text[0] = L'\0';
        return;
    }
    wchar_t* slash = nullptr;
    for (wchar_t* p = folder->text; *p != L'\0'; ++p)
        if (*p == L'\\') slash = p;
    if (slash != nullptr) *slash = L'\0';
    else folder->text[0] = L'\0';
}

FileChoice Answer(BOOL shown, const char** path) {
    *path = nullptr;
    if (!shown) return CommDlgExtendedError() == 0 ? FileChoice::Cancelled : FileChoice::Failed;
    if (!kelvo::Utf8FromWide(fileDialog.fileName.text, &fileDialog.chosen)) return FileChoice::Failed;
    *path = fileDialog.chosen.text;
    return FileChoice::Chosen;
}

// ---- The typed name's length ------------------------------------------------
// The platform's file dialog takes paths of up to MAX_PATH - 1 characters;
// some versions of it overrun their own buffers on a longer one and bring the
// host down. So a longer name is refused, with a message, before the dialog
// sees its OK, and the dialog stays open for a shorter one.

WNDPROC fileDialogProc = nullptr;  // the file dialog's own window procedure

// The length of the path the typed name makes: the name alone when it is a
// full path, else the current folder, a backslash and the name; plus the
// default extension when the name has none.
size_t TypedPathLength(HWND fileDialog) {
    wchar_t name[MAX_PATH * 2] = L"";
    SendMessageW(fileDialog, CDM_GETSPEC, MAX_PATH * 2, reinterpret_cast<LPARAM>(name));
    name[MAX_PATH * 2 - 1] = L'\0';
    const int n = lstrlenW(name);
    if (n <= 0) return 0;
    size_t length = static_cast<size_t>(n);
    const bool full = (n >= 2 && name[1] == L':') || (name[0] == L'\\' || name[0] == L'/');
    if (!full) length += static_cast<size_t>(SendMessageW(fileDialog, CDM_GETFOLDERPATH, 0, 0));
    bool extension = false;
    for (int i = n - 1; i >= 0 && name[i] != L'\\' && name[i] != L'/'; --i) extension = extension || name[i] == L'.';
    return length + (extension ? 0 : 4);
}

LRESULT CALLBACK GuardedFileDialogProc(HWND fileDialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK && TypedPathLength(fileDialog) >= MAX_PATH) {
        ShowDialogMessage(fileDialog, kStringFileNameTooLong, MB_ICONEXCLAMATION);
        return 0;
    }
    return CallWindowProcW(fileDialogProc, fileDialog, message, wParam, lParam);
}

// The hook's own child dialog starts inside the file dialog: its parent.
UINT_PTR CALLBACK FileDialogHook(HWND child, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        const HWND fileDialog = GetParent(child);
        fileDialogProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(fileDialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GuardedFileDialogProc)));
    }
    return 0;
}

bool Ready() { return fileDialog.record.lpstrFile != nullptr; }

}  // namespace

void PrepareSettingsFileDialogs(HWND dialog) {
    ReleaseSettingsFileDialogs();
    SettingsFileDialog& d = fileDialog;
    // "Lens Flare Files (*.LNS)|*.lns|": every occurrence of the last
    // character ends a string, which gives one entry and the list's end.
    const int length = LoadStringW(moduleInstance, kStringSettingsFilter, d.filter, 255);
    if (length > 0) {
        const wchar_t separator = d.filter[length - 1];
        for (int i = 0; i < length; ++i)
            if (d.filter[i] == separator) d.filter[i] = L'\0';
        d.filter[length] = L'\0';
    }
    FindModuleFolder(&d.folder);

    d.record.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    d.record.hwndOwner = dialog;
    d.record.lpstrFilter = d.filter[0] != L'\0' ? d.filter : nullptr;
    d.record.nFilterIndex = 0;
    if (kelvo::MakeWideRoom(kFileNameRoom, &d.fileName)) {
        d.record.lpstrFile = d.fileName.text;
        d.record.nMaxFile = static_cast<DWORD>(d.fileName.room);
    }
    d.record.lpstrInitialDir = d.folder.text != nullptr && d.folder.text[0] != L'\0' ? d.folder.text : nullptr;
    d.record.lpstrDefExt = L"lns";
    d.record.Flags = kFileDialogOptions | kGuardOptions;
    d.record.lpfnHook = FileDialogHook;
}

void ReleaseSettingsFileDialogs() {
    SettingsFileDialog& d = fileDialog;
    kelvo::FreeText(&d.fileName);
    kelvo::FreeText(&d.folder);
    kelvo::FreeText(&d.chosen);
    ZeroMemory(&d.record, sizeof d.record);
    ZeroMemory(d.filter, sizeof d.filter);
}

FileChoice ChooseSettingsFileToLoad(const char** path) {
    *path = nullptr;
    if (!Ready()) return FileChoice::Failed;
    return Answer(GetOpenFileNameW(&fileDialog.record), path);
}

FileChoice ChooseSettingsFileToSave(const char** path) {
    *path = nullptr;
    if (!Ready()) return FileChoice::Failed;
    return Answer(GetSaveFileNameW(&fileDialog.record), path);
}

}  // namespace kelvo::flare
