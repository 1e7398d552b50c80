// Both modules in a host that drops the settings record after every run, each
// test with a fresh folder of its own as %LOCALAPPDATA%.
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host_dialog.h"
#include "host_test_support.h"

namespace kelvo::host {

namespace {

namespace fs = std::filesystem;
using host::DialogAnswer;

class RememberedSettings : public hosttest::ModuleFixture {
protected:
    void SetUp() override {
        ModuleFixture::SetUp();
        fs::create_directories(folder_);
        options().rememberFolder = folder_.wstring();
        options().keepParameters = false;
    }
    void TearDown() override {
        ModuleFixture::TearDown();
        fs::remove_all(folder_);
    }

    bool Halvane() const { return std::strcmp(module().name, "Halvane") == 0; }
    // The flare's X, the glow's level.
    const SettingField& Field() const {
        return Halvane() ? *FindSetting(flare::kFlareSettings, "positionX") : *FindSetting(glow::kGlowSettings, "glowLevel");
    }
    fs::path File() const { return folder_ / "Kelvo" / (Halvane() ? "Halvane.lns" : "Emberlit.glw"); }

    // A run on the same picture, whose dialog (if any) gets `text` in the
    // field and tells what the field showed when it opened.
    host::RunReport RunWith(const wchar_t* text, DialogAnswer answer = DialogAnswer::Ok, std::wstring* shown = nullptr,
                            bool repeat = false) {
        host::SetImage(host, hosttest::PatternImage(40, 30, 3));
        host::RunPlan plan;
        plan.parameters = !repeat;
        plan.dialog = answer;
        const int edit = Field().editId;
        plan.script = [=](host::DialogDriver& d) {
            if (shown != nullptr) *shown = d.Text(edit);
            if (*text != L'\0') SetDlgItemTextW(d.Dialog(), edit, text);
            d.WaitIdle();
        };
        return host::RunFilter(host, plan);
    }

    const fs::path folder_ = fs::temp_directory_path() / ("kelvo-remembered-" + std::to_string(GetCurrentProcessId()));
};

TEST_P(RememberedSettings, SecondRunOpensWithTheFirstRunsOkdValuesAndRendersThemUnlessTheHostKeepsTheRecord) {
    const host::RunReport defaults = RunWith(L"");
    const host::RunReport first = RunWith(L"4");
    ASSERT_EQ(first.result, 0);
    EXPECT_TRUE(first.output.pixels != defaults.output.pixels) << "the setting shows in the render";
    std::wstring shown;
    EXPECT_TRUE(RunWith(L"", DialogAnswer::Ok, &shown).output.pixels == first.output.pixels);
    EXPECT_EQ(shown, L"4");
    const host::RunReport repeat = RunWith(L"", DialogAnswer::Ok, nullptr, true);
    EXPECT_TRUE(repeat.dialogs.empty());
    EXPECT_TRUE(repeat.output.pixels == first.output.pixels);

    // A host that keeps the record: Cancel leaves 6 in it and 4 in the file.
    options().keepParameters = true;
    RunWith(L"6", DialogAnswer::Cancel);
    EXPECT_EQ(ReadSetting(Field(), RunWith(L"", DialogAnswer::Ok, nullptr, true).settings.bytes.data()), 6);
}

// Short, long, foreign; then a folder that cannot be made.
TEST_P(RememberedSettings, DamagedFileOrUnwritableFolderGivesTheDefaultsSilently) {
    ASSERT_EQ(RunWith(L"4").result, 0);
    const uintmax_t size = fs::file_size(File());
    EXPECT_EQ(size, Halvane() ? 185u : 38u);
    for (int damage = 0; damage < 4; ++damage) {
        if (damage < 2) fs::resize_file(File(), damage == 0 ? size - 1 : size + 1);
        if (damage == 2) std::ofstream(File(), std::ios::binary) << std::string(size, '\x07');
        if (damage == 3) {
            fs::remove_all(folder_ / "Kelvo");
            std::ofstream(folder_ / "Kelvo") << "not a folder";
            const host::RunReport report = RunWith(L"4");
            EXPECT_EQ(report.result, 0);
            EXPECT_TRUE(report.messageBoxes.empty() && report.problems.empty());
        }
        const host::RunReport report = RunWith(L"", DialogAnswer::Cancel);
        module().expectDefaults(report.settings.bytes);
        EXPECT_TRUE(report.messageBoxes.empty()) << damage;
    }
}

INSTANTIATE_TEST_SUITE_P(BothModules, RememberedSettings, ::testing::ValuesIn(hosttest::BothModules()),
                         hosttest::ModuleTestName);

}  // namespace

}  // namespace kelvo::host
