#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>

#include "cli_app.h"
#include "cli_options.h"
#include "cli_progress.h"
#include "cli_render.h"
#include "cli_test_support.h"
#include "flare_filter.h"
#include "settings_file.h"

namespace kelvo {

namespace {

using image::Image;

using clitest::RunCli;
using clitest::RunResult;
using clitest::StreamText;



class KelvoRender : public ::testing::Test {
protected:
    void SetUp() override {
        clitest::WriteImageOrFail(dir.File("rgb.ppm"), clitest::PatternImage(64, 48, 3));
        clitest::WriteImageOrFail(dir.File("spark.png"), clitest::SparkImage(64, 48));
        clitest::WriteImageOrFail(dir.File("rgba.png"), clitest::PatternImage(64, 48, 4));
    }
    clitest::ScratchDir dir;
};

TEST_F(KelvoRender, HelpAndListPrintToStandardOutput) {
    RunResult r = RunCli({"--help"});
    EXPECT_EQ(0, r.code);
    EXPECT_NE(std::string::npos, r.out.find("Usage: kelvo-render"));
    EXPECT_TRUE(r.err.empty());
    r = RunCli({"--list"});
    EXPECT_EQ(0, r.code);
    EXPECT_NE(std::string::npos, r.out.find("raysSNoise"));
    r = RunCli({"--list", "--filter", "glow"});
    EXPECT_EQ(0, r.code);
    EXPECT_NE(std::string::npos, r.out.find("glowLevel"));
}

TEST_F(KelvoRender, ErrorsExitNonZeroWithAMessageAndWriteNoImage) {
    std::vector<uint8_t> badMarker(185, 0);
    clitest::WriteBytes(dir.File("bad.lns"), badMarker);
    const std::string in = dir.File("rgb.ppm");
    const std::string out = dir.File("out.png");
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{}, cli::kExitUsage, "missing input"},
        {{in}, cli::kExitUsage, "missing output"},
        {{"--set", "bogus=1", in, out}, cli::kExitUsage, "unknown flare setting 'bogus'"},
        {{"--set", "flareSize=101", in, out}, cli::kExitUsage, "0 to 100"},
        {{"--set", "raysCount=ten", in, out}, cli::kExitUsage, "whole number"},
        {{"--filter", "glow", "--set", "glowLevel=-1", in, out}, cli::kExitUsage, "0 to 30"},
        {{"--filter", "sparkle", in, out}, cli::kExitUsage, "unknown filter"},
        {{dir.File("rgba.png"), dir.File("out.ppm")}, cli::kExitUsage, "PPM"},
        {{dir.File("none.png"), out}, cli::kExitFailure, "none.png"},
        {{dir.File("bad.lns"), out}, cli::kExitFailure, "not a PNG"},
        {{"--settings", dir.File("bad.lns"), in, out}, cli::kExitFailure, "first byte must be 1"},
        {{"--settings", dir.File("none.lns"), in, out}, cli::kExitFailure, "cannot read settings file"},
        {{in, dir.File("no/dir/out.png")}, cli::kExitFailure, "cannot create"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        const RunResult r = RunCli(c.args);
        EXPECT_EQ(c.code, r.code) << line;
        EXPECT_NE(std::string::npos, r.err.find("kelvo-render: error:")) << line;
        EXPECT_NE(std::string::npos, r.err.find(c.message)) << line << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << line;
        EXPECT_FALSE(std::filesystem::exists(out)) << line;
    }
}

TEST_F(KelvoRender, FlareChangesTheImageAndKeepsItsShape) {
    const RunResult r = RunCli({dir.File("rgb.ppm"), dir.File("out.ppm"), "--set", "positionX=32", "--set", "positionY=24"});
    ASSERT_EQ(0, r.code) << r.err;
    const Image in = clitest::ReadImageOrFail(dir.File("rgb.ppm"));
    const Image out = clitest::ReadImageOrFail(dir.File("out.ppm"));
    EXPECT_EQ(in.width, out.width);
    EXPECT_EQ(in.height, out.height);
    EXPECT_EQ(3, out.channels);
    EXPECT_NE(in.pixels, out.pixels);
}

TEST_F(KelvoRender, GlowLightsSparksOnlyWhenItsSettingsSaySo) {
    const Image spark = clitest::ReadImageOrFail(dir.File("spark.png"));
    ASSERT_EQ(0, RunCli({"--filter", "glow", dir.File("spark.png"), dir.File("glow.png")}).code);
    EXPECT_NE(spark.pixels, clitest::ReadImageOrFail(dir.File("glow.png")).pixels);

    ASSERT_EQ(0, RunCli({"--filter", "glow", "--set", "glowLevel=0", dir.File("spark.png"), dir.File("g0.png")}).code);
    EXPECT_EQ(spark.pixels, clitest::ReadImageOrFail(dir.File("g0.png")).pixels);

    // Lower bounds above the upper ones: no window selects anything.
    ASSERT_EQ(0, RunCli({"--filter=glow", "--set=redLower=255", "--set=redUpper=0", "--set=greenLower=255",
                      "--set=greenUpper=0", "--set=blueLower=255", "--set=blueUpper=0", dir.File("spark.png"),
                      dir.File("none.png")})
                     .code);
    EXPECT_EQ(spark.pixels, clitest::ReadImageOrFail(dir.File("none.png")).pixels);
}

TEST_F(KelvoRender, EveryChannelCountRendersToAnImageOfTheSameLayout) {
    for (int channels = 1; channels <= 4; ++channels) {
        SCOPED_TRACE(channels);
        const Image in = clitest::PatternImage(40, 30, channels);
        const std::string name = dir.File("c" + std::to_string(channels));
        clitest::WriteImageOrFail(name + ".png", in);
        const RunResult r = RunCli({name + ".png", name + "-out.png", "--set", "positionX=20", "--set", "positionY=15"});
        ASSERT_EQ(0, r.code) << r.err;
        const Image out = clitest::ReadImageOrFail(name + "-out.png");
        ASSERT_EQ(in.width, out.width);
        ASSERT_EQ(in.height, out.height);
        ASSERT_EQ(channels, out.channels);
        EXPECT_NE(in.pixels, out.pixels);
        if (channels == 2 || channels == 4) {
            // Transparency is the last plane and receives no light.
            for (size_t i = channels - 1; i < in.pixels.size(); i += channels)
                ASSERT_EQ(in.pixels[i], out.pixels[i]) << "alpha at " << i;
        }
    }
}

TEST_F(KelvoRender, OutputFormatFollowsTheExtensionWithTheSamePixels) {
    ASSERT_EQ(0, RunCli({dir.File("rgb.ppm"), dir.File("a.png")}).code);
    ASSERT_EQ(0, RunCli({dir.File("rgb.ppm"), dir.File("a.ppm")}).code);
    const std::vector<uint8_t> png = clitest::ReadBytes(dir.File("a.png"));
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(0x89, png[0]);
    EXPECT_EQ('P', clitest::ReadBytes(dir.File("a.ppm"))[0]);
    EXPECT_EQ(clitest::ReadImageOrFail(dir.File("a.png")).pixels, clitest::ReadImageOrFail(dir.File("a.ppm")).pixels);

    const Image grey = clitest::PatternImage(40, 30, 1);
    clitest::WriteImageOrFail(dir.File("grey.pgm"), grey);
    ASSERT_EQ(0, RunCli({dir.File("grey.pgm"), dir.File("grey-out.pgm")}).code);
    EXPECT_EQ(1, clitest::ReadImageOrFail(dir.File("grey-out.pgm")).channels);
}

TEST_F(KelvoRender, SavedSettingsReproduceTheRender) {
    const std::string lns = dir.File("s.lns");
    RunResult r = RunCli({"--save-settings", lns, "--set", "positionX=10", "--set", "raysCount=5", "--set", "flareHue=0.5"});
    ASSERT_EQ(0, r.code) << r.err;
    const std::vector<uint8_t> file = clitest::ReadBytes(lns);
    ASSERT_EQ(flare::kSettingsFileSize, file.size());
    flare::FilterParameters saved{};
    ASSERT_TRUE(flare::LoadSettingsFile(lns.c_str(), &saved));
    EXPECT_EQ(10, saved.positionX);
    EXPECT_EQ(5.0, saved.raysCount);
    EXPECT_EQ(0.5, saved.flareHue);
    EXPECT_EQ(30.0, saved.haloBright) << "unset fields keep their defaults";
    double scale;
    std::memcpy(&scale, &file[169], sizeof scale);
    EXPECT_EQ(1.0, scale) << "saved as rendered: full size";

    ASSERT_EQ(0, RunCli({dir.File("rgb.ppm"), dir.File("by-set.png"), "--set", "positionX=10", "--set", "raysCount=5",
                      "--set", "flareHue=0.5"})
                     .code);
    ASSERT_EQ(0, RunCli({dir.File("rgb.ppm"), dir.File("by-file.png"), "--settings", lns}).code);
    ASSERT_EQ(0, RunCli({dir.File("rgb.ppm"), dir.File("default.png")}).code);
    EXPECT_EQ(clitest::ReadBytes(dir.File("by-set.png")), clitest::ReadBytes(dir.File("by-file.png")));
    EXPECT_NE(clitest::ReadBytes(dir.File("by-set.png")), clitest::ReadBytes(dir.File("default.png")));

    // Saving while rendering writes the settings too.
    ASSERT_EQ(0, RunCli({"--settings", lns, "--set", "positionX=11", "--save-settings", dir.File("t.lns"),
                      dir.File("rgb.ppm"), dir.File("t.png")})
                     .code);
    ASSERT_TRUE(flare::LoadSettingsFile(dir.File("t.lns").c_str(), &saved));
    EXPECT_EQ(11, saved.positionX);
    EXPECT_EQ(5.0, saved.raysCount);
}

TEST(RenderImage, RefusesImagesTheInterfaceCannotCarryAndLeavesItsInputsAlone) {
    cli::FilterSettings settings;
    Image wide;
    wide.width = kMaxAreaSide + 1;
    wide.height = 1;
    wide.channels = 1;
    wide.pixels.assign(image::ImageBytes(wide), 0);
    Image out;
    std::string error;
    EXPECT_FALSE(cli::RenderImage(settings, wide, &out, nullptr, &error));
    EXPECT_NE(std::string::npos, error.find("32767")) << error;

    const Image in = clitest::PatternImage(33, 21, 3);
    const Image copy = in;
    settings = cli::SettingsFor(flare::kFlareFilter);
    auto& p = *static_cast<flare::FilterParameters*>(cli::SettingsRecord(&settings));
    p.positionX = 16;
    p.positionY = 10;
    p.previewScale = 1.0;
    const cli::FilterSettings settingsCopy = settings;
    ASSERT_TRUE(cli::RenderImage(settings, in, &out, nullptr, &error)) << error;
    EXPECT_EQ(copy.pixels, in.pixels);
    EXPECT_EQ(0, std::memcmp(&settingsCopy, &settings, sizeof settings));
    EXPECT_NE(in.pixels, out.pixels);
}

// The renderer's callback reports through module-level state; these are the
// values a host's bar would show.
TEST(ProgressBar, PercentagesAreClampedAndEmptyTotalsShowNothing) {
    EXPECT_EQ(0, cli::ProgressPercent(0, 100));
    EXPECT_EQ(0, cli::ProgressPercent(-5, 100));
    EXPECT_EQ(33, cli::ProgressPercent(1, 3));
    EXPECT_EQ(75, cli::ProgressPercent(1000, 1330));  // the flare pass ends near three quarters
    EXPECT_EQ(100, cli::ProgressPercent(130, 100));  // the glow reports more rows than its total
    EXPECT_EQ(-1, cli::ProgressPercent(3, 0));
    EXPECT_EQ(-1, cli::ProgressPercent(3, -20));
    EXPECT_EQ(100, cli::ProgressPercent(INT32_MAX, INT32_MAX));

    std::FILE* stream = std::tmpfile();
    cli::BeginProgressBar(stream, "flare");
    cli::ProgressBarUpdate(10, 20);
    cli::ProgressBarUpdate(10, 20);  // unchanged: not redrawn
    cli::ProgressBarUpdate(5, 0);
    cli::EndProgressBar();
    cli::ProgressBarUpdate(20, 20);  // after the end: nowhere to draw
    const std::string text = StreamText(stream);
    std::fclose(stream);
    EXPECT_EQ("\rflare [" + std::string(40, '.') + "]   0%" + "\rflare [" + std::string(20, '#') +
                  std::string(20, '.') + "]  50%" + "\rflare [" + std::string(40, '#') + "] 100%\n",
              text);
}

// The built program, started as a user would start it.
int RunProgram(const std::string& args) {
    const std::string command = std::string("\"") + KELVO_RENDER_PATH + "\" " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(KelvoRender, TheProgramReportsThroughItsExitStatus) {
    EXPECT_EQ(0, RunProgram("--help"));
    EXPECT_EQ(2, RunProgram(""));
    EXPECT_EQ(2, RunProgram("--set flareSize=1000 in.png out.png"));
    EXPECT_EQ(1, RunProgram("'" + dir.File("absent.png") + "' '" + dir.File("o.png") + "'"));
    EXPECT_EQ(0, RunProgram("'" + dir.File("spark.png") + "' '" + dir.File("o.png") + "' --no-progress"));
    EXPECT_TRUE(std::filesystem::exists(dir.File("o.png")));
}

}  // namespace

}  // namespace kelvo
