// The Windows side of file_identity.h: the file ID from
// GetFileInformationByHandle, full names from GetFullPathNameW and names
// compared as NTFS compares them, ignoring case (CompareStringOrdinal).
#include <windows.h>

#include "file_identity.h"
#include "wide_path_win32.h"

namespace kelvo::cli {
namespace {

std::string Utf8(const wchar_t* text) {
    kelvo::Utf8Text utf8;
    return kelvo::Utf8FromWide(text, &utf8) ? std::string(utf8.text) : std::string();
}

}  // namespace

bool IdentifyFile(const std::string& path, FileIdentity* identity) {
    kelvo::WideText wide;
    if (path.empty() || !kelvo::WidePathFromUtf8(path.c_str(), 0, &wide)) return false;
    // No access asked for, only the file's information; folders need the
    // backup-semantics flag to be opened at all.
    HANDLE file = CreateFileW(wide.text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!known) return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->index[0] = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return true;
}

bool IsSymbolicLink(const std::string& path) {
    kelvo::WideText wide;
    return kelvo::WidePathFromUtf8(path.c_str(), 0, &wide) && kelvo::IsLinkOrJunction(wide.text);
}

std::string FullPathName(const std::string& path) {
    kelvo::WideText wide, full;
    if (!kelvo::WidePathFromUtf8(path.c_str(), 0, &wide)) return path;
    const DWORD room = GetFullPathNameW(wide.text, 0, nullptr, nullptr);
    if (room == 0 || !kelvo::MakeWideRoom(room, &full)) return path;
    const DWORD n = GetFullPathNameW(wide.text, room, full.text, nullptr);
    if (n == 0 || n >= room) return path;
    const std::string text = Utf8(full.text);
    return text.empty() ? path : text;
}

bool NamesMatch(const std::string& a, const std::string& b) {
    kelvo::WideText wa, wb;
    if (!kelvo::WidePathFromUtf8(a.c_str(), 0, &wa) || !kelvo::WidePathFromUtf8(b.c_str(), 0, &wb)) return a == b;
    return CompareStringOrdinal(wa.text, -1, wb.text, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace kelvo::cli
