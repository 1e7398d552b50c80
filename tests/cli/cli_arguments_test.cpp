#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "cli_options.h"
#include "cli_placement.h"
#include "cli_settings.h"
#include "cli_test_support.h"
#include "settings_file.h"

namespace kelvo {

namespace {

using cli::ExitCode;
using cli::FilterChoice;
using cli::Options;

// Parses a command line given without the program name.
bool Parse(std::initializer_list<const char*> args, Options* options, std::string* error) {
    std::vector<const char*> argv = {"kelvo-render"};
    argv.insert(argv.end(), args.begin(), args.end());
    return cli::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(CommandLine, FileNamesAndOptionsInAnyOrder) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"--set", "flareSize=20", "in.png", "--filter=flare", "out.ppm", "--set=positionX=-5",
                       "--no-progress"},
                      &o, &error))
        << error;
    EXPECT_EQ("in.png", o.input);
    EXPECT_EQ("out.ppm", o.output);
    EXPECT_EQ(FilterChoice::Flare, o.filter);
    EXPECT_TRUE(o.noProgress);
    ASSERT_EQ(2u, o.assignments.size());
    EXPECT_EQ("flareSize", o.assignments[0].name);
    EXPECT_EQ("20", o.assignments[0].value);
    EXPECT_EQ("positionX", o.assignments[1].name);
    EXPECT_EQ("-5", o.assignments[1].value);

    ASSERT_TRUE(Parse({"--filter", "glow", "--", "-in.pgm", "--out.png"}, &o, &error)) << error;
    EXPECT_EQ(FilterChoice::Glow, o.filter);
    EXPECT_EQ("-in.pgm", o.input);
    EXPECT_EQ("--out.png", o.output);

    ASSERT_TRUE(Parse({"--settings", "a.lns", "--save-settings=b.lns", "x.ppm", "y.pnm"}, &o, &error)) << error;
    EXPECT_EQ("a.lns", o.settingsFile);
    EXPECT_EQ("b.lns", o.saveSettingsFile);
    EXPECT_TRUE(o.assignments.empty());
}

TEST(CommandLine, HelpListAndSettingsOnlyRunsNeedNoImages) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"--help"}, &o, &error));
    EXPECT_TRUE(o.help);
    EXPECT_FALSE(Parse({"-h", "--bogus"}, &o, &error)) << "an unknown option is an error, --help or not";
    ASSERT_TRUE(Parse({"--filter", "glow", "--list"}, &o, &error)) << error;
    EXPECT_TRUE(o.list);
    ASSERT_TRUE(Parse({"--save-settings", "s.lns", "--set", "raysCount=8"}, &o, &error)) << error;
    EXPECT_TRUE(o.input.empty());
    EXPECT_NE(std::string::npos, cli::UsageText().find("--save-settings"));
}

TEST(CommandLine, MalformedCommandLinesAreRefusedWithAReason) {
    struct Case {
        std::initializer_list<const char*> args;
        const char* reason;  // part of the message
    };
    const Case cases[] = {
        {{}, "missing input"},
        {{"in.png"}, "missing output"},
        {{"in.png", "out.png", "extra.png"}, "too many"},
        {{"in.png", "out.gif"}, "unknown image format"},
        {{"in.png", "-"}, "needs --format"},
        {{"--format", "jpg", "in.png", "out.png"}, "another format"},
        {{"--quality", "101", "in.png", "out.jpg"}, "1 to 100"},
        {{"--scale", "0", "in.png", "out.png"}, "0.05 to 64"},
        {{"--scale", "2", "--scale-from", "640", "in.png", "out.png"}, "not both"},
        {{"--filter", "glow", "--scale", "2", "in.png", "out.png"}, "--filter flare"},
        {{"--qualty", "90", "in.png", "out.jpg"}, "did you mean '--quality'?"},
        {{"in.png", "out"}, "unknown image format"},
        {{"--frobnicate", "in.png", "out.png"}, "unknown option"},
        {{"-x", "in.png", "out.png"}, "unknown option"},
        {{"in.png", "out.png", "--filter"}, "needs a value"},
        {{"--filter", "blur", "in.png", "out.png"}, "unknown filter"},
        {{"--set", "flareSize", "in.png", "out.png"}, "NAME=VALUE"},
        {{"--set", "=3", "in.png", "out.png"}, "NAME=VALUE"},
        {{"--settings", "a.lns", "--settings", "b.lns", "in.png", "out.png"}, "twice"},
        {{"--settings=", "in.png", "out.png"}, "file name"},
        {{"--filter", "glow", "--settings", "a.lns", "in.png", "out.png"}, "flare"},
        {{"--filter", "glow", "--save-settings", "a.lns"}, "flare"},
    };
    for (const Case& c : cases) {
        Options o;
        std::string error;
        std::string line;
        for (const char* a : c.args) line += std::string(a) + " ";
        EXPECT_FALSE(Parse(c.args, &o, &error)) << line;
        EXPECT_NE(std::string::npos, error.find(c.reason)) << line << ": " << error;
    }
}

TEST(SettingAssignments, StoreTypedValuesThroughTheTable) {
    cli::FilterSettings s;
    std::string error;
    ASSERT_TRUE(cli::ApplyAssignment(FilterChoice::Flare, &s.flare, {"positionX", "-9999"}, &error)) << error;
    ASSERT_TRUE(cli::ApplyAssignment(FilterChoice::Flare, &s.flare, {"POSITIONY", "2400"}, &error)) << error;
    ASSERT_TRUE(cli::ApplyAssignment(FilterChoice::Flare, &s.flare, {"flareHue", "0.25"}, &error)) << error;
    ASSERT_TRUE(cli::ApplyAssignment(FilterChoice::Flare, &s.flare, {"raysCount", "360"}, &error)) << error;
    ASSERT_TRUE(cli::ApplyAssignment(FilterChoice::Flare, &s.flare, {"positionAspect", "100"}, &error)) << error;
    EXPECT_EQ(-9999, s.flare.positionX);
    EXPECT_EQ(2400, s.flare.positionY);  // beyond the dialog's range: any row of a large photo
    EXPECT_EQ(0.25, s.flare.flareHue);
    EXPECT_EQ(360.0, s.flare.raysCount);
    EXPECT_EQ(100.0, s.flare.positionAspect);

    ASSERT_TRUE(cli::ApplyAssignment(FilterChoice::Glow, &s.glow, {"glowLevel", "30"}, &error)) << error;
    ASSERT_TRUE(cli::ApplyAssignment(FilterChoice::Glow, &s.glow, {"redLower", "0"}, &error)) << error;
    EXPECT_EQ(30, s.glow.glowLevel);
    EXPECT_EQ(0, s.glow.redLower);
}

TEST(SettingAssignments, BadNamesAndValuesLeaveTheRecordAlone) {
    struct Case {
        FilterChoice filter;
        const char* name;
        const char* value;
        const char* reason;
    };
    const Case cases[] = {
        {FilterChoice::Flare, "flareSise", "5", "unknown flare setting 'flareSise'; did you mean 'flareSize'?"},
        {FilterChoice::Flare, "previewScale", "2", "unknown"},             // run state is not a setting
        {FilterChoice::Flare, "showDialog", "1", "unknown"},
        {FilterChoice::Flare, "glowLevel", "5", "--filter glow"},
        {FilterChoice::Glow, "flareSize", "5", "--filter flare"},
        {FilterChoice::Flare, "flareSize", "100.5", "0 to 100"},
        {FilterChoice::Flare, "flareSize", "-0.01", "0 to 100"},
        {FilterChoice::Flare, "flareSize", "abc", "a number"},
        {FilterChoice::Flare, "flareSize", "", "a number"},
        {FilterChoice::Flare, "flareSize", "5x", "a number"},
        {FilterChoice::Flare, "flareSize", "nan", "a number"},
        {FilterChoice::Flare, "flareSize", "inf", "a number"},
        {FilterChoice::Flare, "positionX", "32768", "-32768 to 32767"},
        {FilterChoice::Flare, "positionX", "2.5", "whole number"},
        {FilterChoice::Flare, "positionX", "99999999999999999999", "whole number"},
        {FilterChoice::Flare, "raysCount", "7.5", "whole number"},
        {FilterChoice::Flare, "raysCount", "361", "0 to 360"},
        {FilterChoice::Glow, "glowLevel", "31", "0 to 30"},
        {FilterChoice::Glow, "redUpper", "-1", "0 to 255"},
    };
    for (const Case& c : cases) {
        cli::FilterSettings s;
        const cli::FilterSettings before = s;
        std::string error;
        void* record = c.filter == FilterChoice::Flare ? static_cast<void*>(&s.flare) : static_cast<void*>(&s.glow);
        EXPECT_FALSE(cli::ApplyAssignment(c.filter, record, {c.name, c.value}, &error)) << c.name << "=" << c.value;
        EXPECT_NE(std::string::npos, error.find(c.reason)) << c.name << "=" << c.value << ": " << error;
        EXPECT_EQ(0, std::memcmp(&before.flare, &s.flare, sizeof s.flare));
        EXPECT_EQ(0, std::memcmp(&before.glow, &s.glow, sizeof s.glow));
    }
}

// Percentages name pixels of each image through the table's position rows,
// at the flare's --scale or --scale-from; positions given in pixels stay as
// given, and a filter without position rows keeps its record.
TEST(SettingsForImage, PercentagesLandOnEachImagesPixels) {
    Options o;
    std::string error;
    cli::FilterSettings s, resolved;
    ASSERT_TRUE(Parse({"--set", "positionX=50%", "--set", "positionY=25%", "--scale", "2", "a.png", "b.png"}, &o,
                      &error)) << error;
    ASSERT_EQ(cli::kExitOk, cli::BuildSettings(o, &s, &error)) << error;
    ASSERT_TRUE(cli::SettingsForImage(s, 1000, 400, &resolved, &error)) << error;
    EXPECT_EQ(250, resolved.flare.positionX) << "column 500, drawn twice as far";
    EXPECT_EQ(50, resolved.flare.positionY) << "row 100";

    ASSERT_TRUE(Parse({"--set", "positionX=10%", "--set", "positionY=7", "--scale-from", "500", "a.png", "b.png"}, &o,
                      &error)) << error;
    ASSERT_EQ(cli::kExitOk, cli::BuildSettings(o, &s, &error)) << error;
    ASSERT_TRUE(cli::SettingsForImage(s, 1000, 400, &resolved, &error)) << error;
    EXPECT_EQ(0.5, resolved.flare.previewScale);
    EXPECT_EQ(50, resolved.flare.positionX);
    EXPECT_EQ(7, resolved.flare.positionY);
    EXPECT_FALSE(cli::SettingsForImage(s, 40000, 400, &resolved, &error)) << "a factor of 80";
    EXPECT_NE(std::string::npos, error.find("--scale-from 500 asks this 40000-pixel-wide image")) << error;

    ASSERT_TRUE(Parse({"--filter", "glow", "--set", "glowLevel=3", "a.png", "b.png"}, &o, &error)) << error;
    ASSERT_EQ(cli::kExitOk, cli::BuildSettings(o, &s, &error)) << error;
    ASSERT_TRUE(cli::SettingsForImage(s, 1000, 400, &resolved, &error)) << error;
    EXPECT_EQ(0, std::memcmp(&s.glow, &resolved.glow, sizeof s.glow));
}

TEST(BuildSettings, DefaultsThenFileThenAssignmentsThenFinalRunState) {
    clitest::ScratchDir dir;
    flare::FilterParameters fromFile = flare::DefaultFlareParameters();
    fromFile.positionX = 321;
    fromFile.flareSize = 42.0;
    fromFile.haloHue = 0.5;
    fromFile.previewScale = 4.0;
    fromFile.reserved[5] = 0x7E;
    ASSERT_TRUE(flare::SaveSettingsFile(dir.File("in.lns").c_str(), fromFile));

    Options o;
    std::string error;
    const std::string file = dir.File("in.lns");
    // --set comes first on the command line but is applied after the file.
    ASSERT_TRUE(Parse({"--set", "flareSize=7", "--settings", file.c_str(), "--set", "flareSize=8", "a.png", "b.png"},
                      &o, &error))
        << error;
    cli::FilterSettings s;
    ASSERT_EQ(cli::kExitOk, cli::BuildSettings(o, &s, &error)) << error;
    EXPECT_EQ(321, s.flare.positionX);
    EXPECT_EQ(8.0, s.flare.flareSize) << "the last --set wins";
    EXPECT_EQ(0.5, s.flare.haloHue);
    EXPECT_EQ(0x7E, s.flare.reserved[5]) << "the reserved tail travels with the file";
    EXPECT_EQ(1.0, s.flare.previewScale);
    EXPECT_EQ(0, s.flare.showDialog);

    ASSERT_TRUE(Parse({"--filter", "glow", "--set", "glowLevel=3", "a.png", "b.png"}, &o, &error)) << error;
    ASSERT_EQ(cli::kExitOk, cli::BuildSettings(o, &s, &error)) << error;
    EXPECT_EQ(FilterChoice::Glow, s.filter);
    EXPECT_EQ(3, s.glow.glowLevel);
    EXPECT_EQ(250, s.glow.redLower);
    EXPECT_EQ(1, s.glow.previewScale);
    EXPECT_EQ(0, s.glow.showDialog);
}

// A file shorter than a whole record replaces the settings it holds, and the
// warning says how many those are; a whole file gives no warning.
TEST(BuildSettings, AShortSettingsFileIsNamedInAWarning) {
    clitest::ScratchDir dir;
    const int32_t xy[2] = {-20, 33};
    std::vector<uint8_t> bytes(1 + sizeof xy + 3, 1);  // the marker, X, Y and part of the next setting
    std::memcpy(bytes.data() + 1, xy, sizeof xy);
    clitest::WriteBytes(dir.File("short.lns"), bytes);
    ASSERT_TRUE(flare::SaveSettingsFile(dir.File("whole.lns").c_str(), flare::DefaultFlareParameters()));
    Options o;
    std::string error, warning;
    cli::FilterSettings s;
    ASSERT_TRUE(Parse({"--settings", dir.File("short.lns").c_str(), "a.png", "b.png"}, &o, &error)) << error;
    ASSERT_EQ(cli::kExitOk, cli::BuildSettings(o, &s, &error, &warning)) << error;
    EXPECT_EQ(-20, s.flare.positionX);
    EXPECT_NE(warning.find("holds 2 of the " + std::to_string(flare::kFlareSettings.count) + " lens flare settings (12 of 185 bytes)"),
              std::string::npos) << warning;
    warning.clear();
    ASSERT_TRUE(Parse({"--settings", dir.File("whole.lns").c_str(), "a.png", "b.png"}, &o, &error)) << error;
    ASSERT_EQ(cli::kExitOk, cli::BuildSettings(o, &s, &error, &warning)) << error;
    EXPECT_EQ("", warning);
}

TEST(BuildSettings, UnreadableOrForeignSettingsFilesAreErrors) {
    clitest::ScratchDir dir;
    std::vector<uint8_t> bytes(185, 0);
    bytes[0] = 2;
    clitest::WriteBytes(dir.File("bad.lns"), bytes);
    clitest::WriteBytes(dir.File("empty.lns"), {});

    Options o;
    cli::FilterSettings s;
    std::string error;
    o.settingsFile = dir.File("bad.lns");
    EXPECT_EQ(cli::kExitFailure, cli::BuildSettings(o, &s, &error));
    EXPECT_NE(std::string::npos, error.find("not a lens flare settings file")) << error;
    o.settingsFile = dir.File("empty.lns");
    EXPECT_EQ(cli::kExitFailure, cli::BuildSettings(o, &s, &error));
    o.settingsFile = dir.File("absent.lns");
    EXPECT_EQ(cli::kExitFailure, cli::BuildSettings(o, &s, &error));
    EXPECT_NE(std::string::npos, error.find("cannot read")) << error;

    o.settingsFile.clear();
    o.assignments = {{"raysCount", "12"}, {"raysCount", "twelve"}};
    EXPECT_EQ(cli::kExitUsage, cli::BuildSettings(o, &s, &error));
}

TEST(SettingsList, ShowsEveryTableRowWithDefaultAndRange) {
    const std::string flareList = cli::ListSettings(FilterChoice::Flare);
    for (int i = 0; i < flare::kFlareSettings.count; ++i)
        EXPECT_NE(std::string::npos, flareList.find(std::string("  ") + flare::kFlareSettings.fields[i].name + " "))
            << flare::kFlareSettings.fields[i].name;
    EXPECT_NE(std::string::npos, flareList.find("-32768..32767"));
    EXPECT_NE(std::string::npos, flareList.find("16 pixels")) << "each setting's unit";
    EXPECT_NE(std::string::npos, flareList.find(" 0.05 "));
    const std::string glowList = cli::ListSettings(FilterChoice::Glow);
    for (int i = 0; i < glow::kGlowSettings.count; ++i)
        EXPECT_NE(std::string::npos, glowList.find(glow::kGlowSettings.fields[i].name));
    EXPECT_NE(std::string::npos, glowList.find("0..30"));
    EXPECT_EQ(std::string::npos, glowList.find("flareSize"));
}

}  // namespace

}  // namespace kelvo
