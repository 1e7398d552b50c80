// Win32 side of ReplaceFileContents: a new file beside the target, written,
// flushed with FlushFileBuffers, then moved over the target with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, so the move returns only
// once it is on the disk. Until that move the old file is untouched.
//
// The modules call this from inside a host (the dialog's Save), so it works in
// fixed buffers: no allocation, nothing thrown, no C++ library strings.
#include "replace_file.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace kelvo {
namespace {

// The narrow file functions take paths of up to MAX_PATH characters; the
// temporary name adds a suffix of at most 32.
constexpr size_t kPathRoom = MAX_PATH + 64;

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
    char system[160] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, system,
                             sizeof system, nullptr);
    while (n > 0 && (system[n - 1] == '\r' || system[n - 1] == '\n' || system[n - 1] == ' ' || system[n - 1] == '.'))
        --n;
    system[n] = '\0';
    if (n == 0) std::snprintf(system, sizeof system, "system error %lu", static_cast<unsigned long>(code));
    std::snprintf(why.text, why.size, "%s: %s", what, system);
    return false;
}

bool CheckTarget(const char* path, Reason why) {
    if (path == nullptr || *path == '\0') return Fail(why, "no file name");
    if (std::strlen(path) > MAX_PATH) return Fail(why, "the file name is too long");
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // not there yet, or its folder is missing
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(why, "it is a folder");
    // The move would be refused at the end; say so before any work is done.
    if (attributes & FILE_ATTRIBUTE_READONLY) return Fail(why, "it is read-only");
    return true;
}

// "cannot create a file in '<folder>'" for the target's folder.
void CannotCreate(const char* path, Reason why, DWORD code) {
    char what[kPathRoom + 40];
    const char* slash = std::strrchr(path, '\\');
    const char* other = std::strrchr(path, '/');
    if (other != nullptr && (slash == nullptr || other > slash)) slash = other;
    if (slash == nullptr)
        std::snprintf(what, sizeof what, "cannot create a file in '.'");
    else
        std::snprintf(what, sizeof what, "cannot create a file in '%.*s'", static_cast<int>(slash - path + 1), path);
    Fail(why, what, code);
}

// Creates a new file beside the target, open for writing; its name goes to
// `temporary` (kPathRoom characters). Returns INVALID_HANDLE_VALUE with the
// reason on failure.
HANDLE CreateTemporary(const char* path, char* temporary, Reason why) {
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::snprintf(temporary, kPathRoom, "%s.~%lx-%lx.tmp", path, static_cast<unsigned long>(GetCurrentProcessId()),
                      static_cast<unsigned long>(InterlockedIncrement(&counter)));
        HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
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

}  // namespace

bool ReplaceFileContents(const char* path, const void* data, size_t size, char* whyText, size_t whySize) {
    const Reason why{whyText, whySize};
    if (!CheckTarget(path, why)) return false;
    char temporary[kPathRoom];
    HANDLE file = CreateTemporary(path, temporary, why);
    if (file == INVALID_HANDLE_VALUE) return false;

    bool ok = WriteAll(file, data, size, why);
    ok = ok && (FlushFileBuffers(file) || Fail(why, "cannot flush to the disk", GetLastError()));
    const bool closed = CloseHandle(file) != 0;
    ok = ok && (closed || Fail(why, "cannot write", GetLastError()));
    ok = ok && (MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
                Fail(why, "cannot replace it", GetLastError()));
    if (!ok) DeleteFileA(temporary);
    return ok;
}

bool CanReplaceFile(const char* path, char* whyText, size_t whySize) {
    const Reason why{whyText, whySize};
    if (!CheckTarget(path, why)) return false;
    char temporary[kPathRoom];
    HANDLE file = CreateTemporary(path, temporary, why);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileA(temporary);
    return true;
}

}  // namespace kelvo
