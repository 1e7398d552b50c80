// kelvo-render reads the list of filters: every filter's defaults, --set,
// --list and settings files go through its own table, record and
// description, and --scale enlarges a filter without positions as the GEGL
// scale property does.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "cli_options.h"
#include "cli_settings.h"
#include "cli_test_support.h"
#include "filter_list.h"

namespace kelvo {

namespace {

// A value the field takes other than its default: the far end of its range.
double OtherValue(const SettingField& field) {
    return field.defaultValue == field.typedHigh ? field.typedLow : field.typedHigh;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

cli::Options Parsed(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvo-render");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    cli::Options options;
    std::string error;
    EXPECT_TRUE(cli::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &options, &error)) << error;
    return options;
}

TEST(EveryFilter, DefaultsSetAndListGoThroughItsOwnTableAndRecord) {
    for (const FilterDescription* filter : AllFilters()) {
        SCOPED_TRACE(filter->name);
        alignas(kSettingsRecordAlignment) unsigned char expected[kMaxSettingsRecordBytes] = {};
        filter->writeDefaults(expected);
        filter->setPreviewScale(expected, 1);
        std::memset(expected + filter->showDialogOffset, 0, sizeof(int16_t));

        cli::Options options = Parsed({"--filter", filter->name, "--list"});
        ASSERT_EQ(filter, options.filter);
        cli::FilterSettings settings;
        std::string error;
        ASSERT_EQ(cli::kExitOk, cli::BuildSettings(options, &settings, &error)) << error;
        EXPECT_EQ(0, std::memcmp(expected, settings.record, sizeof expected)) << "its defaults, for a final render";

        const SettingsTable& table = *filter->table;
        const std::string list = cli::ListSettings(*filter);
        EXPECT_EQ(0u, list.find(std::string("Settings of the ") + filter->name + " "));
        for (int i = 0; i < table.count; ++i) {
            const SettingField& field = table.fields[i];
            SCOPED_TRACE(field.name);
            EXPECT_NE(std::string::npos, list.find(std::string("\n  ") + field.name + " "));
            options.assignments = {{field.name, Number(OtherValue(field))}};
            ASSERT_EQ(cli::kExitOk, cli::BuildSettings(options, &settings, &error)) << error;
            EXPECT_EQ(OtherValue(field), ReadSetting(field, settings.record));
            WriteSetting(field, settings.record, ReadSetting(field, expected));
            EXPECT_EQ(0, std::memcmp(expected, settings.record, sizeof expected)) << "only that field moved";
        }
    }
}

// A filter with a settings file writes and reads back its own record; one
// without is refused with the names of those that have one.
TEST(EveryFilter, SettingsFilesFollowItsDescription) {
    clitest::ScratchDir dir;
    for (const FilterDescription* filter : AllFilters()) {
        SCOPED_TRACE(filter->name);
        const SettingField& field = filter->table->fields[filter->table->count - 1];
        const std::string set = std::string(field.name) + "=" + Number(OtherValue(field));
        const std::string path = dir.File(std::string(filter->name) + ".settings");
        const clitest::RunResult saved =
            clitest::RunCli({"--filter", filter->name, "--set", set, "--save-settings", path});
        if (filter->settingsFile == nullptr) {
            EXPECT_EQ(cli::kExitUsage, saved.code);
            for (const FilterDescription* other : AllFilters()) {
                if (other->settingsFile == nullptr) continue;
                EXPECT_NE(std::string::npos, saved.err.find(std::string("--filter ") + other->name)) << saved.err;
            }
            continue;
        }
        ASSERT_EQ(cli::kExitOk, saved.code) << saved.err;
        cli::FilterSettings given, read;
        std::string error;
        ASSERT_EQ(cli::kExitOk, cli::BuildSettings(Parsed({"--filter", filter->name, "--set", set, "--list"}), &given,
                                                   &error))
            << error;
        ASSERT_EQ(cli::kExitOk,
                  cli::BuildSettings(Parsed({"--filter", filter->name, "--settings", path, "--list"}), &read, &error))
            << error;
        EXPECT_EQ(0, std::memcmp(given.record, read.record, filter->recordSize));
    }
}

// The glow has no positions: --scale F and --scale-from W draw it as the
// GEGL scale property does, its level F times larger.
TEST(EveryFilter, ScaleDrawsTheGlowsLevelLarger) {
    clitest::ScratchDir dir;
    const std::string in = dir.File("spark.png");
    clitest::WriteImageOrFail(in, clitest::SparkImage(64, 48));
    auto render = [&](const std::vector<std::string>& options, const std::string& name) {
        std::vector<std::string> args = {"--filter", "glow", "--set", "redLower=200"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {in, dir.File(name)});
        const clitest::RunResult r = clitest::RunCli(args);
        EXPECT_EQ(cli::kExitOk, r.code) << r.err;
        return clitest::ReadBytes(dir.File(name));
    };
    const std::vector<uint8_t> doubled = render({"--set", "glowLevel=12"}, "12.ppm");
    EXPECT_EQ(doubled, render({"--set", "glowLevel=6", "--scale", "2"}, "6x2.ppm"));
    EXPECT_EQ(doubled, render({"--set", "glowLevel=6", "--scale-from", "32"}, "6from32.ppm"));
    EXPECT_NE(doubled, render({"--set", "glowLevel=6"}, "6.ppm"));
}

}  // namespace

}  // namespace kelvo
