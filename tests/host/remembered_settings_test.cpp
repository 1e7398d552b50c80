// Both modules in a host that forgets the settings record between runs: the
// last OK'd settings come back from the remembered file, which a damaged file,
// a host that keeps the record and an unwritable folder do not disturb. Each
// test has a fresh folder of its own as %LOCALAPPDATA%.
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "host_dialog.h"
#include "host_test_support.h"

namespace {

namespace fs = std::filesystem;
using khost::DialogAnswer;

class RememberedSettings : public hosttest::ModuleFixture {
protected:
    void SetUp() override {
        ModuleFixture::SetUp();
        folder_ = fs::temp_directory_path() / ("kelvo-remember-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        options().rememberFolder = folder_.wstring();
        options().keepParameters = false;
    }
    void TearDown() override {
        ModuleFixture::TearDown();
        fs::remove_all(folder_);
    }

    bool Halvane() const { return std::strcmp(module().name, "Halvane") == 0; }
    // The setting changed here: the flare's X, the glow's level.
    const SettingField& Field() const {
        return Halvane() ? *FindSetting(flare::kFlareSettings, "positionX") : *FindSetting(glow::kGlowSettings, "glowLevel");
    }
    fs::path File() const { return folder_ / "Kelvo" / (Halvane() ? "Halvane.lns" : "Emberlit.glw"); }
    double ValueIn(const khost::RunReport& report) const { return ReadSetting(Field(), report.settings.bytes.data()); }

    // A run on the same picture, whose dialog (if any) gets `text` in the
    // field and tells what the field showed when it opened.
    khost::RunReport RunWith(const wchar_t* text, DialogAnswer answer = DialogAnswer::Ok, std::wstring* shown = nullptr,
                             bool repeat = false) {
        khost::SetImage(host, hosttest::PatternImage(40, 30, 3));
        khost::RunPlan plan;
        plan.parameters = !repeat;
        plan.dialog = answer;
        const int edit = Field().editId;
        plan.script = [=](khost::DialogDriver& d) {
            if (shown != nullptr) *shown = d.Text(edit);
            if (*text != L'\0') SetDlgItemTextW(d.Dialog(), edit, text);
            d.WaitIdle();
        };
        return khost::RunFilter(host, plan);
    }

    fs::path folder_;
};

TEST_P(RememberedSettings, SecondRunWithoutRecordOpensWithTheFirstRunsOkdValuesAndRendersThem) {
    const khost::RunReport defaults = RunWith(L"");
    const khost::RunReport first = RunWith(L"4");
    ASSERT_EQ(first.result, 0);
    EXPECT_TRUE(first.output.pixels != defaults.output.pixels) << "the setting shows in the render";
    EXPECT_EQ(fs::file_size(File()), Halvane() ? 185u : 38u);
    std::wstring shown;
    const khost::RunReport second = RunWith(L"", DialogAnswer::Ok, &shown);
    EXPECT_EQ(shown, L"4");
    EXPECT_TRUE(second.output.pixels == first.output.pixels);
    // A repeat without the dialog renders them too.
    const khost::RunReport repeat = RunWith(L"", DialogAnswer::Ok, nullptr, true);
    EXPECT_TRUE(repeat.dialogs.empty());
    EXPECT_TRUE(repeat.output.pixels == first.output.pixels);
}

TEST_P(RememberedSettings, DamagedOrForeignFileGivesTheDefaultsSilently) {
    ASSERT_EQ(RunWith(L"4").result, 0);
    const uintmax_t size = fs::file_size(File());
    for (int damage = 0; damage < 3; ++damage) {
        if (damage < 2) fs::resize_file(File(), damage == 0 ? size - 1 : size + 1);
        if (damage == 2) std::ofstream(File(), std::ios::binary) << std::string(size, '\x07');
        const khost::RunReport report = RunWith(L"", DialogAnswer::Cancel);
        module().expectDefaults(report.settings.bytes);
        EXPECT_TRUE(report.messageBoxes.empty());
    }
}

TEST_P(RememberedSettings, RecordTheHostKeepsWinsOverTheFile) {
    options().keepParameters = true;
    ASSERT_EQ(RunWith(L"4").result, 0);
    RunWith(L"6", DialogAnswer::Cancel);  // the host's record changes, the file does not
    EXPECT_EQ(ValueIn(RunWith(L"", DialogAnswer::Ok, nullptr, true)), 6);
}

TEST_P(RememberedSettings, FolderThatCannotBeWrittenStillGivesACleanRun) {
    std::ofstream(folder_ / "Kelvo") << "a file where the folder would be";
    const khost::RunReport report = RunWith(L"4");
    EXPECT_EQ(report.result, 0);
    EXPECT_TRUE(report.messageBoxes.empty() && report.problems.empty());
    module().expectDefaults(RunWith(L"", DialogAnswer::Cancel).settings.bytes);
}

INSTANTIATE_TEST_SUITE_P(BothModules, RememberedSettings, ::testing::ValuesIn(hosttest::BothModules()),
                         hosttest::ModuleTestName);

}  // namespace
