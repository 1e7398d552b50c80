// POSIX side of ReplaceFileContents: a new hidden file beside the target
// (created exclusively, so never an existing one), write, fsync, rename, then
// fsync the folder so that the rename itself is on the disk.
#include "replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace kelvo {
namespace {

TemporaryFileObserver temporaryObserver = nullptr;

void Observe(TemporaryFileEvent event, const char* temporary = nullptr) {
    if (TemporaryFileObserver observer = temporaryObserver) observer(event, temporary);
}

struct Target {
    std::string path;    // where the new file goes (a symbolic link resolved)
    std::string folder;  // its folder, "." for a bare name
    bool exists = false;
    mode_t mode = 0;
};

bool Fail(std::string* error, const std::string& what, int code) {
    if (error != nullptr) *error = what + ": " + std::strerror(code);
    return false;
}

bool Fail(std::string* error, const std::string& what) {
    if (error != nullptr) *error = what;
    return false;
}

// Write-protected: we may not write it, or nobody may (root may write
// anything, but a file without write permission is marked as not to be
// replaced, as the read-only attribute marks it on Windows).
bool WriteProtected(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) == 0 || (access(path.c_str(), W_OK) != 0 && errno == EACCES);
}

bool ResolveTarget(const char* path, LinkRule links, Target* target, std::string* error) {
    if (path == nullptr || *path == '\0') return Fail(error, "no file name");
    target->path = path;
    struct stat st;
    if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
        if (links == LinkRule::Refuse) return Fail(error, kLinkReason);
        // Replace the file the link points to and keep the link.
        char* real = realpath(path, nullptr);
        if (real != nullptr) {
            target->path = real;
            std::free(real);
        }
    }
    if (stat(target->path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return Fail(error, S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a plain file");
        if (WriteProtected(target->path, st)) return Fail(error, kReadOnlyReason);
        target->exists = true;
        target->mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Fail(error, "cannot examine it", errno);
    }
    const size_t slash = target->path.find_last_of('/');
    if (slash == std::string::npos)
        target->folder = ".";
    else
        target->folder = slash == 0 ? "/" : target->path.substr(0, slash);
    return true;
}

// Creates the temporary file beside the target; returns its descriptor or -1.
// The name is told to the observer before the file exists, so that an
// interrupt at any moment finds it.
int CreateTemporary(const Target& target, std::string* temporary, std::string* error) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = target.path.find_last_of('/');
    const std::string base = slash == std::string::npos ? target.path : target.path.substr(slash + 1);
    const std::string start = (slash == std::string::npos ? std::string() : target.path.substr(0, slash + 1)) + "." + base;
    for (int attempt = 0; attempt < 100; ++attempt) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%lx-%lx%x.tmp", static_cast<unsigned long>(getpid()),
                      static_cast<unsigned long>(now.tv_nsec), counter.fetch_add(1) + 1);
        *temporary = start + suffix;
        Observe(TemporaryFileEvent::Creating, temporary->c_str());
        const int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
        const int code = errno;
        Observe(TemporaryFileEvent::Removed);
        if (code != EEXIST) {
            Fail(error, "cannot create a file in '" + target.folder + "'", code);
            return -1;
        }
    }
    Fail(error, "cannot create a file in '" + target.folder + "'", EEXIST);
    return -1;
}

mode_t NewFileMode() {
    const mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, const void* data, size_t size, std::string* error) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const size_t chunk = size < (size_t{1} << 30) ? size : (size_t{1} << 30);
        const ssize_t n = write(fd, bytes, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(error, "cannot write", errno);
        }
        if (n == 0) return Fail(error, "cannot write", EIO);
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);  // best effort: some file systems refuse to sync a folder
    close(fd);
}

bool Replace(const char* path, const void* data, size_t size, LinkRule links, std::string* error) {
    Target target;
    if (!ResolveTarget(path, links, &target, error)) return false;
    std::string temporary;
    const int fd = CreateTemporary(target, &temporary, error);
    if (fd < 0) return false;

    bool ok = fchmod(fd, target.exists ? target.mode : NewFileMode()) == 0 || Fail(error, "cannot set permissions", errno);
    ok = ok && WriteAll(fd, data, size, error);
    ok = ok && (fsync(fd) == 0 || Fail(error, "cannot flush to the disk", errno));
    const int closed = close(fd);
    ok = ok && (closed == 0 || Fail(error, "cannot write", errno));
    if (ok) Observe(TemporaryFileEvent::Replacing, temporary.c_str());
    ok = ok && (rename(temporary.c_str(), target.path.c_str()) == 0 || Fail(error, "cannot replace it", errno));
    if (!ok) unlink(temporary.c_str());
    Observe(ok ? TemporaryFileEvent::Replaced : TemporaryFileEvent::Removed);
    if (ok) SyncFolder(target.folder);
    return ok;
}

bool CanReplace(const char* path, LinkRule links, std::string* error) {
    Target target;
    if (!ResolveTarget(path, links, &target, error)) return false;
    std::string temporary;
    const int fd = CreateTemporary(target, &temporary, error);
    if (fd < 0) return false;
    close(fd);
    unlink(temporary.c_str());
    Observe(TemporaryFileEvent::Removed);
    return true;
}

// The reason, cut to fit the caller's room.
bool Report(bool ok, const std::string& error, char* why, size_t whySize) {
    if (!ok && why != nullptr && whySize > 0) std::snprintf(why, whySize, "%s", error.c_str());
    return ok;
}

}  // namespace

void ObserveTemporaryFiles(TemporaryFileObserver observer) { temporaryObserver = observer; }

bool ReplaceFileContents(const char* path, const void* data, size_t size, char* why, size_t whySize, LinkRule links) {
    std::string error;
    return Report(Replace(path, data, size, links, &error), error, why, whySize);
}

bool CanReplaceFile(const char* path, char* why, size_t whySize, LinkRule links) {
    std::string error;
    return Report(CanReplace(path, links, &error), error, why, whySize);
}

}  // namespace kelvo
