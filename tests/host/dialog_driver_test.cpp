// The host's dialog driver against the dialog probe module: real key presses
// and clicks reach the focused field, the default and cancel buttons, the
// scroll bars' arrows and the platform's file dialogs; what displayPixels drew
// is recorded; the dialog can be captured. The probe logs what its dialog
// procedure received, so each test sees exactly what the input caused.
#include <cctype>
#include <cstdio>
#include <string>

#include "host_dialog.h"
#include "host_test_support.h"

namespace kelvo::host {

namespace {

using hosttest::PatternImage;

class DialogDriverTest : public hosttest::HostFixture {
protected:
    DialogDriverTest() : HostFixture(KELVO_DIALOG_PROBE_PATH) {}

    void SetUp() override {
        HostFixture::SetUp();
        host::SetImage(host, PatternImage(120, 80, 3));
        ProbeLog();  // drop what earlier tests left
    }

    std::string ProbeLog() {
        using LogProc = const char*(KELVO_CDECL*)();
        auto proc = reinterpret_cast<LogProc>(
            reinterpret_cast<void*>(GetProcAddress(host::Module(host).module, "DialogProbeLog")));
        return proc != nullptr ? proc() : "<no log>";
    }

    host::RunReport RunScript(host::DialogScript script) {
        host::RunPlan plan;
        plan.script = std::move(script);
        plan.dialog = host::DialogAnswer::Cancel;  // whatever the script leaves open
        host::RunReport report = host::RunFilter(host, plan);
        EXPECT_EQ(report.dialogs.size(), 1u);
        if (!report.dialogs.empty()) {
            EXPECT_TRUE(report.dialogs[0].scripted);
            for (const std::string& p : report.dialogs[0].scriptProblems) ADD_FAILURE() << "script: " << p;
        }
        return report;
    }
};

std::wstring TempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

TEST_F(DialogDriverTest, KeysReachTheFocusedFieldAndTheDialogButtons) {
    std::wstring afterTyping, afterBackspace;
    int afterTab = 0, afterShiftTab = 0;
    host::RunReport report = RunScript([&](host::DialogDriver& d) {
        d.Replace(1001, L"12a");
        afterTyping = d.Text(1001);
        d.Backspace();
        afterBackspace = d.Text(1001);
        d.Tab();
        afterTab = d.FocusedId();
        d.ShiftTab();
        afterShiftTab = d.FocusedId();
        d.Enter();  // the default button
    });
    EXPECT_EQ(afterTyping, L"12a");
    EXPECT_EQ(afterBackspace, L"12");
    EXPECT_EQ(afterTab, 1003) << "the scroll bar between the fields is no tab stop";
    EXPECT_EQ(afterShiftTab, 1001);
    EXPECT_EQ(report.dialogs[0].endCode, IDOK);
    EXPECT_EQ(report.result, 0);
    const std::string log = ProbeLog();
    // Replacing the text: the selection is typed over, one change per key.
    EXPECT_NE(log.find("change 1001 \"1\"\nchange 1001 \"12\"\nchange 1001 \"12a\"\nchange 1001 \"12\"\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("focus 1003\nfocus 1001\nok\n"), std::string::npos) << log;
}

TEST_F(DialogDriverTest, EscapeCancels) {
    host::RunReport report = RunScript([](host::DialogDriver& d) {
        d.Click(1003);
        d.Escape();
    });
    EXPECT_EQ(report.dialogs[0].endCode, IDCANCEL);
    EXPECT_EQ(report.result, userCanceledOrToldErr);
    EXPECT_FALSE(report.dialogs[0].forcedEnd);
}

TEST_F(DialogDriverTest, SpinArrowsStepOnceAndEndTheScroll) {
    std::wstring up, down;
    int focus = 0;
    RunScript([&](host::DialogDriver& d) {
        d.Click(1003);
        d.SpinUp(1002);
        up = d.Text(1001);
        focus = d.FocusedId();
        d.SpinDown(1002, 2);
        down = d.Text(1001);
        d.Click(IDOK);
    });
    EXPECT_EQ(up, L"101");
    EXPECT_EQ(focus, 1001);
    EXPECT_EQ(down, L"99");
    const std::string log = ProbeLog();
    // One press and release on an arrow: one line step, then the end of the scroll.
    EXPECT_NE(log.find("scroll 1002 0\nchange 1001 \"101\"\nfocus 1001\nscroll 1002 8\n"), std::string::npos) << log;
    EXPECT_NE(log.find("scroll 1002 1\nchange 1001 \"100\"\nscroll 1002 8\nscroll 1002 1\nchange 1001 \"99\"\n"
                       "scroll 1002 8\n"),
              std::string::npos)
        << log;
}

TEST_F(DialogDriverTest, FileDialogsAreAnsweredByTypingAPath) {
    const std::wstring existing = TempFile(L"kelvo-driver-existing.prb");
    const std::wstring fresh = TempFile(L"kelvo-driver-new");
    FILE* f = _wfopen(existing.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    std::fputs("x", f);
    std::fclose(f);
    DeleteFileW((fresh + L".prb").c_str());

    std::wstring overwriteBox;
    RunScript([&](host::DialogDriver& d) {
        d.Click(1005);
        d.AnswerFileDialog(existing);
        d.Click(1005);
        d.CancelFileDialog();
        d.Click(1007);
        d.AnswerFileDialog(fresh);  // no extension: the dialog adds the default one
        d.Click(1007);
        d.AnswerFileDialog(existing);
        HWND box = d.WaitForOwnedDialog();  // the overwrite question
        ASSERT_NE(box, nullptr);
        overwriteBox = host::DialogDriver::BoxText(box);
        d.ClickButtonOf(box, IDYES);
        d.Click(IDOK);
    });
    // Paths compared without case: the file dialog may hand back the drive
    // letter in another case (32-bit Wine gives "c:" for a new file's name).
    auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const std::string log = lower(ProbeLog());
    const std::string existingText = lower(host::Narrow(existing));
    EXPECT_NE(log.find("open " + existingText + "\nopen cancelled\nsave " + lower(host::Narrow(fresh)) +
                       ".prb\nsave " + existingText + "\nok\n"),
              std::string::npos)
        << log;
    // Wine asks "File already exists. Do you want to replace it?" without the
    // file's name, which Windows puts into the question.
    EXPECT_NE(overwriteBox.find(L"replace"), std::wstring::npos) << host::Narrow(overwriteBox);
    DeleteFileW(existing.c_str());
}

TEST_F(DialogDriverTest, DisplayPixelsAreRecordedAndTheDialogCaptured) {
    host::DisplayCall shown;
    host::Image picture;
    RECT window{};
    POINT origin{0, 0};
    HWND dialog = nullptr;
    RunScript([&](host::DialogDriver& d) {
        dialog = d.Dialog();
        shown = d.LastDisplay();
        EXPECT_TRUE(d.Capture(&picture));
        GetWindowRect(dialog, &window);
        ClientToScreen(dialog, &origin);
        d.Click(IDOK);
    });
    // The probe shows the host's half-size copy of the image, inverted.
    const host::Image image = PatternImage(120, 80, 3);
    ASSERT_TRUE(shown.drawn);
    EXPECT_EQ(shown.window, dialog);
    ASSERT_EQ(shown.pixels.size(), 60u * 40u * 3u);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            for (int p = 0; p < 3; ++p)
                ASSERT_EQ(shown.pixels[(y * 60 + x) * 3 + p], 255 - image.pixels[((y * 2) * 120 + x * 2) * 3 + p])
                    << x << "," << y << " plane " << p;
    EXPECT_TRUE(shown.maskPixels.empty());
    // The capture holds the drawn preview where displayPixels put it.
    ASSERT_EQ(picture.width, window.right - window.left);
    ASSERT_EQ(picture.height, window.bottom - window.top);
    // (Away from the group box's caption, which the box paints over the image.)
    const int px = origin.x - window.left + shown.dstCol + 30, py = origin.y - window.top + shown.dstRow + 20;
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(picture.pixels[(static_cast<size_t>(py) * picture.width + px) * 3 + p],
                  shown.pixels[(20 * 60 + 30) * 3 + p]);
}

TEST_F(DialogDriverTest, TextScriptsRunAsTyped) {
    host::DialogScript script;
    std::string error;
    ASSERT_TRUE(host::ParseDialogScript("set 1001=470; tab; type 2 ;spin-up 1002\nspin-down 1004 2; ok", &script,
                                        &error))
        << error;
    host::RunReport report = RunScript(script);
    EXPECT_EQ(report.dialogs[0].endCode, IDOK);
    const std::string log = ProbeLog();
    EXPECT_NE(log.find("change 1001 \"470\"\nfocus 1003\n"), std::string::npos) << log;
    EXPECT_NE(log.find("change 1003 \"2 \"\n"), std::string::npos) << "trailing blanks are typed: " << log;
    EXPECT_NE(log.find("change 1001 \"471\""), std::string::npos) << log;
    EXPECT_NE(log.find("change 1003 \"0\""), std::string::npos) << log;

    EXPECT_FALSE(host::ParseDialogScript("set 1001", &script, &error));
    EXPECT_FALSE(host::ParseDialogScript("spin-up 1002 0", &script, &error));
    EXPECT_FALSE(host::ParseDialogScript("press 1", &script, &error));
    EXPECT_NE(error.find("press 1"), std::string::npos);
    EXPECT_TRUE(host::ParseDialogScript("set positionX=5; spin-up glowLevel; click load; click cancel", &script,
                                        &error))
        << error;
    // A misspelt name is named, with the nearest known one.
    EXPECT_FALSE(host::ParseDialogScript("set positonX=470; ok", &script, &error));
    EXPECT_NE(error.find("\"positonX\" (did you mean positionX?)"), std::string::npos) << error;
    EXPECT_FALSE(host::ParseDialogScript("click oj", &script, &error));
    EXPECT_NE(error.find("did you mean ok?"), std::string::npos) << error;
}

}  // namespace

}  // namespace kelvo::host
