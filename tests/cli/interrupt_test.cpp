// kelvo-render stopped by SIGINT, SIGTERM or SIGHUP while it writes its
// output: the temporary file goes, the old output stays, the exit status is
// 128 + the signal, and a batch says how far it came; stopped right after the
// output replaced the old one, it says so. The program is caught by watching
// its folder: it is stopped as soon as its temporary file appears (or is
// renamed over b.ppm), and the signal is sent while it is held there.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "cli_test_support.h"

namespace kelvo {

namespace {

namespace fs = std::filesystem;

struct Interrupted {
    bool caught = false;  // the signal came while the temporary file was there
    int status = -1;
    std::string err;
};

// Runs kelvo-render with `args`, writing b.ppm into `folder`; sends `signal`
// the moment b.ppm's second temporary file shows there (the first is the
// check that the folder takes files, made and removed before the render), or
// with `afterRename` the moment it is renamed to b.ppm. With `ignored` the
// program starts with that signal ignored, as under nohup.
Interrupted RunAndInterrupt(const std::vector<std::string>& args, const fs::path& folder, int signal,
                            bool afterRename, bool ignored = false) {
    Interrupted r;
    const int watch = inotify_init1(IN_CLOEXEC);
    inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO);
    int errPipe[2];
    if (pipe(errPipe) != 0) return r;
    const pid_t child = fork();
    if (child == 0) {
        dup2(errPipe[1], STDERR_FILENO);
        if (ignored) ::signal(signal, SIG_IGN);
        std::vector<char*> argv{const_cast<char*>(KELVO_RENDER_PATH), const_cast<char*>("--no-progress")};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(KELVO_RENDER_PATH, argv.data());
        _exit(127);
    }
    close(errPipe[1]);
    alignas(inotify_event) char events[4096];
    int seen = 0;
    for (bool stopped = false; !stopped;) {
        const ssize_t n = read(watch, events, sizeof events);
        if (n <= 0) break;
        for (char* p = events; p < events + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len) {
            const auto* e = reinterpret_cast<inotify_event*>(p);
            if (stopped || e->len == 0) continue;
            if (afterRename ? !(e->mask & IN_MOVED_TO) || std::string(e->name) != "b.ppm"
                            : std::string(e->name).rfind(".b.ppm.", 0) != 0 || ++seen < 2)
                continue;
            kill(child, SIGSTOP);
            stopped = true;
            // Not yet renamed over the output; or, after the rename, stopped
            // before it ended.
            if (afterRename) {
                waitpid(child, &r.status, WUNTRACED);
                r.caught = WIFSTOPPED(r.status);
            } else {
                r.caught = fs::exists(folder / e->name);
            }
        }
    }
    if (afterRename && !r.caught) return r;  // ended before the signal
    kill(child, signal);
    kill(child, SIGCONT);
    char buffer[512];
    for (ssize_t n; (n = read(errPipe[0], buffer, sizeof buffer)) > 0;) r.err.append(buffer, static_cast<size_t>(n));
    close(errPipe[0]);
    close(watch);
    waitpid(child, &r.status, 0);
    return r;
}

TEST(Interrupts, RemoveTheTemporaryFileAndKeepTheOldOutput) {
    clitest::ScratchDir dir;
    image::Image big;
    big.width = big.height = 2000;  // 12 MB to write: long enough to be caught
    big.channels = 3;
    big.pixels.assign(image::ImageBytes(big), 0);
    std::string error;
    ASSERT_TRUE(image::WriteImage(dir.File("a.ppm"), big, &error)) << error;
    ASSERT_TRUE(image::WriteImage(dir.File("b.ppm"), big, &error)) << error;
    fs::create_directories(dir.path / "out");
    const std::vector<uint8_t> old(1000, 7);

    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (const bool batch : {false, true}) {
            for (const bool afterRename : {false, true}) {
                SCOPED_TRACE(std::to_string(signal) + (batch ? " batch" : " one image") +
                             (afterRename ? " after the rename" : " mid-write"));
                // A few tries: the run may finish before it is caught.
                Interrupted r;
                for (int attempt = 0; attempt < 8 && !r.caught; ++attempt) {
                    fs::remove_all(dir.path / "out");
                    fs::create_directories(dir.path / "out");
                    clitest::WriteBytes(dir.File("out/b.ppm"), old);
                    r = batch ? RunAndInterrupt({"--out-dir", dir.File("out"), dir.File("a.ppm"), dir.File("b.ppm")},
                                                dir.path / "out", signal, afterRename)
                              : RunAndInterrupt({dir.File("a.ppm"), dir.File("out/b.ppm")}, dir.path / "out", signal,
                                                afterRename);
                }
                ASSERT_TRUE(r.caught) << "never caught";
                ASSERT_TRUE(WIFEXITED(r.status)) << r.err;
                EXPECT_EQ(WEXITSTATUS(r.status), 128 + signal) << r.err;
                EXPECT_EQ(clitest::ReadBytes(dir.File("out/b.ppm")) == old, !afterRename);
                const auto files = std::distance(fs::directory_iterator(dir.path / "out"), fs::directory_iterator());
                EXPECT_EQ(files, batch ? 2 : 1) << "the first image of a batch stays; no temporary file is left";
                EXPECT_EQ(batch, fs::exists(dir.File("out/a.ppm")));
                const char* note = batch ? (afterRename ? "interrupted: 2 of 2 images written to"
                                                        : "interrupted: 1 of 2 images written to")
                                         : (afterRename ? "was already written" : "left as it was");
                EXPECT_NE(r.err.find(note), std::string::npos) << r.err;
            }
        }
    }

    // A signal ignored by the caller (nohup) stays ignored: the run ends well.
    for (int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(std::to_string(signal) + " ignored");
        Interrupted r;
        for (int attempt = 0; attempt < 8 && !r.caught; ++attempt) {
            clitest::WriteBytes(dir.File("out/b.ppm"), old);
            r = RunAndInterrupt({dir.File("a.ppm"), dir.File("out/b.ppm")}, dir.path / "out", signal, false, true);
        }
        ASSERT_TRUE(r.caught) << "never caught";
        EXPECT_TRUE(WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0) << r.err;
        EXPECT_NE(old, clitest::ReadBytes(dir.File("out/b.ppm")));
    }
}

}  // namespace

}  // namespace kelvo
