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

// What happens to a temporary file, as an observer learns it.
enum class TemporaryFileEvent {
    Creating,   // `temporary` names the file about to be created
    Replacing,  // the file is whole and flushed, about to be renamed over the target
    Replaced,   // renamed: the target now holds the new bytes (`temporary` is null)
    Removed,    // removed, or never created: the target is as it was (`temporary` is null)
};

// A program that removes its temporary file when it is interrupted learns of
// it here: `observer` is called with Creating and the temporary file's name
// before the file is created, with Replacing just before the rename, and with
// Replaced or Removed once the name is gone. The name stays valid only until
// that last call, so the observer copies it. Between Replacing and the call
// after it the rename happens: an observer that must know whether the target
// was replaced holds its interrupts off for that span. Null (the default, and
// what the modules keep) observes nothing.
using TemporaryFileObserver = void (*)(TemporaryFileEvent event, const NativePathChar* temporary);
void ObserveTemporaryFiles(TemporaryFileObserver observer);

// What a target that is a symbolic link means: the file it points to is
// replaced and the link kept (Follow), or the target is refused (Refuse), for
// a program that promises to write only inside one folder. With Refuse the
// rename never goes through a link: a link put in place after the check is
// itself replaced, never what it points to.
enum class LinkRule { Follow, Refuse };

// The reasons given for a target refused as it stands.
constexpr const char* kReadOnlyReason = "it is read-only";
constexpr const char* kLinkReason = "it is a symbolic link, which this run does not write through";
constexpr const char* kReservedNameReason =
    "it is a reserved device name on Windows (CON, PRN, AUX, NUL, COM1..COM9 or LPT1..LPT9, with any extension)";

// Room for the reason of a failure, as the functions below write it.
constexpr size_t kFileReasonSize = 256;

// Replaces (or creates) the file at `path` with `size` bytes from `data`.
// Returns true only when every byte reached the disk and the file is in place.
// On failure returns false, leaves any file at `path` as it was and, when
// `why` is not null, says why in it (without naming the path; cut to
// `whySize` bytes, always ended). An existing target that is not a plain file
// (a folder, a device; on Windows any reserved device name) is refused, and so is a write-protected one ("it is
// read-only"): on Windows one with the read-only attribute, elsewhere one that
// we may not write or that has no write permission for anyone. This form
// allocates nothing and throws nothing, so the modules call it from inside a
// host.
bool ReplaceFileContents(const char* path, const void* data, size_t size, char* why, size_t whySize,
                         LinkRule links = LinkRule::Follow);

// Checks, before any expensive work, that ReplaceFileContents could put a file
// at `path`: the folder exists and takes new files (a temporary file is
// created there and removed again) and an existing target is a plain file.
// Returns false with the reason in `why` otherwise.
bool CanReplaceFile(const char* path, char* why, size_t whySize, LinkRule links = LinkRule::Follow);

// The same two for our programs, with the reason as a string.
inline bool ReplaceFileContents(const char* path, const void* data, size_t size, std::string* error = nullptr,
                                LinkRule links = LinkRule::Follow) {
    char why[kFileReasonSize] = "";
    const bool ok = ReplaceFileContents(path, data, size, why, sizeof why, links);
    if (!ok && error != nullptr) *error = why;
    return ok;
}

inline bool CanReplaceFile(const char* path, std::string* error = nullptr, LinkRule links = LinkRule::Follow) {
    char why[kFileReasonSize] = "";
    const bool ok = CanReplaceFile(path, why, sizeof why, links);
    if (!ok && error != nullptr) *error = why;
    return ok;
}

}  // namespace kelvo
