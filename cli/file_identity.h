// Whether two paths name one file, as the file system sees it: an existing
// file by its identity (device and inode on POSIX systems, volume serial
// number and file index on Windows), so hard links, symbolic links and other
// spellings of one path all count as the same file; a file not there yet by
// its folder's identity and its name, compared as the file system compares
// names (case-insensitively on Windows). Paths are UTF-8, made wide at the
// Windows edge.
#pragma once

#include <cstdint>
#include <string>

namespace kelvo::cli {

// The identity of an existing file or folder.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index[2] = {0, 0};
    bool operator==(const FileIdentity& o) const {
        return volume == o.volume && index[0] == o.index[0] && index[1] == o.index[1];
    }
};

// What a path is compared by (KeyOfPath).
struct FileKey {
    bool exists = false;        // the file (or folder) is there, `file` says which
    FileIdentity file;
    bool folderExists = false;  // its folder is there, `folder` says which
    FileIdentity folder;
    std::string folderName;     // the folder's full name, when it is not there
    std::string name;           // the last part of the full name
};

FileKey KeyOfPath(const std::string& path);

// True when the two keys name one file.
bool SameFile(const FileKey& a, const FileKey& b);

// ---- The system's part (file_identity_posix.cpp, file_identity_win32.cpp) ----

// The identity of what the path names, symbolic links followed. False when
// nothing is there (or it cannot be examined).
bool IdentifyFile(const std::string& path, FileIdentity* identity);

// True when the path itself (not what it points to) is a symbolic link, or on
// Windows a junction (other reparse points are plain files here).
bool IsSymbolicLink(const std::string& path);

// The path made absolute and normal as the system resolves names: "." and
// ".." taken out, and on Windows "/" made "\" and trailing dots and blanks of
// a name dropped.
std::string FullPathName(const std::string& path);

// True when two names (or full paths) are the same to the file system: equal
// bytes on POSIX systems, equal ignoring case on Windows.
bool NamesMatch(const std::string& a, const std::string& b);

}  // namespace kelvo::cli
