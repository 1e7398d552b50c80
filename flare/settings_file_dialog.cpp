#include "settings_file_dialog.h"

#include <commdlg.h>

#include "wide_path_win32.h"

namespace flare {
namespace {

constexpr DWORD kFileDialogOptions = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
static_assert(kFileDialogOptions == 0x1806, "the file dialogs' options");

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
    d.record.Flags = kFileDialogOptions;
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

}  // namespace flare
