#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "cli_options.h"
#include "cli_placement.h"
#include "cli_settings.h"
#include "cli_test_support.h"
#include "flare_filter.h"
#include "glow_filter.h"
#include "glow_parameters.h"
#include "settings_file.h"

namespace kelvo {

namespace {

using cli::ExitCode;
using cli::Options;

// The chosen filter's record inside the settings, typed.
flare::FilterParameters& FlareOf(cli::FilterSettings& settings) {
    return *static_cast<flare::FilterParameters*>(cli::SettingsRecord(&settings));
}
glow::FilterParameters& GlowOf(cli::FilterSettings& settings) {
    return *static_cast<glow::FilterParameters*>(cli::SettingsRecord(&settings));
}

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
    EXPECT_EQ(&flare::kFlareFilter, o.filter);
    EXPECT_TRUE(o.noProgress);
    ASSERT_EQ(2u, o.assignments.size());
    EXPECT_EQ("flareSize", o.assignments[0].name);
    EXPECT_EQ("20", o.assignments[0].value);
    EXPECT_EQ("positionX", o.assignments[1].name);
    EXPECT_EQ("-5", o.assignments[1].value);

    ASSERT_TRUE(Parse({"--filter", "glow", "--", "-in.pgm", "--out.png"}, &o, &error)) << error;
    EXPECT_EQ(&glow::kGlowFilter, o.filter);
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
        {{"--filter", "glow", "--scale", "2", "--scale-from", "640", "in.png", "out.png"}, "not both"},
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
    const auto& lens = flare::kFlareFilter;
    cli::FilterSettings s = cli::SettingsFor(lens);
    flare::FilterParameters& p = FlareOf(s);
    std::string error;
    ASSERT_TRUE(cli::ApplyAssignment(lens, &p, {"positionX", "-9999"}, &error)) << error;
    ASSERT_TRUE(cli::ApplyAssignment(lens, &p, {"POSITIONY", "2400"}, &error)) << error;
    ASSERT_TRUE(cli::ApplyAssignment(lens, &p, {"flareHue", "0.25"}, &error)) << error;
    ASSERT_TRUE(cli::ApplyAssignment(lens, &p, {"raysCount", "360"}, &error)) << error;
    ASSERT_TRUE(cli::ApplyAssignment(lens, &p, {"positionAspect", "100"}, &error)) << error;
    EXPECT_EQ(-9999, p.positionX);
    EXPECT_EQ(2400, p.positionY);  // beyond the dialog's range: any row of a large photo
    EXPECT_EQ(0.25, p.flareHue);
    EXPECT_EQ(360.0, p.raysCount);
    EXPECT_EQ(100.0, p.positionAspect);

    cli::FilterSettings g = cli::SettingsFor(glow::kGlowFilter);
    ASSERT_TRUE(cli::ApplyAssignment(glow::kGlowFilter, &GlowOf(g), {"glowLevel", "30"}, &error)) << error;
    ASSERT_TRUE(cli::ApplyAssignment(glow::kGlowFilter, &GlowOf(g), {"redLower", "0"}, &error)) << error;
    EXPECT_EQ(30, GlowOf(g).glowLevel);
    EXPECT_EQ(0, GlowOf(g).redLower);
}

TEST(SettingAssignments, BadNamesAndValuesLeaveTheRecordAlone) {
    struct Case {
        const FilterDescription* filter;
        const char* name;
        const char* value;
        const char* reason;
    };
    const Case cases[] = {
        {&flare::kFlareFilter, "flareSise", "5", "unknown flare setting 'flareSise'; did you mean 'flareSize'?"},
        {&flare::kFlareFilter, "previewScale", "2", "unknown"},             // run state is not a setting
        {&flare::kFlareFilter, "showDialog", "1", "unknown"},
        {&flare::kFlareFilter, "glowLevel", "5", "--filter glow"},
        {&glow::kGlowFilter, "flareSize", "5", "--filter flare"},
        {&flare::kFlareFilter, "flareSize", "100.5", "0 to 100"},
        {&flare::kFlareFilter, "flareSize", "-0.01", "0 to 100"},
        {&flare::kFlareFilter, "flareSize", "abc", "a number"},
        {&flare::kFlareFilter, "flareSize", "", "a number"},
        {&flare::kFlareFilter, "flareSize", "5x", "a number"},
        {&flare::kFlareFilter, "flareSize", "nan", "a number"},
        {&flare::kFlareFilter, "flareSize", "inf", "a number"},
        {&flare::kFlareFilter, "positionX", "32768", "-32768 to 32767"},
        {&flare::kFlareFilter, "positionX", "2.5", "whole number"},
        {&flare::kFlareFilter, "positionX", "99999999999999999999", "whole number"},
        {&flare::kFlareFilter, "raysCount", "7.5", "whole number"},
        {&flare::kFlareFilter, "raysCount", "361", "0 to 360"},
        {&glow::kGlowFilter, "glowLevel", "31", "0 to 30"},
        {&glow::kGlowFilter, "redUpper", "-1", "0 to 255"},
    };
    for (const Case& c : cases) {
        cli::FilterSettings s = cli::SettingsFor(*c.filter);
        const cli::FilterSettings before = s;
        std::string error;
        EXPECT_FALSE(cli::ApplyAssignment(*c.filter, cli::SettingsRecord(&s), {c.name, c.value}, &error))
            << c.name << "=" << c.value;
        EXPECT_NE(std::string::npos, error.find(c.reason)) << c.name << "=" << c.value << ": " << error;
        EXPECT_EQ(0, std::memcmp(before.record, s.record, sizeof s.record));
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
    EXPECT_EQ(250, FlareOf(resolved).positionX) << "column 500, drawn twice as far";
    EXPECT_EQ(50, FlareOf(resolved).positionY) << "row 100";

    ASSERT_TRUE(Parse({"--set", "positionX=10%", "--set", "positionY=7", "--scale-from", "500", "a.png", "b.png"}, &o,
                      &error)) << error;
    ASSERT_EQ(cli::kExitOk, cli::BuildSettings(o, &s, &error)) << error;
    ASSERT_TRUE(cli::SettingsForImage(s, 1000, 400, &resolved, &error)) << error;
    EXPECT_EQ(0.5, FlareOf(resolved).previewScale);
    EXPECT_EQ(50, FlareOf(resolved).positionX);
    EXPECT_EQ(7, FlareOf(resolved).positionY);
    EXPECT_FALSE(cli::SettingsForImage(s, 40000, 400, &resolved, &error)) << "a factor of 80";
    EXPECT_NE(std::string::npos, error.find("--scale-from 500 asks this 40000-pixel-wide image")) << error;

    ASSERT_TRUE(Parse({"--filter", "glow", "--set", "glowLevel=3", "a.png", "b.png"}, &o, &error)) << error;
    ASSERT_EQ(cli::kExitOk, cli::BuildSettings(o, &s, &error)) << error;
    ASSERT_TRUE(cli::SettingsForImage(s, 1000, 400, &resolved, &error)) << error;
    EXPECT_EQ(0, std::memcmp(s.record, resolved.record, sizeof s.record));
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
    EXPECT_EQ(321, FlareOf(s).positionX);
    EXPECT_EQ(8.0, FlareOf(s).flareSize) << "the last --set wins";
    EXPECT_EQ(0.5, FlareOf(s).haloHue);
    EXPECT_EQ(0x7E, FlareOf(s).reserved[5]) << "the reserved tail travels with the file";
    EXPECT_EQ(1.0, FlareOf(s).previewScale);
    EXPECT_EQ(0, FlareOf(s).showDialog);

    ASSERT_TRUE(Parse({"--filter", "glow", "--set", "glowLevel=3", "a.png", "b.png"}, &o, &error)) << error;
    ASSERT_EQ(cli::kExitOk, cli::BuildSettings(o, &s, &error)) << error;
    EXPECT_EQ(&glow::kGlowFilter, s.filter);
    EXPECT_EQ(3, GlowOf(s).glowLevel);
    EXPECT_EQ(250, GlowOf(s).redLower);
    EXPECT_EQ(1, GlowOf(s).previewScale);
    EXPECT_EQ(0, GlowOf(s).showDialog);
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
    EXPECT_EQ(-20, FlareOf(s).positionX);
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
    const std::string flareList = cli::ListSettings(flare::kFlareFilter);
    for (int i = 0; i < flare::kFlareSettings.count; ++i)
        EXPECT_NE(std::string::npos, flareList.find(std::string("  ") + flare::kFlareSettings.fields[i].name + " "))
            << flare::kFlareSettings.fields[i].name;
    EXPECT_NE(std::string::npos, flareList.find("-32768..32767"));
    EXPECT_NE(std::string::npos, flareList.find("16 pixels")) << "each setting's unit";
    EXPECT_NE(std::string::npos, flareList.find(" 0.05 "));
    const std::string glowList = cli::ListSettings(glow::kGlowFilter);
    for (int i = 0; i < glow::kGlowSettings.count; ++i)
        EXPECT_NE(std::string::npos, glowList.find(glow::kGlowSettings.fields[i].name));
    EXPECT_NE(std::string::npos, glowList.find("0..30"));
    EXPECT_EQ(std::string::npos, glowList.find("flareSize"));
}

}  // namespace

}  // namespace kelvo
