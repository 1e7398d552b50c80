// The shipped presets: each file renders, through kelvo-render --settings, to
// the picture committed beside it in docs/presets/, so a preset (or the
// renderer under it) cannot change without its picture being made again
// (scripts/make_presets.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli_test_support.h"

namespace kelvo {

namespace {

namespace fs = std::filesystem;

const fs::path kSource = KELVO_SOURCE_DIR;

std::vector<std::string> PresetNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kSource / "presets"))
        if (entry.path().extension() == ".lns") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadText(const fs::path& path) {
    const std::vector<uint8_t> bytes = clitest::ReadBytes(path.string());
    return std::string(bytes.begin(), bytes.end());
}

TEST(PresetGallery, EveryPresetRendersToItsCommittedPicture) {
    const std::vector<std::string> names = PresetNames();
    ASSERT_GE(names.size(), 8u);
    const std::string page = ReadText(kSource / "docs" / "presets.md");
    clitest::ScratchDir dir;
    std::set<std::vector<uint8_t>> distinctFiles;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string preset = (kSource / "presets" / (name + ".lns")).string();
        const std::vector<uint8_t> bytes = clitest::ReadBytes(preset);
        ASSERT_EQ(185u, bytes.size());
        EXPECT_EQ(1, bytes[0]);
        distinctFiles.insert(bytes);
        EXPECT_NE(std::string::npos, page.find("(presets/" + name + ".png)"));
        EXPECT_NE(std::string::npos, page.find("`presets/" + name + ".lns`"));

        const std::string rendered = dir.File(name + ".ppm");
        const clitest::RunResult r = clitest::RunCli(
            {"--no-progress", "--settings", preset, (kSource / "samples" / "dusk.png").string(), rendered});
        ASSERT_EQ(0, r.code) << r.err;
        image::Image got, expected;
        std::string error;
        ASSERT_TRUE(image::ReadImage(rendered, &got, &error)) << error;
        ASSERT_TRUE(image::ReadImage((kSource / "docs" / "presets" / (name + ".png")).string(), &expected, &error))
            << error;
        EXPECT_EQ(expected.width, got.width);
        EXPECT_EQ(expected.height, got.height);
        EXPECT_EQ(expected.channels, got.channels);
        EXPECT_TRUE(expected.pixels == got.pixels) << "the picture differs from the preset's render: run "
                                                      "scripts/make_presets.sh if the change is meant";
    }
    EXPECT_EQ(names.size(), distinctFiles.size()) << "two presets are the same file";
}

}  // namespace

}  // namespace kelvo
