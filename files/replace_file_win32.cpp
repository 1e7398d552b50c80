// Win32 side of ReplaceFileContents: a new file beside the target, written,
// flushed with FlushFileBuffers, then moved over the target with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, so the move returns only
// once it is on the disk. Until that move the old file is untouched.
//
// Paths arrive as UTF-8 and are opened by their wide names, long ones with the
// \\?\ prefix (wide_path_win32.h). The modules call this from inside a host
// (the dialog's Save), so it allocates only from the process heap, throws
// nothing and uses no C++ library strings.
#include "replace_file.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "wide_path_win32.h"

namespace kelvo {
namespace {

// The temporary name's suffix: ".~" and two 8-digit hexadecimal numbers.
constexpr size_t kSuffixRoom = 32;

TemporaryFileObserver temporaryObserver = nullptr;

void Observe(TemporaryFileEvent event, const wchar_t* temporary = nullptr) {
    if (TemporaryFileObserver observer = temporaryObserver) observer(event, temporary);
}

// The caller's room for the reason; null writes nothing.
struct Reason {
    char* text;
    size_t size;
};

bool Fail(Reason why, const char* what) {
    if (why.text != nullptr && why.size > 0) std::snprintf(why.text, why.size, "%s", what);
    return false;
}

bool Fail(Reason why, const char* what, DWORD code) {
    if (why.text == nullptr || why.size == 0) return false;
    wchar_t system[160] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, system,
                             160, nullptr);
    while (n > 0 && (system[n - 1] == L'\r' || system[n - 1] == L'\n' || system[n - 1] == L' ' || system[n - 1] == L'.'))
        --n;
    system[n] = L'\0';
    char text[480] = "";
    if (n == 0 || WideCharToMultiByte(CP_UTF8, 0, system, -1, text, sizeof text, nullptr, nullptr) <= 0)
        std::snprintf(text, sizeof text, "system error %lu", static_cast<unsigned long>(code));
    std::snprintf(why.text, why.size, "%s: %s", what, text);
    return false;
}

// True when the path's last part is one of the device names Windows keeps in
// every folder (CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9, CONIN$, CONOUT$),
// whatever its case and extension: "nul.png" is the null device.
bool IsReservedDeviceName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p)
        if (*p == '/' || *p == '\\' || *p == ':') name = p + 1;
    size_t n = 0;
    while (name[n] != '\0' && name[n] != '.') ++n;
    while (n > 0 && name[n - 1] == ' ') --n;
    char upper[8] = {};
    if (n == 0 || n >= sizeof upper) return false;
    for (size_t i = 0; i < n; ++i) upper[i] = static_cast<char>(name[i] >= 'a' && name[i] <= 'z' ? name[i] - 32 : name[i]);
    for (const char* reserved : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (std::strcmp(upper, reserved) == 0) return true;
    return n == 4 && (std::strncmp(upper, "COM", 3) == 0 || std::strncmp(upper, "LPT", 3) == 0) && upper[3] >= '1' &&
           upper[3] <= '9';
}

// The target's wide name, with room for the temporary suffix.
bool TargetName(const char* path, WideText* wide, Reason why) {
    if (path == nullptr || *path == '\0') return Fail(why, "no file name");
    if (IsReservedDeviceName(path)) return Fail(why, kReservedNameReason);
    if (!WidePathFromUtf8(path, kSuffixRoom, wide))
        return Fail(why, "the file name is not valid UTF-8, or too long");
    return true;
}

// The attributes are the link's own for a symbolic link (the move replaces
// the link itself, never what it points to).
bool CheckTarget(const WideText& target, LinkRule links, Reason why) {
    const DWORD attributes = GetFileAttributesW(target.text);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // not there yet, or its folder is missing
    if (links == LinkRule::Refuse && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkOrJunction(target.text))
        return Fail(why, kLinkReason);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(why, "it is a folder");
    // The move would be refused at the end; say so before any work is done.
    if (attributes & FILE_ATTRIBUTE_READONLY) return Fail(why, kReadOnlyReason);
    return true;
}

// "cannot create a file in '<folder>'" for the target's folder.
void CannotCreate(const char* path, Reason why, DWORD code) {
    char what[kFileReasonSize];
    const char* slash = std::strrchr(path, '\\');
    const char* other = std::strrchr(path, '/');
    if (other != nullptr && (slash == nullptr || other > slash)) slash = other;
    if (slash == nullptr)
        std::snprintf(what, sizeof what, "cannot create a file in '.'");
    else
        std::snprintf(what, sizeof what, "cannot create a file in '%.*s'", static_cast<int>(slash - path + 1), path);
    Fail(why, what, code);
}

// Creates a new file beside the target, open for writing, and names it in
// `target` after the target's own name (target->length stays the target's).
// The observer is told the name before the file exists. Deleting is shared,
// so that an interrupted program can remove the file while it is open.
// Returns INVALID_HANDLE_VALUE with the reason on failure.
HANDLE CreateTemporary(const char* path, WideText* target, Reason why) {
    static LONG counter = 0;
    wchar_t* suffix = target->text + target->length;
    for (int attempt = 0; attempt < 100; ++attempt) {
        _snwprintf(suffix, kSuffixRoom, L".~%lx-%lx.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
                   static_cast<unsigned long>(InterlockedIncrement(&counter)));
        suffix[kSuffixRoom - 1] = L'\0';
        Observe(TemporaryFileEvent::Creating, target->text);
        HANDLE file = CreateFileW(target->text, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        Observe(TemporaryFileEvent::Removed);
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
            CannotCreate(path, why, code);
            return INVALID_HANDLE_VALUE;
        }
    }
    CannotCreate(path, why, ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, const void* data, size_t size, Reason why) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const DWORD chunk = size < (size_t{1} << 30) ? static_cast<DWORD>(size) : (DWORD{1} << 30);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr)) return Fail(why, "cannot write", GetLastError());
        if (written == 0) return Fail(why, "cannot write", ERROR_WRITE_FAULT);
        bytes += written;
        size -= written;
    }
    return true;
}

// The two wide names: the target's, and the temporary one's, which is the
// target's with a suffix.
struct Names {
    WideText target;
    WideText temporary;
};

bool MakeNames(const char* path, LinkRule links, Names* names, Reason why) {
    if (!TargetName(path, &names->target, why) || !CheckTarget(names->target, links, why)) return false;
    if (!WidePathFromUtf8(path, kSuffixRoom, &names->temporary)) return Fail(why, "out of memory");
    return true;
}

}  // namespace

void ObserveTemporaryFiles(TemporaryFileObserver observer) { temporaryObserver = observer; }

bool ReplaceFileContents(const char* path, const void* data, size_t size, char* whyText, size_t whySize,
                         LinkRule links) {
    const Reason why{whyText, whySize};
    Names names;
    if (!MakeNames(path, links, &names, why)) return false;
    HANDLE file = CreateTemporary(path, &names.temporary, why);
    if (file == INVALID_HANDLE_VALUE) return false;

    bool ok = WriteAll(file, data, size, why);
    ok = ok && (FlushFileBuffers(file) || Fail(why, "cannot flush to the disk", GetLastError()));
    const bool closed = CloseHandle(file) != 0;
    ok = ok && (closed || Fail(why, "cannot write", GetLastError()));
    if (ok) Observe(TemporaryFileEvent::Replacing, names.temporary.text);
    ok = ok && (MoveFileExW(names.temporary.text, names.target.text, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
                Fail(why, "cannot replace it", GetLastError()));
    if (!ok) DeleteFileW(names.temporary.text);
    Observe(ok ? TemporaryFileEvent::Replaced : TemporaryFileEvent::Removed);
    return ok;
}

bool CanReplaceFile(const char* path, char* whyText, size_t whySize, LinkRule links) {
    const Reason why{whyText, whySize};
    Names names;
    if (!MakeNames(path, links, &names, why)) return false;
    HANDLE file = CreateTemporary(path, &names.temporary, why);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileW(names.temporary.text);
    Observe(TemporaryFileEvent::Removed);
    return true;
}

}  // namespace kelvo
