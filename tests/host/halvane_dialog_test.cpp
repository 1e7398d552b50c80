// Halvane's settings dialog operated like a person under Wine: keys typed into
// the fields, the spin arrows clicked, the buttons pressed, the open and save
// dialogs answered by typing a path. What the fields show, what the record
// holds, what the preview draws and what OK renders are read back.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>

#include "dialog_test_support.h"
#include "flare_filter.h"

namespace kelvo::host {

namespace {

using dialogtest::Edit;
using dialogtest::Snapshot;
using dialogtest::Spin;
using dialogtest::Take;

const SettingsTable& kTable = flare::kFlareSettings;
constexpr int kLoadButton = flare::kLoadSettingsButton;
constexpr int kSaveButton = flare::kSaveSettingsButton;
constexpr int kTypeCombo = HALVANE_TYPE_COMBO;

flare::FilterParameters Params(const std::vector<uint8_t>& record) {
    flare::FilterParameters p;
    std::memset(&p, 0, sizeof p);
    EXPECT_EQ(record.size(), sizeof p);
    std::memcpy(&p, record.data(), record.size() < sizeof p ? record.size() : sizeof p);
    return p;
}

double Value(const std::vector<uint8_t>& record, const char* name) {
    return ReadSetting(*FindSetting(kTable, name), record.data());
}

// How the dialog shows a value of the field.
std::wstring Shown(const SettingField& f, double value) {
    char text[64];
    if (f.kind == SettingKind::Real) {
        float v = static_cast<float>(value);
        v = v < static_cast<float>(f.shownLow) ? static_cast<float>(f.shownLow) : v;
        v = v > static_cast<float>(f.shownHigh) ? static_cast<float>(f.shownHigh) : v;
        std::snprintf(text, sizeof text, "%.2f", v);
    } else {
        std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    }
    return std::wstring(text, text + std::strlen(text));
}

class HalvaneDialog : public hosttest::HostFixture {
protected:
    HalvaneDialog() : HostFixture(KELVO_HALVANE_PATH) {}
    void SetUp() override {
        HostFixture::SetUp();
        image = hosttest::PatternImage(600, 400, 3);
        host::SetImage(host, image);
    }
    host::Image image;
};

// Opening: every field shows the default as the dialog formats it, the combo
// box "Type 1", the focus is in X, and the preview is the renderer's output
// for the reduced image the host delivered.
TEST_F(HalvaneDialog, OpensWithTheDefaultsAndTheRenderedPreview) {
    Snapshot at;
    std::wstring combo;
    int comboEntries = 0;
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        // Repeated focus changes re-fill the fields and keep one combo entry.
        d.Tab();
        d.Tab();
        d.ShiftTab();
        d.ShiftTab();
        at = Take(d, kTable);
        combo = d.Text(kTypeCombo);
        comboEntries = static_cast<int>(SendMessageW(d.Item(kTypeCombo), CB_GETCOUNT, 0, 0));
        d.Click(IDCANCEL);
    });
    for (int i = 0; i < kTable.count; ++i) {
        const SettingField& f = kTable.fields[i];
        EXPECT_EQ(at.texts[f.editId], Shown(f, f.defaultValue)) << f.name;
    }
    EXPECT_EQ(combo, L"Type 1");
    EXPECT_EQ(comboEntries, 1);
    EXPECT_EQ(at.focus, Edit(kTable, "positionX"));

    const host::AdvanceCall* request = dialogtest::PreviewRequest(report);
    ASSERT_NE(request, nullptr);
    ASSERT_EQ(request->answer, 0);
    const Snapshot& s = at;
    ASSERT_TRUE(s.lastDisplay.drawn);
    EXPECT_TRUE(s.lastDisplay.fromHostBuffer);
    EXPECT_FALSE(s.lastDisplay.hasMask);
    EXPECT_EQ(s.lastDisplay.map.version, 1);
    EXPECT_EQ(Params(s.record).previewScale, request->inputRate / 65536.0);
    EXPECT_EQ(s.lastDisplay.pixels, dialogtest::ExpectedPreview(flare::kFlareFilter, *request, 3, s.record));
}

// Typed text, each kind of field: reals are clamped, X, Y and Count refuse
// values out of their ranges or with trailing text (the text stays as typed),
// an empty field stores 0, and Aspect takes 50 though it shows at most 10.
TEST_F(HalvaneDialog, TypedValuesAreStoredByTheirFieldsRules) {
    // Typed key by key: each prefix is a text of its own, so a refused text
    // leaves the value of its last accepted prefix ("10000" leaves 1000).
    struct Case {
        const char* field;
        const wchar_t* typed;
        double stored;
    };
    const Case cases[] = {
        {"positionX", L"9999", 9999},     {"positionX", L"10000", 1000}, {"positionX", L"-9999", -9999},
        {"positionX", L"12ab", 12},       {"positionX", L" 12", 12},     {"positionX", L"", 0},
        {"positionY", L"1000", 1000},     {"positionY", L"1001", 100},   {"positionY", L"-1000", -1000},
        {"raysCount", L"361", 36},        {"raysCount", L"360", 360},    {"raysCount", L"7.5", 7},
        {"flareSize", L"150", 100},       {"flareHue", L"-3", 0},        {"haloSize", L"abc", 0},
        {"haloBright", L"12.345xyz", 12.345}, {"raysRotate", L"400", 360}, {"positionAspect", L"50", 50},
    };
    std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> records;  // before, after typing
    std::vector<std::wstring> texts;
    double aspectAfterFill = -1;
    std::wstring aspectShown;
    dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        for (const Case& c : cases) {
            const std::vector<uint8_t> before = d.SettingsBytes();
            d.Replace(Edit(kTable, c.field), c.typed);
            records.emplace_back(before, d.SettingsBytes());
            texts.push_back(d.Text(Edit(kTable, c.field)));
        }
        // The next fill (a focus change) shows Aspect within 0..10 and stores that.
        d.Tab();
        aspectShown = d.Text(Edit(kTable, "positionAspect"));
        aspectAfterFill = Value(d.SettingsBytes(), "positionAspect");
        d.Click(IDCANCEL);
    });
    ASSERT_EQ(records.size(), std::size(cases));
    for (size_t i = 0; i < records.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(Value(records[i].second, c.field), c.stored) << c.field << " typed \"" << host::Narrow(c.typed) << "\"";
        EXPECT_EQ(texts[i], c.typed) << "the field keeps the text as typed";
    }
    EXPECT_EQ(aspectShown, L"10.00");
    EXPECT_EQ(aspectAfterFill, 10.0);
}

// Spin arrows step from the record, show within the stepped bounds, and reach
// the record only through the field's own rules.
TEST_F(HalvaneDialog, SpinArrowsStepAtAndBeyondTheBounds) {
    std::map<std::string, std::pair<std::wstring, double>> seen;  // shown text, record value
    auto note = [&](host::DialogDriver& d, const char* key, const char* field) {
        seen[key] = {d.Text(Edit(kTable, field)), Value(d.SettingsBytes(), field)};
    };
    dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        d.SpinUp(Spin(kTable, "flareSize"));
        note(d, "flareSize up", "flareSize");
        d.SpinUp(Spin(kTable, "flareHue"));
        note(d, "flareHue up", "flareHue");
        d.Replace(Edit(kTable, "raysRotate"), L"360");
        d.SpinUp(Spin(kTable, "raysRotate"));
        note(d, "raysRotate up at 360", "raysRotate");
        d.Replace(Edit(kTable, "positionX"), L"9999");
        d.SpinUp(Spin(kTable, "positionX"));
        note(d, "X up at 9999", "positionX");
        d.Replace(Edit(kTable, "positionY"), L"1000");
        d.SpinUp(Spin(kTable, "positionY"));
        note(d, "Y up at 1000", "positionY");
        d.Replace(Edit(kTable, "raysCount"), L"0");
        d.SpinDown(Spin(kTable, "raysCount"));
        note(d, "Count down at 0", "raysCount");
        d.Replace(Edit(kTable, "positionAspect"), L"50");
        d.SpinDown(Spin(kTable, "positionAspect"));
        note(d, "Aspect down from 50", "positionAspect");
        d.Click(IDCANCEL);
    });
    using P = std::pair<std::wstring, double>;
    EXPECT_EQ(seen["flareSize up"], P(L"10.50", 10.5));
    EXPECT_EQ(seen["flareHue up"], P(L"0.10", 0.1));
    EXPECT_EQ(seen["raysRotate up at 360"], P(L"360.00", 360.0));
    EXPECT_EQ(seen["X up at 9999"], P(L"10000", 9999.0));
    EXPECT_EQ(seen["Y up at 1000"], P(L"1001", 1000.0));
    EXPECT_EQ(seen["Count down at 0"], P(L"0", 0.0));
    // 50 - 0.05 is shown within 0..10.
    EXPECT_EQ(seen["Aspect down from 50"], P(L"10.00", 10.0));
}

// The preview follows focus changes and released spin arrows, not typing,
// and always shows the renderer's output for the settings of its last render.
TEST_F(HalvaneDialog, PreviewRendersOnFocusChangesAndSpinReleasesNotWhileTyping) {
    Snapshot start, typed, tabbed, spun;
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        start = Take(d, kTable);
        d.Replace(Edit(kTable, "flareSize"), L"40");
        d.Type(L"5");
        typed = Take(d, kTable);
        d.Tab();
        tabbed = Take(d, kTable);
        d.SpinUp(Spin(kTable, "positionX"), 3);
        spun = Take(d, kTable);
        d.Click(IDCANCEL);
    });
    const host::AdvanceCall* request = dialogtest::PreviewRequest(report);
    ASSERT_NE(request, nullptr);
    // Clicking into the field is a focus change: one render; typing adds none.
    EXPECT_EQ(Value(typed.record, "flareSize"), 100.0) << "405 clamped";
    const size_t perRender = start.progressCalls;
    ASSERT_GT(perRender, 0u) << "the first render reports progress";
    EXPECT_EQ(typed.progressCalls, 2 * perRender);
    EXPECT_EQ(typed.lastDisplay.pixels, start.lastDisplay.pixels) << "the click's render had the old settings";
    EXPECT_EQ(tabbed.progressCalls, 3 * perRender);
    EXPECT_EQ(tabbed.lastDisplay.pixels, dialogtest::ExpectedPreview(flare::kFlareFilter, *request, 3, tabbed.record));
    EXPECT_NE(tabbed.lastDisplay.pixels, start.lastDisplay.pixels);
    // Each of the three clicks: one render when the arrow is released (the
    // focus is in X after the first one, so no focus render after that).
    EXPECT_EQ(Value(spun.record, "positionX"), 103.0);
    EXPECT_EQ(spun.lastDisplay.pixels, dialogtest::ExpectedPreview(flare::kFlareFilter, *request, 3, spun.record));
    EXPECT_GE(spun.progressCalls, 6 * perRender);
}

// Cancel ends with 2, the host reports the cancel, and the record keeps the edits.
TEST_F(HalvaneDialog, CancelKeepsTheEditsInTheRecord) {
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        d.Replace(Edit(kTable, "positionX"), L"321");
        d.Replace(Edit(kTable, "haloHue"), L"0.4");
        d.Escape();
    });
    EXPECT_EQ(report.dialogs[0].endCode, IDCANCEL);
    EXPECT_EQ(report.result, userCanceledOrToldErr);
    const flare::FilterParameters p = hosttest::SettingsOf(report.settings);
    EXPECT_EQ(p.positionX, 321);
    EXPECT_EQ(p.haloHue, 0.4);
    EXPECT_EQ(p.showDialog, 0);
    EXPECT_EQ(report.output.pixels, image.pixels) << "a cancelled run leaves the image";
}

// OK renders the final image with the edited settings: the bytes
// `kelvo-render --set ...` gives with the same values.
TEST_F(HalvaneDialog, OkRendersWhatTheCommandLineRendersWithTheSameSettings) {
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        d.Replace(Edit(kTable, "positionX"), L"470");
        d.Replace(Edit(kTable, "positionY"), L"90");
        d.Replace(Edit(kTable, "raysHue"), L"0.3");
        d.SpinUp(Spin(kTable, "flareSize"), 2);
        d.Replace(Edit(kTable, "raysCount"), L"9");
        d.Enter();
    });
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(report.dialogs[0].endCode, IDOK);
    const host::Image expected = dialogtest::RenderLikeCommandLine(
        flare::kFlareFilter, image,
        {{"positionX", "470"}, {"positionY", "90"}, {"raysHue", "0.3"}, {"flareSize", "11"}, {"raysCount", "9"}});
    EXPECT_TRUE(report.output.pixels == expected.pixels) << "the final image differs from kelvo-render's";
}

// A preview request the host refuses: the dialog still works, shows no
// stale pixels (displayPixels is never called), and OK still renders.
TEST_F(HalvaneDialog, FailedPreviewRequestLeavesAWorkingDialog) {
    options().failAdvanceStateAt = 1;
    host::Image picture;
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        d.Replace(Edit(kTable, "positionX"), L"200");
        d.Tab();
        d.Capture(&picture);
        d.Click(IDOK);
    });
    ASSERT_EQ(report.result, 0);
    EXPECT_TRUE(report.displayCalls.empty());
    EXPECT_EQ(hosttest::SettingsOf(report.settings).positionX, 200);
    EXPECT_TRUE(report.output.pixels ==
                dialogtest::RenderLikeCommandLine(flare::kFlareFilter, image, {{"positionX", "200"}}).pixels);
    EXPECT_GT(picture.width, 0);
}

// A selection with a mask: the preview asks for the mask's rate only; a
// floating selection also gets its reduced mask and shows it through
// displayPixels.
TEST_F(HalvaneDialog, MaskAndFloatingSelectionReachThePreview) {
    host::HostOptions o;
    o.haveMask = true;
    o.maskRect = Rect{1, 2, 3, 4};
    o.maskValue = 200;
    Open(o);
    host::SetImage(host, image);
    host::RunReport masked = dialogtest::RunScripted(host, [](host::DialogDriver& d) { d.Click(IDCANCEL); });
    const host::AdvanceCall* request = dialogtest::PreviewRequest(masked);
    ASSERT_NE(request, nullptr);
    const int32_t factor = request->inputRate >> 16;
    EXPECT_GT(factor, 1);
    EXPECT_EQ(request->maskRate, request->inputRate);
    EXPECT_EQ(request->maskPadding, 0) << "not written without a floating selection";
    EXPECT_EQ(host::RectText(request->maskRect), host::RectText(Rect{1, 2, 3, 4})) << "nor the mask's rectangle";
    ASSERT_FALSE(masked.displayCalls.empty());
    EXPECT_FALSE(masked.displayCalls.back().hasMask);

    o.isFloating = true;
    Open(o);
    host::SetImage(host, image);
    host::RunReport floating = dialogtest::RunScripted(host, [](host::DialogDriver& d) { d.Click(IDCANCEL); });
    request = dialogtest::PreviewRequest(floating);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(request->maskRect.bottom, 400 / factor);
    EXPECT_EQ(request->maskRect.right, 600 / factor);
    EXPECT_EQ(request->maskPadding, -1);
    ASSERT_FALSE(floating.displayCalls.empty());
    const host::DisplayCall& shown = floating.displayCalls.back();
    ASSERT_TRUE(shown.hasMask);
    EXPECT_EQ(shown.mask.colBytes, 1);
    EXPECT_EQ(shown.mask.maskDescription, 0);
    EXPECT_EQ(shown.mask.rowBytes, request->maskRowBytes);
    EXPECT_EQ(shown.maskPixels, std::vector<uint8_t>(shown.pixels.size() / 3, 200));
}

// Settings files through the real open and save dialogs: a round trip, an
// overwrite after the dialog's question, a wrong marker and a short file, and
// a save that cannot be written.
TEST_F(HalvaneDialog, SettingsFilesLoadAndSaveThroughTheFileDialogs) {
    const std::wstring saved = dialogtest::TempPath(L"kelvo-dialog-saved");  // ".lns" added by the dialog
    const std::wstring wrong = dialogtest::TempPath(L"kelvo-dialog-wrong.lns");
    const std::wstring shortFile = dialogtest::TempPath(L"kelvo-dialog-short.lns");
    const std::wstring readOnly = dialogtest::TempPath(L"kelvo-dialog-readonly.lns");
    DeleteFileW((saved + L".lns").c_str());
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(dialogtest::WriteBytes(wrong, std::vector<uint8_t>(185, 2)));
    const int32_t xy[2] = {-20, 33};
    std::vector<uint8_t> shortBytes(1 + sizeof xy, 1);  // the marker, then positionX and positionY
    std::memcpy(shortBytes.data() + 1, xy, sizeof xy);
    ASSERT_TRUE(dialogtest::WriteBytes(shortFile, shortBytes));
    const std::vector<uint8_t> keep = {1, 2, 3};
    ASSERT_TRUE(dialogtest::WriteBytes(readOnly, keep));
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // Wine run as root (as in CI containers) opens read-only files for
    // writing, where Windows refuses: the read-only case then proves nothing.
    HANDLE probe = CreateFileW(readOnly.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool readOnlyHolds = probe == INVALID_HANDLE_VALUE;
    if (!readOnlyHolds) CloseHandle(probe);
    const std::wstring locked = dialogtest::TempPath(L"kelvo-dialog-locked.lns");
    ASSERT_TRUE(dialogtest::WriteBytes(locked, keep));
    HANDLE held = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    std::vector<uint8_t> recordAtSave, afterRoundTrip, afterWrong, afterShort, afterOverwriteLoad;
    std::wstring xShownAfterShort;
    size_t boxesBeforeWrong = 0, boxesAfterWrong = 0, boxesAfterLocked = 0, boxesAfterReadOnly = 0;
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        d.Replace(Edit(kTable, "flareSize"), L"33.5");
        d.Tab();
        recordAtSave = d.SettingsBytes();
        d.Click(kSaveButton);
        d.AnswerFileDialog(saved);
        // Edits after the save, undone by loading it back.
        d.Replace(Edit(kTable, "flareSize"), L"70");
        d.Replace(Edit(kTable, "positionX"), L"5");
        d.Click(kLoadButton);
        d.AnswerFileDialog(saved + L".lns");
        afterRoundTrip = d.SettingsBytes();
        boxesBeforeWrong = d.Report().messageBoxes.size();
        d.Click(kLoadButton);
        d.AnswerFileDialog(wrong);
        afterWrong = d.SettingsBytes();
        boxesAfterWrong = d.Report().messageBoxes.size();
        d.Click(kLoadButton);
        d.AnswerFileDialog(shortFile);
        afterShort = d.SettingsBytes();
        xShownAfterShort = d.Text(Edit(kTable, "positionX"));
        // Overwrite the saved file with the record as it is now, then load it.
        d.Click(kSaveButton);
        d.AnswerFileDialog(saved + L".lns");
        if (HWND question = d.WaitForOwnedDialog()) d.ClickButtonOf(question, IDYES);
        d.Replace(Edit(kTable, "positionX"), L"6");
        d.Click(kLoadButton);
        d.AnswerFileDialog(saved + L".lns");
        afterOverwriteLoad = d.SettingsBytes();
        // A file another program holds open without sharing: the save fails and says so.
        d.Click(kSaveButton);
        d.AnswerFileDialog(locked);
        if (HWND question = d.WaitForOwnedDialog()) d.ClickButtonOf(question, IDYES);
        boxesAfterLocked = d.Report().messageBoxes.size();
        // A read-only file: the same on Windows.
        d.Click(kSaveButton);
        d.AnswerFileDialog(readOnly);
        if (HWND question = d.WaitForOwnedDialog()) d.ClickButtonOf(question, IDYES);
        boxesAfterReadOnly = d.Report().messageBoxes.size();
        d.Click(IDCANCEL);
    });
    const std::vector<uint8_t> file = dialogtest::ReadBytes(saved + L".lns");
    // The file: the marker and the record as it was after the first load and the short one.
    ASSERT_EQ(file.size(), 185u);
    EXPECT_EQ(file[0], 1);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 1, file.end()), afterOverwriteLoad);

    EXPECT_EQ(afterRoundTrip, recordAtSave) << "loading what was saved restores the record";
    EXPECT_EQ(Params(recordAtSave).flareSize, 33.5);
    EXPECT_EQ(Params(recordAtSave).showDialog, 1);
    EXPECT_EQ(afterWrong, afterRoundTrip) << "a file with the wrong marker changes nothing";
    EXPECT_EQ(boxesAfterWrong, boxesBeforeWrong + 1) << "and says why";
    const flare::FilterParameters s = Params(afterShort);
    EXPECT_EQ(s.positionX, -20);
    EXPECT_EQ(s.positionY, 33);
    EXPECT_EQ(s.flareSize, 33.5) << "a short file replaces only its leading bytes";
    EXPECT_EQ(xShownAfterShort, L"-20");
    EXPECT_EQ(Params(afterOverwriteLoad).positionX, -20) << "the overwrite wrote the record of that moment";

    CloseHandle(held);
    EXPECT_EQ(boxesAfterLocked, boxesAfterWrong + 1) << "a save that failed is reported";
    ASSERT_GE(report.messageBoxes.size(), 2u);
    EXPECT_EQ(report.messageBoxes[1].caption, L"Lens Flare Filter");
    EXPECT_NE(report.messageBoxes[1].text.find(L"could not be saved"), std::wstring::npos);
    EXPECT_EQ(dialogtest::ReadBytes(locked), keep) << "the file in use is untouched";
    if (readOnlyHolds) {
        EXPECT_EQ(boxesAfterReadOnly, boxesAfterLocked + 1);
        EXPECT_EQ(dialogtest::ReadBytes(readOnly), keep) << "the read-only file is untouched";
    }
    DeleteFileW(locked.c_str());
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(readOnly.c_str());
}

// A name with a character outside the ANSI code page, in a folder named so,
// is the file saved and loaded, never its best-fit twin beside it.
TEST_F(HalvaneDialog, UnicodeNamesSaveAndLoadTheirOwnFiles) {
    const std::wstring folder = dialogtest::TempPath(L"kelvo-\u65E5\u672C\u8A9E");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring twin = folder + L"\\victim.lns";
    const std::wstring named = folder + L"\\v\u012Bctim.lns";
    DeleteFileW(named.c_str());
    flare::FilterParameters p = flare::DefaultFlareParameters();
    p.positionX = 11;
    const std::vector<uint8_t> twinBytes = hosttest::SettingsFile(p);
    ASSERT_TRUE(dialogtest::WriteBytes(twin, twinBytes));

    std::vector<uint8_t> saved, loaded;
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        d.Replace(Edit(kTable, "positionX"), L"77");
        d.Tab();
        saved = d.SettingsBytes();
        d.Click(kSaveButton);
        d.AnswerFileDialog(named);
        d.Replace(Edit(kTable, "positionX"), L"5");
        d.Click(kLoadButton);
        d.AnswerFileDialog(named);
        loaded = d.SettingsBytes();
        d.Click(IDCANCEL);
    });
    EXPECT_EQ(dialogtest::ReadBytes(twin), twinBytes) << "the twin is untouched";
    const std::vector<uint8_t> file = dialogtest::ReadBytes(named);
    ASSERT_EQ(file.size(), 185u) << "the file named is made";
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 1, file.end()), saved);
    EXPECT_EQ(Params(loaded).positionX, 77) << "loading it gives its own settings";
    EXPECT_TRUE(report.messageBoxes.empty());
    DeleteFileW(twin.c_str());
    DeleteFileW(named.c_str());
    RemoveDirectoryW(folder.c_str());
}

// Paths longer than a classic 256-character name buffer. One of 258
// characters (the temporary file beside it is longer than MAX_PATH) is saved
// where it says. One of 264 is saved, or refused with a message. Nothing is
// written under another name, and the host runs on.
TEST_F(HalvaneDialog, LongPathsAreSavedOrRefusedNeverWrittenElsewhere) {
    const std::wstring prefix = L"\\\\?\\";
    std::wstring folder = dialogtest::TempPath(L"kelvo-long");
    std::vector<std::wstring> folders{folder};
    CreateDirectoryW(folder.c_str(), nullptr);
    for (wchar_t c = L'a'; folder.size() < 200; ++c) {
        folder += L"\\" + std::wstring(40, c);
        folders.push_back(folder);
        CreateDirectoryW((prefix + folder).c_str(), nullptr);
    }
    auto pathOf = [&](size_t length) { return folder + L"\\" + std::wstring(length - folder.size() - 5, L'n') + L".lns"; };
    const std::wstring fits = pathOf(258), tooLong = pathOf(264);
    DeleteFileW((prefix + fits).c_str());
    DeleteFileW((prefix + tooLong).c_str());

    std::vector<uint8_t> record;
    size_t boxesAtLongSave = 0;
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        record = d.SettingsBytes();
        d.Click(kSaveButton);
        d.AnswerFileDialog(fits);
        boxesAtLongSave = d.Report().messageBoxes.size();
        d.Click(kSaveButton);
        d.AnswerFileDialog(tooLong);
        // A message box, then the file dialog kept open for a shorter name:
        // closed as a user would.
        d.Pause(500);
        for (int i = 0; i < 3 && d.WaitForOwnedDialog(500) != nullptr; ++i) d.Escape();
        d.Click(IDCANCEL);
    });
    const std::vector<uint8_t> file = dialogtest::ReadBytes(prefix + fits);
    ASSERT_EQ(file.size(), 185u) << "258 characters: saved";
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 1, file.end()), record);
    EXPECT_EQ(boxesAtLongSave, 0u);

    const std::vector<uint8_t> longFile = dialogtest::ReadBytes(prefix + tooLong);
    const bool told = report.messageBoxes.size() > boxesAtLongSave &&
                      report.messageBoxes.back().text.find(L"too long") != std::wstring::npos;
    EXPECT_TRUE(longFile.size() == 185u || told) << "264 characters: saved or refused with a message";
    int filesInFolder = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((prefix + folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do filesInFolder += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(filesInFolder, longFile.empty() ? 1 : 2) << "nothing under another name";
    EXPECT_TRUE(report.problems.empty());
    DeleteFileW((prefix + fits).c_str());
    DeleteFileW((prefix + tooLong).c_str());
    for (auto f = folders.rbegin(); f != folders.rend(); ++f) RemoveDirectoryW((prefix + *f).c_str());
}

}  // namespace

namespace {

// Aspect typed 50 and OK pressed at once: no fill has clamped it yet, so the
// run renders with 50.
TEST_F(HalvaneDialog, AspectTypedFiftyAndOkRendersWithFifty) {
    host::RunReport report = dialogtest::RunScripted(host, [](host::DialogDriver& d) {
        d.Replace(Edit(kTable, "positionAspect"), L"50");
        d.Enter();
    });
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(hosttest::SettingsOf(report.settings).positionAspect, 50.0);
    EXPECT_TRUE(report.output.pixels ==
                dialogtest::RenderLikeCommandLine(flare::kFlareFilter, image, {{"positionAspect", "50"}}).pixels);
}

// A loaded file's values outside the fields' ranges: reals are clamped by the
// fill that follows the load, X is shown and kept as loaded.
TEST_F(HalvaneDialog, LoadedValuesOutsideTheRanges) {
    flare::FilterParameters p = flare::DefaultFlareParameters();
    p.flareSize = 500.0;
    p.positionX = 20000;
    const std::wstring path = dialogtest::TempPath(L"kelvo-dialog-wide.lns");
    ASSERT_TRUE(dialogtest::WriteBytes(path, hosttest::SettingsFile(p)));
    std::wstring sizeShown, xShown;
    std::vector<uint8_t> record;
    dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        d.Click(kLoadButton);
        d.AnswerFileDialog(path);
        sizeShown = d.Text(Edit(kTable, "flareSize"));
        xShown = d.Text(Edit(kTable, "positionX"));
        record = d.SettingsBytes();
        d.Click(IDCANCEL);
    });
    EXPECT_EQ(sizeShown, L"100.00");
    EXPECT_EQ(Params(record).flareSize, 100.0);
    EXPECT_EQ(xShown, L"20000");
    EXPECT_EQ(Params(record).positionX, 20000);
    DeleteFileW(path.c_str());
}

}  // namespace

}  // namespace kelvo::host
