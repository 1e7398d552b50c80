// Win32 side of ReplaceFileContents: a new file beside the target, written,
// flushed with FlushFileBuffers, then moved over the target with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, so the move returns only
// once it is on the disk. Until that move the old file is untouched.
#include "replace_file.h"

#include <windows.h>

#include <cstdio>

namespace kelvo {
namespace {

bool Fail(std::string* error, const std::string& what, DWORD code) {
    if (error == nullptr) return false;
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
    if (n == 0) n = static_cast<DWORD>(std::snprintf(text, sizeof text, "system error %lu", code));
    *error = what + ": " + std::string(text, n);
    return false;
}

bool Fail(std::string* error, const std::string& what) {
    if (error != nullptr) *error = what;
    return false;
}

bool CheckTarget(const char* path, std::string* error) {
    if (path == nullptr || *path == '\0') return Fail(error, "no file name");
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // not there yet, or its folder is missing
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(error, "it is a folder");
    // The move would be refused at the end; say so before any work is done.
    if (attributes & FILE_ATTRIBUTE_READONLY) return Fail(error, "it is read-only");
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut + 1);
}

// Creates a new file beside the target, open for writing; its name goes to
// *temporary. Returns INVALID_HANDLE_VALUE with the reason on failure.
HANDLE CreateTemporary(const std::string& path, std::string* temporary, std::string* error) {
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".~%lx-%lx.tmp", GetCurrentProcessId(),
                      static_cast<unsigned long>(InterlockedIncrement(&counter)));
        const std::string name = path + suffix;
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            *temporary = name;
            return file;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
            Fail(error, "cannot create a file in '" + FolderOf(path) + "'", code);
            return INVALID_HANDLE_VALUE;
        }
    }
    Fail(error, "cannot create a file in '" + FolderOf(path) + "'", ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, const void* data, size_t size, std::string* error) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const DWORD chunk = size < (size_t{1} << 30) ? static_cast<DWORD>(size) : (DWORD{1} << 30);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr)) return Fail(error, "cannot write", GetLastError());
        if (written == 0) return Fail(error, "cannot write", ERROR_WRITE_FAULT);
        bytes += written;
        size -= written;
    }
    return true;
}

}  // namespace

bool ReplaceFileContents(const char* path, const void* data, size_t size, std::string* error) {
    if (!CheckTarget(path, error)) return false;
    std::string temporary;
    HANDLE file = CreateTemporary(path, &temporary, error);
    if (file == INVALID_HANDLE_VALUE) return false;

    bool ok = WriteAll(file, data, size, error);
    ok = ok && (FlushFileBuffers(file) || Fail(error, "cannot flush to the disk", GetLastError()));
    const bool closed = CloseHandle(file) != 0;
    ok = ok && (closed || Fail(error, "cannot write", GetLastError()));
    ok = ok && (MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
                Fail(error, "cannot replace it", GetLastError()));
    if (!ok) DeleteFileA(temporary.c_str());
    return ok;
}

bool CanReplaceFile(const char* path, std::string* error) {
    if (!CheckTarget(path, error)) return false;
    std::string temporary;
    HANDLE file = CreateTemporary(path, &temporary, error);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileA(temporary.c_str());
    return true;
}

}  // namespace kelvo
