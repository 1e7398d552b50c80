#include "file_identity.h"

namespace kelvo::cli {
namespace {

// The full name split at its last separator: folder and name.
void SplitFullName(const std::string& full, std::string* folder, std::string* name) {
    const size_t slash = full.find_last_of("/\\");
    if (slash == std::string::npos) {
        *folder = ".";
        *name = full;
        return;
    }
    *folder = full.substr(0, slash == 0 ? 1 : slash);
    *name = full.substr(slash + 1);
}

}  // namespace

FileKey KeyOfPath(const std::string& path) {
    FileKey key;
    key.exists = IdentifyFile(path, &key.file);
    std::string folder;
    SplitFullName(FullPathName(path), &folder, &key.name);
    key.folderExists = IdentifyFile(folder, &key.folder);
    if (!key.folderExists) key.folderName = folder;
    return key;
}

bool SameFile(const FileKey& a, const FileKey& b) {
    if (a.exists || b.exists) return a.exists == b.exists && a.file == b.file;
    if (a.folderExists != b.folderExists) return false;
    const bool sameFolder = a.folderExists ? a.folder == b.folder : NamesMatch(a.folderName, b.folderName);
    return sameFolder && NamesMatch(a.name, b.name);
}

}  // namespace kelvo::cli
