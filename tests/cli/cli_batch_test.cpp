// kelvo-render over many files (--out-dir), its version, and setting values
// written as scripts and people write them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "cli_test_support.h"
#include "kelvo_version.h"

namespace kelvo {

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

// Every file under the folder with its bytes, links by their targets.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        const std::string name = std::filesystem::relative(e.path(), root).string();
        if (e.is_symlink())
            files[name] = "-> " + std::filesystem::read_symlink(e.path()).string();
        else if (e.is_regular_file()) {
            const auto bytes = clitest::ReadBytes(e.path().string());
            files[name] = std::string(bytes.begin(), bytes.end());
        }
    }
    return files;
}

// Runs that would lose a file are refused whole, before anything is written:
// every file stays as it was and no file is added.
TEST(KelvoRenderPlan, ARunThatWouldReplaceAnInputOrAnotherOutputWritesNothing) {
    struct Case {
        const char* what;
        std::vector<std::string> args;  // "@" stands for the scratch folder
        int code;
        const char* message;  // a part of the message, naming the paths
    };
    const Case cases[] = {
        {"--format makes an output the other input", {"--format", "jpg", "--out-dir", "@/in", "@/in/x.png", "@/in/x.jpg"},
         2, "the output '@/in/x.jpg' of '@/in/x.png' would replace the input '@/in/x.jpg'"},
        {"an output is a later input", {"--out-dir", "@/d", "--format", "png", "@/b.jpg", "@/d/b.png"},
         2, "the output '@/d/b.png' of '@/b.jpg' would replace the input '@/d/b.png'"},
        {"the inputs' own folder", {"--out-dir", "@/in/.", "@/in/x.png"}, 2, "would replace the input '@/in/x.png'"},
        {"an output hard-linked to an input", {"--out-dir", "@/hard", "--format", "jpg", "@/in/x.png", "@/in/x.jpg"},
         2, "would replace the input '@/in/x.jpg'"},
        {"two names, one output after --format", {"--out-dir", "@/d", "--format", "png", "@/in/x.png", "@/in/x.jpg"},
         2, "'@/in/x.png' and '@/in/x.jpg' would both be written as '@/d/x.png'"},
        {"two inputs of one name", {"--out-dir", "@/out", "@/in/x.png", "@/other/x.png"}, 2, "would both be written as"},
        {"one input twice", {"--out-dir", "@/out", "@/in/x.png", "@/in/x.png"}, 2, "would both be written as"},
        {"settings over the input", {"@/in/x.png", "@/out.png", "--save-settings", "@/in/x.png"},
         2, "the settings file '@/in/x.png' would replace the input image '@/in/x.png'"},
        {"settings over the output", {"@/in/x.png", "@/out.png", "--save-settings", "@/./out.png"},
         2, "the settings file '@/./out.png' would replace the output image '@/out.png'"},
        {"settings over a batch output", {"--out-dir", "@/d", "@/in/x.png", "--save-settings", "@/d/x.png"},
         2, "would replace the output image '@/d/x.png'"},
        {"a link in the output folder", {"--out-dir", "@/d", "@/in/x.png", "@/in/link.png"},
         2, "the output '@/d/link.png' of '@/in/link.png': it is a symbolic link"},
        {"a write-protected output", {"@/in/x.png", "@/locked.png"}, 1, "cannot write '@/locked.png': it is read-only"},
        {"a failed render saves no settings", {"@/in/x.png", "@/missing/out.png", "--save-settings", "@/s.lns"},
         1, "cannot write '@/missing/out.png'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clitest::ScratchDir dir;
        const std::string root = dir.path.string();
        const auto at = [&](std::string text) {
            for (size_t p; (p = text.find('@')) != std::string::npos;) text.replace(p, 1, root);
            return text;
        };
        for (const char* folder : {"in", "d", "other", "hard", "elsewhere"})
            std::filesystem::create_directories(dir.path / folder);
        clitest::WriteImageOrFail(at("@/in/x.png"), clitest::PatternImage(20, 10, 3));
        clitest::WriteImageOrFail(at("@/in/x.jpg"), clitest::PatternImage(20, 10, 3));
        clitest::WriteImageOrFail(at("@/other/x.png"), clitest::SparkImage(12, 12));
        clitest::WriteImageOrFail(at("@/b.jpg"), clitest::SparkImage(12, 12));
        clitest::WriteImageOrFail(at("@/d/b.png"), clitest::SparkImage(16, 16));
        clitest::WriteImageOrFail(at("@/in/link.png"), clitest::SparkImage(16, 16));
        clitest::WriteBytes(at("@/elsewhere/link.png"), {'k', 'e', 'e', 'p'});
        std::filesystem::create_symlink(at("@/elsewhere/link.png"), at("@/d/link.png"));
        std::filesystem::create_hard_link(at("@/in/x.jpg"), at("@/hard/x.jpg"));
        clitest::WriteBytes(at("@/out.png"), {'o', 'l', 'd'});
        clitest::WriteBytes(at("@/locked.png"), {'o', 'l', 'd'});
        std::filesystem::permissions(at("@/locked.png"), std::filesystem::perms::owner_read);
        const auto before = Snapshot(dir.path);

        std::vector<std::string> args{"--no-progress"};
        for (const std::string& a : c.args) args.push_back(at(a));
        const RunResult r = RunCli(args);
        EXPECT_EQ(c.code, r.code) << r.err;
        EXPECT_NE(std::string::npos, r.err.find(at(c.message))) << r.err;
        EXPECT_EQ(before, Snapshot(dir.path));
    }
}

// Mistakes in the options of an --out-dir run, and a folder that cannot be made.
TEST_F(KelvoRenderBatch, OutDirMistakesAreNamed) {
    EXPECT_EQ(2, RunCli({"--out-dir", dir.File("out")}).code);        // no inputs
    EXPECT_EQ(2, RunCli({"--out-dir=", In("a.png")}).code);           // no folder
    EXPECT_EQ(2, RunCli({"--out-dir", "x", "--out-dir", "y", In("a.png")}).code);
    // A folder that cannot be made (a file stands in the way): the reason is given.
    const RunResult r = RunCli({"--out-dir", In("a.png") + "/sub", In("c.pgm")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("cannot make the output folder '" + In("a.png") + "/sub': Not a directory"))
        << r.err;
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

}  // namespace kelvo
