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

void Observe(const wchar_t* temporary) {
    if (TemporaryFileObserver observer = temporaryObserver) observer(temporary);
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

// The target's wide name, with room for the temporary suffix.
bool TargetName(const char* path, WideText* wide, Reason why) {
    if (path == nullptr || *path == '\0') return Fail(why, "no file name");
    if (!WidePathFromUtf8(path, kSuffixRoom, wide))
        return Fail(why, "the file name is not valid UTF-8, or too long");
    return true;
}

bool CheckTarget(const WideText& target, Reason why) {
    const DWORD attributes = GetFileAttributesW(target.text);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // not there yet, or its folder is missing
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(why, "it is a folder");
    // The move would be refused at the end; say so before any work is done.
    if (attributes & FILE_ATTRIBUTE_READONLY) return Fail(why, "it is read-only");
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
        Observe(target->text);
        HANDLE file = CreateFileW(target->text, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        Observe(nullptr);
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

bool MakeNames(const char* path, Names* names, Reason why) {
    if (!TargetName(path, &names->target, why) || !CheckTarget(names->target, why)) return false;
    if (!WidePathFromUtf8(path, kSuffixRoom, &names->temporary)) return Fail(why, "out of memory");
    return true;
}

}  // namespace

void ObserveTemporaryFiles(TemporaryFileObserver observer) { temporaryObserver = observer; }

bool ReplaceFileContents(const char* path, const void* data, size_t size, char* whyText, size_t whySize) {
    const Reason why{whyText, whySize};
    Names names;
    if (!MakeNames(path, &names, why)) return false;
    HANDLE file = CreateTemporary(path, &names.temporary, why);
    if (file == INVALID_HANDLE_VALUE) return false;

    bool ok = WriteAll(file, data, size, why);
    ok = ok && (FlushFileBuffers(file) || Fail(why, "cannot flush to the disk", GetLastError()));
    const bool closed = CloseHandle(file) != 0;
    ok = ok && (closed || Fail(why, "cannot write", GetLastError()));
    ok = ok && (MoveFileExW(names.temporary.text, names.target.text, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
                Fail(why, "cannot replace it", GetLastError()));
    if (!ok) DeleteFileW(names.temporary.text);
    Observe(nullptr);
    return ok;
}

bool CanReplaceFile(const char* path, char* whyText, size_t whySize) {
    const Reason why{whyText, whySize};
    Names names;
    if (!MakeNames(path, &names, why)) return false;
    HANDLE file = CreateTemporary(path, &names.temporary, why);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileW(names.temporary.text);
    Observe(nullptr);
    return true;
}

}  // namespace kelvo
