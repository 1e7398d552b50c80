#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "file_identity.h"

namespace kelvo::cli {

bool IdentifyFile(const std::string& path, FileIdentity* identity) {
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) return false;
    identity->volume = static_cast<uint64_t>(st.st_dev);
    identity->index[0] = static_cast<uint64_t>(st.st_ino);
    return true;
}

bool IsSymbolicLink(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string FullPathName(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return (ec ? std::filesystem::path(path) : full).lexically_normal().string();
}

bool NamesMatch(const std::string& a, const std::string& b) { return a == b; }

}  // namespace kelvo::cli
