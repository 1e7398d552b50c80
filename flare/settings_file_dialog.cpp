#include "settings_file_dialog.h"

#include <commdlg.h>

#include <cstring>

namespace flare {
namespace {

constexpr DWORD kFileDialogOptions = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
static_assert(kFileDialogOptions == 0x1806, "the file dialogs' options");

// Paths are ANSI: the settings files are opened with the C library.
struct SettingsFileDialog {
    OPENFILENAMEA record;
    char filter[256];
    char fileName[256];
    char folder[254];
};
SettingsFileDialog fileDialog;

}  // namespace

void PrepareSettingsFileDialogs(HWND dialog) {
    SettingsFileDialog& d = fileDialog;
    std::memset(&d, 0, sizeof d);
    // "Lens Flare Files (*.LNS)|*.lns|": every occurrence of the last
    // character ends a string, which gives one entry and the list's end.
    const int length = LoadStringA(moduleInstance, kStringSettingsFilter, d.filter, sizeof d.filter);
    if (length > 0) {
        const char separator = d.filter[length - 1];
        for (int i = 0; i < length; ++i)
            if (d.filter[i] == separator) d.filter[i] = '\0';
    }
    const DWORD pathLength = GetModuleFileNameA(moduleInstance, d.folder, sizeof d.folder);
    d.folder[pathLength < sizeof d.folder ? pathLength : sizeof d.folder - 1] = '\0';
    if (char* slash = std::strrchr(d.folder, '\\')) *slash = '\0';
    else d.folder[0] = '\0';

    d.record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    d.record.hwndOwner = dialog;
    d.record.lpstrFilter = d.filter[0] != '\0' ? d.filter : nullptr;
    d.record.nFilterIndex = 0;
    d.record.lpstrFile = d.fileName;
    d.record.nMaxFile = sizeof d.fileName;
    d.record.lpstrInitialDir = d.folder[0] != '\0' ? d.folder : nullptr;
    d.record.lpstrDefExt = "lns";
    d.record.Flags = kFileDialogOptions;
}

const char* ChooseSettingsFileToLoad() {
    return GetOpenFileNameA(&fileDialog.record) ? fileDialog.fileName : nullptr;
}

const char* ChooseSettingsFileToSave() {
    return GetSaveFileNameA(&fileDialog.record) ? fileDialog.fileName : nullptr;
}

}  // namespace flare
