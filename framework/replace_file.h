// Writing a whole file without ever losing the one it replaces. The new bytes
// go to a temporary file beside the target (same folder, so the same volume),
// which is flushed to the disk and then renamed over the target in one step.
// Whatever happens on the way - a full disk, a size limit, a kill, a power
// cut - the target is either the old file, whole, or the new one, whole. On
// failure the temporary file is removed (a process killed mid-write can leave
// it behind; the target is never touched then).
//
// Every file the modules and our tools write goes through here: rendered
// images, settings files, the dialog's Save.
//
// Paths are UTF-8 on Windows, where they are opened by their wide names
// (wide_path_win32.h), and as the file system takes them elsewhere.
#pragma once

#include <cstddef>
#include <string>

namespace kelvo {

// A path as the platform's own file functions take it.
#ifdef _WIN32
using NativePathChar = wchar_t;
#else
using NativePathChar = char;
#endif

// A program that removes its temporary file when it is interrupted learns of
// it here: `observer` is called with the temporary file's name before the
// file is created, and with null once it is renamed or removed. The name
// stays valid only until that second call, so the observer copies it. Null
// (the default, and what the modules keep) observes nothing.
using TemporaryFileObserver = void (*)(const NativePathChar* temporary);
void ObserveTemporaryFiles(TemporaryFileObserver observer);

// Room for the reason of a failure, as the functions below write it.
constexpr size_t kFileReasonSize = 256;

// Replaces (or creates) the file at `path` with `size` bytes from `data`.
// Returns true only when every byte reached the disk and the file is in place.
// On failure returns false, leaves any file at `path` as it was and, when
// `why` is not null, says why in it (without naming the path; cut to
// `whySize` bytes, always ended). An existing target that is not a plain file
// (a folder, a device) is refused, and so is a read-only one on Windows,
// where it cannot be replaced. This form allocates nothing and throws
// nothing, so the modules call it from inside a host.
bool ReplaceFileContents(const char* path, const void* data, size_t size, char* why, size_t whySize);

// Checks, before any expensive work, that ReplaceFileContents could put a file
// at `path`: the folder exists and takes new files (a temporary file is
// created there and removed again) and an existing target is a plain file.
// Returns false with the reason in `why` otherwise.
bool CanReplaceFile(const char* path, char* why, size_t whySize);

// The same two for our programs, with the reason as a string.
inline bool ReplaceFileContents(const char* path, const void* data, size_t size, std::string* error = nullptr) {
    char why[kFileReasonSize] = "";
    const bool ok = ReplaceFileContents(path, data, size, why, sizeof why);
    if (!ok && error != nullptr) *error = why;
    return ok;
}

inline bool CanReplaceFile(const char* path, std::string* error = nullptr) {
    char why[kFileReasonSize] = "";
    const bool ok = CanReplaceFile(path, why, sizeof why);
    if (!ok && error != nullptr) *error = why;
    return ok;
}

}  // namespace kelvo
