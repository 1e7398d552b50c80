// Safe file writes: the target is the old file or the whole new one, never a
// fragment, and nothing is left beside it. Built natively (POSIX side) and for
// x64 Windows, run under Wine (Win32 side).
#include "replace_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace kelvo {

namespace {

namespace fs = std::filesystem;

struct Scratch {
    fs::path path;
    Scratch() {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path = fs::temp_directory_path() / ("kelvo-replace-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        fs::create_directories(path);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename().string());
        return names;
    }
};

std::string ReadText(const std::string& path) {
    std::string text;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "<missing>";
    int c;
    while ((c = std::fgetc(f)) != EOF) text.push_back(static_cast<char>(c));
    std::fclose(f);
    return text;
}

bool Put(const std::string& path, const std::string& text, std::string* error = nullptr) {
    return kelvo::ReplaceFileContents(path.c_str(), text.data(), text.size(), error);
}

TEST(SafeReplace, CreatesAndReplacesLeavingOnlyTheTarget) {
    Scratch dir;
    const std::string path = dir.File("a.lns");
    ASSERT_TRUE(Put(path, "first"));
    EXPECT_EQ("first", ReadText(path));
    ASSERT_TRUE(Put(path, "the second, longer content"));
    EXPECT_EQ("the second, longer content", ReadText(path));
    ASSERT_TRUE(Put(path, ""));
    EXPECT_EQ("", ReadText(path));
    EXPECT_EQ(std::vector<std::string>{"a.lns"}, dir.Names());
}

TEST(SafeReplace, RefusesWhatCannotBeWrittenAndSaysWhy) {
    Scratch dir;
    std::string error;
    EXPECT_FALSE(Put(dir.File("missing/a.png"), "x", &error));
    EXPECT_NE(std::string::npos, error.find("cannot create a file in")) << error;
    EXPECT_FALSE(kelvo::CanReplaceFile(dir.File("missing/a.png").c_str(), &error));

    fs::create_directories(dir.File("folder"));
    error.clear();
    EXPECT_FALSE(Put(dir.File("folder"), "x", &error));
    EXPECT_EQ("it is a folder", error);
    EXPECT_TRUE(fs::is_directory(dir.File("folder")));
    EXPECT_FALSE(kelvo::CanReplaceFile(dir.File("folder").c_str(), &error));
    EXPECT_FALSE(kelvo::CanReplaceFile("", &error));
    EXPECT_FALSE(kelvo::ReplaceFileContents(nullptr, "x", 1, nullptr));

    // The check before a long job creates nothing and changes nothing.
    ASSERT_TRUE(Put(dir.File("old.png"), "old"));
    EXPECT_TRUE(kelvo::CanReplaceFile(dir.File("old.png").c_str(), &error)) << error;
    EXPECT_TRUE(kelvo::CanReplaceFile(dir.File("new.png").c_str(), &error)) << error;
    EXPECT_EQ("old", ReadText(dir.File("old.png")));
    EXPECT_EQ((std::vector<std::string>{"folder", "old.png"}), [&] {
        auto names = dir.Names();
        std::sort(names.begin(), names.end());
        return names;
    }());
}

#ifdef _WIN32

// A target that another program holds open without sharing deletion cannot be
// replaced: the old file stays, the message says so, no temporary is left.
TEST(SafeReplace, TargetHeldOpenElsewhereStaysAsItWas) {
    Scratch dir;
    const std::string path = dir.File("held.lns");
    ASSERT_TRUE(Put(path, "old content"));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    std::string error;
    EXPECT_FALSE(Put(path, "new content", &error));
    EXPECT_NE(std::string::npos, error.find("cannot replace it")) << error;
    CloseHandle(held);
    EXPECT_EQ("old content", ReadText(path));
    EXPECT_EQ(std::vector<std::string>{"held.lns"}, dir.Names());

    // A read-only target is refused up front, by the check as by the write.
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(kelvo::CanReplaceFile(path.c_str(), &error));
    EXPECT_EQ("it is read-only", error);
    EXPECT_FALSE(Put(path, "new content", &error));
    EXPECT_EQ("old content", ReadText(path));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(std::vector<std::string>{"held.lns"}, dir.Names());
}

#else

// Runs `write` in a child process whose files may not grow beyond `limit`
// bytes; returns the child's wait status.
template <typename Write>
int WithFileSizeLimit(rlim_t limit, bool ignoreSignal, Write write) {
    const pid_t child = fork();
    if (child == 0) {
        const struct rlimit rl = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        const struct rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        if (ignoreSignal) signal(SIGXFSZ, SIG_IGN);
        _exit(write() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST(SafeReplace, AFailingWriteLeavesTheOldFileWhole) {
    Scratch dir;
    const std::string path = dir.File("picture.png");
    const std::string old(3000, 'o');
    ASSERT_TRUE(Put(path, old));
    const std::string big(1 << 20, 'n');

    // The write fails with "File too large": reported, temporary removed.
    int status = WithFileSizeLimit(4096, true, [&] {
        std::string error;
        const bool ok = Put(path, big, &error);
        std::fprintf(stderr, "%s\n", error.c_str());
        return ok;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(1, WEXITSTATUS(status));
    EXPECT_EQ(old, ReadText(path));
    EXPECT_EQ(std::vector<std::string>{"picture.png"}, dir.Names());

    // The process is killed mid-write (the default for SIGXFSZ): the old file
    // is still whole; only the temporary fragment is left beside it.
    status = WithFileSizeLimit(4096, false, [&] { return Put(path, big); });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(old, ReadText(path));
}

TEST(SafeReplace, KeepsTheTargetsPermissionsAndItsSymbolicLink) {
    Scratch dir;
    const std::string path = dir.File("settings.lns");
    ASSERT_TRUE(Put(path, "v1"));
    ASSERT_EQ(0, chmod(path.c_str(), 0640));
    ASSERT_TRUE(Put(path, "v2"));
    struct stat st;
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);

    const std::string link = dir.File("link.lns");
    ASSERT_EQ(0, symlink(path.c_str(), link.c_str()));
    ASSERT_TRUE(Put(link, "v3"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ("v3", ReadText(path));
}

#endif

}  // namespace

}  // namespace kelvo
