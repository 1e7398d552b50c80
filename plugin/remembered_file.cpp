// The user's last OK'd settings on disk, for hosts that hand the module no
// settings record: %LOCALAPPDATA%\Kelvo\<the module's file>. Reading and
// writing happen inside a host, so they work in fixed buffers, allocate and
// throw nothing, and fail silently: a missing folder, an unreadable or
// unwritable file only means nothing is remembered.
#include "module_hooks.h"
#include "remembered_settings.h"
#include "replace_file.h"
#include "win32_module.h"

namespace kelvo::plugin {

namespace {

// Wide characters of the file's path; longer paths are not remembered.
constexpr DWORD kPathRoom = 1024;

// Appends `tail` at `end` within the room; false when it does not fit.
bool Append(wchar_t* path, DWORD* end, const wchar_t* tail) {
    for (; *tail != L'\0'; ++tail) {
        if (*end + 1 >= kPathRoom) return false;
        path[(*end)++] = *tail;
    }
    path[*end] = L'\0';
    return true;
}

// The remembered file's path; false when the user has no LOCALAPPDATA (or
// it is too long). With `createFolder`, the Kelvo folder is made if missing.
bool RememberedFilePath(wchar_t* path, bool createFolder) {
    DWORD end = GetEnvironmentVariableW(L"LOCALAPPDATA", path, kPathRoom);
    if (end == 0 || end >= kPathRoom) return false;
    while (end > 0 && (path[end - 1] == L'\\' || path[end - 1] == L'/')) path[--end] = L'\0';
    if (end == 0 || !Append(path, &end, L"\\Kelvo")) return false;
    if (createFolder) CreateDirectoryW(path, nullptr);  // already there, or the write below fails
    return Append(path, &end, L"\\") && Append(path, &end, ModuleRememberedFileName());
}

}  // namespace

void RecallRememberedSettings(void* record) {
    wchar_t path[kPathRoom];
    if (!RememberedFilePath(path, false)) return;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    // One byte more than any remembered file, so that a longer file is seen as such.
    unsigned char bytes[kRememberedFileRoom + 1];
    DWORD size = 0, count = 0;
    while (size < sizeof bytes && ReadFile(file, bytes + size, sizeof bytes - size, &count, nullptr) && count > 0)
        size += count;
    CloseHandle(file);
    TakeModuleRemembered(bytes, size, record);
}

void RememberSettings(const void* record) {
    wchar_t path[kPathRoom];
    if (!RememberedFilePath(path, true)) return;
    char utf8[kPathRoom * 3];
    if (WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8, sizeof utf8, nullptr, nullptr) == 0) return;
    unsigned char bytes[kRememberedFileRoom];
    const size_t size = EncodeModuleRemembered(record, bytes);
    kelvo::ReplaceFileContents(utf8, bytes, size, nullptr, 0);
}

}  // namespace kelvo::plugin
