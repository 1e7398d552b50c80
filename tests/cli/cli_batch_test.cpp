// kelvo-render over many files (--out-dir), its version, and setting values
// written as scripts and people write them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "cli_test_support.h"
#include "kelvo_version.h"

namespace {

using clitest::RunCli;
using clitest::RunResult;


class KelvoRenderBatch : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path / "in");
        clitest::WriteImageOrFail(In("a.png"), clitest::PatternImage(40, 30, 3));
        clitest::WriteImageOrFail(In("b.ppm"), clitest::SparkImage(50, 20));
        clitest::WriteImageOrFail(In("c.pgm"), clitest::PatternImage(24, 24, 1));
    }
    std::string In(const std::string& name) const { return dir.File("in/" + name); }
    std::string Out(const std::string& name) const { return dir.File("out/" + name); }
    clitest::ScratchDir dir;
};

TEST_F(KelvoRenderBatch, EveryInputIsWrittenUnderItsOwnNameAsAOneImageRunWritesIt) {
    const RunResult r = RunCli({"--out-dir", dir.File("out"), "--set", "positionX=20", In("a.png"), In("b.ppm"),
                                In("c.pgm"), "--set", "raysCount=8"});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ("kelvo-render: 3 of 3 images written to " + dir.File("out") + "\n", r.out);
    EXPECT_TRUE(r.err.empty()) << r.err;
    for (const char* name : {"a.png", "b.ppm", "c.pgm"}) {
        ASSERT_EQ(0, RunCli({In(name), dir.File(name), "--set", "positionX=20", "--set", "raysCount=8"}).code);
        EXPECT_EQ(clitest::ReadBytes(dir.File(name)), clitest::ReadBytes(Out(name))) << name;
        EXPECT_NE(clitest::ReadBytes(In(name)), clitest::ReadBytes(Out(name))) << name;
    }
}

TEST_F(KelvoRenderBatch, AFailedFileIsReportedAndTheOthersAreStillDone) {
    clitest::WriteBytes(In("broken.png"), {0x89, 'P', 'N', 'G'});
    clitest::WriteBytes(In("notes.txt"), {'h', 'i'});
    const RunResult r = RunCli({"--no-progress", "--out-dir=" + dir.File("out"), In("broken.png"), In("a.png"),
                                In("missing.png"), In("notes.txt"), In("c.pgm")});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("kelvo-render: 2 of 5 images written to " + dir.File("out") + "; 3 failed\n", r.out);
    for (const char* name : {"broken.png", "missing.png", "notes.txt"}) {
        EXPECT_NE(std::string::npos, r.err.find(name)) << r.err;
        EXPECT_FALSE(std::filesystem::exists(Out(name))) << name;
    }
    EXPECT_TRUE(std::filesystem::exists(Out("a.png")));
    EXPECT_TRUE(std::filesystem::exists(Out("c.pgm")));
}

TEST_F(KelvoRenderBatch, NoOutputMayReplaceAnInputOrAnotherOutput) {
    // Two inputs of one name would write the same output: refused before any work.
    std::filesystem::create_directories(dir.path / "other");
    clitest::WriteImageOrFail(dir.File("other/a.png"), clitest::SparkImage(10, 10));
    RunResult r = RunCli({"--out-dir", dir.File("out"), In("a.png"), dir.File("other/a.png")});
    EXPECT_EQ(2, r.code);
    EXPECT_NE(std::string::npos, r.err.find("both be written")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));

    // The inputs' own folder as the output folder: the inputs stay as they were.
    const auto before = clitest::ReadBytes(In("a.png"));
    r = RunCli({"--out-dir", dir.File("in/."), In("a.png")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("replace the input")) << r.err;
    EXPECT_EQ(before, clitest::ReadBytes(In("a.png")));

    EXPECT_EQ(2, RunCli({"--out-dir", dir.File("out")}).code);        // no inputs
    EXPECT_EQ(2, RunCli({"--out-dir=", In("a.png")}).code);           // no folder
    EXPECT_EQ(2, RunCli({"--out-dir", "x", "--out-dir", "y", In("a.png")}).code);
    // A folder that cannot be made (a file stands in the way).
    r = RunCli({"--out-dir", In("a.png") + "/sub", In("c.pgm")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("output folder")) << r.err;
}

TEST(KelvoRenderVersion, PrintsTheReleaseVersion) {
    const RunResult r = RunCli({"--version"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(std::string("kelvo-render ") + KELVO_VERSION_TEXT + "\n", r.out);
    EXPECT_NE(std::string::npos, std::string(KELVO_VERSION_TEXT).find('.'));
}

TEST(KelvoRenderValues, WholeNumbersTinyRealsAndBlanksAsScriptsWriteThem) {
    clitest::ScratchDir dir;
    const std::string plain = dir.File("plain.lns");
    const std::string spelled = dir.File("spelled.lns");
    ASSERT_EQ(0, RunCli({"--save-settings", plain, "--set", "raysCount=5", "--set", "positionX=-40", "--set",
                         "flareHue=0"})
                     .code);
    const RunResult r = RunCli({"--save-settings", spelled, "--set", "raysCount=5.0", "--set", " positionX = -40.00 ",
                                "--set", "flareHue=\t0 "});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ(clitest::ReadBytes(plain), clitest::ReadBytes(spelled));

    ASSERT_EQ(0, RunCli({"--save-settings", spelled, "--set", "haloHue=1e-320"}).code);
    const auto bytes = clitest::ReadBytes(spelled);
    double haloHue = 0;
    ASSERT_EQ(185u, bytes.size());
    std::memcpy(&haloHue, bytes.data() + 1 + 56, sizeof haloHue);
    EXPECT_EQ(1e-320, haloHue);
    EXPECT_EQ(2, RunCli({"--save-settings", spelled, "--set", "raysCount=5.5"}).code);
}

}  // namespace
