// kelvo-render as a process: the user's files survive whatever goes wrong,
// and every failure ends with a message and exit status 1.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli_test_support.h"
#include "image_io.h"

namespace kelvo {

namespace {

struct Outcome {
    int code = -1;
    std::string output;  // standard output and error together
};

// Runs the built program through the shell; `limits` are shell commands run
// first (ulimit).
Outcome RunProgram(const std::string& limits, const std::string& args) {
    const std::string command = "(" + limits + " exec \"" KELVO_RENDER_PATH "\" --no-progress " + args + ") 2>&1";
    Outcome outcome;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, n);
    const int status = pclose(pipe);
    outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

std::vector<std::string> Names(const clitest::ScratchDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SafeOutput : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(image::WriteImage(dir.File("in.png"), clitest::SparkImage(64, 48), &error)) << error;
    }
    clitest::ScratchDir dir;
};

TEST_F(SafeOutput, AFailingWriteLeavesTheOldFilesWhole) {
    const std::vector<uint8_t> old(5000, 42);
    clitest::WriteBytes(dir.File("out.png"), old);
    clitest::WriteBytes(dir.File("flare.lns"), old);
    // No file may grow at all: every write fails.
    Outcome r = RunProgram("ulimit -f 0;", Quote(dir.File("in.png")) + " " + Quote(dir.File("out.png")));
    EXPECT_EQ(1, r.code) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("kelvo-render: error: cannot write '" + dir.File("out.png") + "': "))
        << r.output;
    EXPECT_NE(std::string::npos, r.output.find("File too large")) << r.output;
    r = RunProgram("ulimit -f 0;", "--save-settings " + Quote(dir.File("flare.lns")));
    EXPECT_EQ(1, r.code) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("cannot write settings file")) << r.output;
    EXPECT_EQ(old, clitest::ReadBytes(dir.File("out.png")));
    EXPECT_EQ(old, clitest::ReadBytes(dir.File("flare.lns")));
    EXPECT_EQ((std::vector<std::string>{"flare.lns", "in.png", "out.png"}), Names(dir)) << "no temporary file is left";
}

TEST_F(SafeOutput, TheSamePathForInputAndOutputIsSafe) {
    const std::vector<uint8_t> original = clitest::ReadBytes(dir.File("in.png"));
    // Refused for the format: the picture stays.
    Outcome r = RunProgram("", Quote(dir.File("in.png")) + " " + Quote(dir.File("in.png")) + " --set flareSize=1000");
    EXPECT_EQ(2, r.code) << r.output;
    r = RunProgram("ulimit -f 0;", Quote(dir.File("in.png")) + " " + Quote(dir.File("in.png")));
    EXPECT_EQ(1, r.code) << r.output;
    EXPECT_EQ(original, clitest::ReadBytes(dir.File("in.png")));
    // Rendered over itself: the new picture is whole.
    r = RunProgram("", Quote(dir.File("in.png")) + " " + Quote(dir.File("in.png")));
    EXPECT_EQ(0, r.code) << r.output;
    image::Image result;
    std::string error;
    ASSERT_TRUE(image::ReadImage(dir.File("in.png"), &result, &error)) << error;
    EXPECT_EQ(64, result.width);
    EXPECT_NE(original, clitest::ReadBytes(dir.File("in.png")));
}

TEST_F(SafeOutput, TheOutputIsCheckedBeforeTheRender) {
    // The output folder does not exist: refused at once, whatever the size.
    const Outcome r = RunProgram("", Quote(dir.File("in.png")) + " " + Quote(dir.File("missing/out.png")));
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.output.find("cannot create a file in")) << r.output;
    const Outcome folder = RunProgram("", Quote(dir.File("in.png")) + " " + Quote(dir.path.string() + "/.png"));
    EXPECT_EQ(0, folder.code) << folder.output;  // a plain name that happens to start with a dot
    std::filesystem::create_directories(dir.File("taken.png"));
    const Outcome taken = RunProgram("", Quote(dir.File("in.png")) + " " + Quote(dir.File("taken.png")));
    EXPECT_EQ(1, taken.code);
    EXPECT_NE(std::string::npos, taken.output.find("it is a folder")) << taken.output;
}

TEST_F(SafeOutput, EndlessInputAndExhaustedMemoryEndWithAMessage) {
    Outcome r = RunProgram("", "/dev/zero " + Quote(dir.File("out.png")));
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("kelvo-render: error: '/dev/zero': not a PNG, JPEG, TIFF, PGM or PPM file\n", r.output);

#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit cannot be combined with AddressSanitizer";
#else
    // A 3000 x 3000 RGB image (27 MB; the file, the image and the result
    // take three times that) in 64 MB of address space.
    image::Image big;
    big.width = big.height = 3000;
    big.channels = 3;
    big.pixels.assign(image::ImageBytes(big), 0);
    std::string error;
    ASSERT_TRUE(image::WriteImage(dir.File("big.ppm"), big, &error)) << error;
    r = RunProgram("ulimit -v 64000;", Quote(dir.File("big.ppm")) + " " + Quote(dir.File("out.png")));
    EXPECT_EQ(1, r.code) << r.output;
    EXPECT_EQ("kelvo-render: error: out of memory\n", r.output);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.png")));
#endif
}

}  // namespace

}  // namespace kelvo
