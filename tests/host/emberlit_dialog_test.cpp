// Emberlit's settings dialog operated like a person under Wine: the three
// threshold windows and the glow level typed and stepped, the preview
// followed, OK and Cancel pressed.
#include <cstring>
#include <iterator>
#include <map>

#include "dialog_test_support.h"
#include "glow_filter.h"

namespace kelvo::host {

namespace {

using dialogtest::Edit;
using dialogtest::Snapshot;
using dialogtest::Spin;
using dialogtest::Take;

const SettingsTable& kTable = glow::kGlowSettings;

double Value(const std::vector<uint8_t>& record, const char* name) {
    return ReadSetting(*FindSetting(kTable, name), record.data());
}

class EmberlitDialog : public hosttest::HostFixture {
protected:
    EmberlitDialog() : HostFixture(KELVO_EMBERLIT_PATH) {}
    void SetUp() override {
        HostFixture::SetUp();
        image = hosttest::PatternImage(600, 400, 3);
        host::SetImage(host, image);
    }
    host::Image image;
};

// Opening: the defaults, and the preview already shows the glow: the
// renderer's output for the reduced image, which differs from that image.
TEST_F(EmberlitDialog, OpensWithTheDefaultsAndTheGlowVisible) {
    Snapshot at;
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        at = Take(d, kTable);
        d.Click(IDCANCEL);
    });
    const std::map<const char*, const wchar_t*> shown = {
        {"redLower", L"250"},   {"redUpper", L"255"},  {"greenLower", L"250"}, {"greenUpper", L"255"},
        {"blueLower", L"250"}, {"blueUpper", L"255"}, {"glowLevel", L"10"}};
    for (const auto& [name, text] : shown) EXPECT_EQ(at.texts[Edit(kTable, name)], text) << name;
    const host::AdvanceCall* request = dialogtest::PreviewRequest(report);
    ASSERT_NE(request, nullptr);
    ASSERT_TRUE(at.lastDisplay.drawn);
    EXPECT_EQ(at.lastDisplay.pixels, dialogtest::ExpectedPreview(glow::kGlowFilter, *request, 3, at.record));
    EXPECT_NE(at.lastDisplay.pixels, request->inPixels) << "the glow is visible at once";
}

// Typed text: the whole text must be a number within the field's range
// (0..255, the level 0..30); an empty field stores 0, a leading blank and one
// sign are accepted, trailing characters (a blank too) are not.
TEST_F(EmberlitDialog, TypedValuesFollowTheWholeTextRule) {
    // Typed key by key: each prefix is a text of its own, and the record
    // holds the last one accepted (256 leaves 25, from "25").
    struct Case {
        const char* field;
        const wchar_t* typed;
        int stored;
    };
    const Case cases[] = {
        {"redUpper", L"256", 25}, {"redUpper", L"255", 255}, {"glowLevel", L"31", 3},  {"glowLevel", L"30", 30},
        {"greenLower", L"", 0},   {"greenLower", L" 12", 12}, {"blueLower", L"12 ", 12}, {"blueLower", L"1a", 1},
        {"redLower", L"+7", 7},   {"redLower", L"-0", 0},    {"redLower", L"-1", 0},
    };
    std::vector<std::pair<double, double>> values;
    std::vector<std::wstring> texts;
    dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        for (const Case& c : cases) {
            const double before = Value(d.SettingsBytes(), c.field);
            d.Replace(Edit(kTable, c.field), c.typed);
            values.emplace_back(before, Value(d.SettingsBytes(), c.field));
            texts.push_back(d.Text(Edit(kTable, c.field)));
        }
        d.Click(IDCANCEL);
    });
    ASSERT_EQ(values.size(), std::size(cases));
    for (size_t i = 0; i < values.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(values[i].second, c.stored)
            << c.field << " typed \"" << host::Narrow(c.typed) << "\"";
        EXPECT_EQ(texts[i], c.typed);
    }
}

// Spin arrows: clamped at 255 and 0, the level steps within 0..20 though 30
// can be typed; a step after an ignored text starts from the record.
TEST_F(EmberlitDialog, SpinArrowsStepWithinTheirBounds) {
    std::map<std::string, std::pair<std::wstring, double>> seen;
    auto note = [&](host::DialogDriver& d, const char* key, const char* field) {
        seen[key] = {d.Text(Edit(kTable, field)), Value(d.SettingsBytes(), field)};
    };
    dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        d.SpinUp(Spin(kTable, "redUpper"));
        note(d, "redUpper up at 255", "redUpper");
        d.Replace(Edit(kTable, "blueLower"), L"0");
        d.SpinDown(Spin(kTable, "blueLower"));
        note(d, "blueLower down at 0", "blueLower");
        d.Replace(Edit(kTable, "glowLevel"), L"20");
        d.SpinUp(Spin(kTable, "glowLevel"));
        note(d, "level up at 20", "glowLevel");
        d.Replace(Edit(kTable, "glowLevel"), L"25");
        d.SpinUp(Spin(kTable, "glowLevel"));
        note(d, "level up from 25", "glowLevel");
        d.Replace(Edit(kTable, "glowLevel"), L"25");
        d.SpinDown(Spin(kTable, "glowLevel"));
        note(d, "level down from 25", "glowLevel");
        d.Replace(Edit(kTable, "greenLower"), L"25");
        d.Type(L"6");  // "256" is ignored: the record keeps 25
        d.SpinUp(Spin(kTable, "greenLower"));
        note(d, "greenLower up after ignored text", "greenLower");
        d.Click(IDCANCEL);
    });
    using P = std::pair<std::wstring, double>;
    EXPECT_EQ(seen["redUpper up at 255"], P(L"255", 255));
    EXPECT_EQ(seen["blueLower down at 0"], P(L"0", 0));
    EXPECT_EQ(seen["level up at 20"], P(L"20", 20));
    EXPECT_EQ(seen["level up from 25"], P(L"20", 20));
    EXPECT_EQ(seen["level down from 25"], P(L"24", 24));
    EXPECT_EQ(seen["greenLower up after ignored text"], P(L"26", 26));
}

// The preview is not re-rendered while typing; a focus move or a released
// spin arrow renders it with the settings of that moment.
TEST_F(EmberlitDialog, PreviewFollowsFocusMovesAndSpinReleases) {
    Snapshot clicked, typed, tabbed, spun;
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        d.Click(Edit(kTable, "redLower"));
        clicked = Take(d, kTable);
        d.Type(L"0");  // "2500" is refused; "100" typed over it below is taken key by key
        d.Replace(Edit(kTable, "redLower"), L"100");
        d.Repaint();  // a repaint shows the preview as it was last rendered
        typed = Take(d, kTable);
        d.Tab();
        tabbed = Take(d, kTable);
        d.SpinUp(Spin(kTable, "glowLevel"));
        spun = Take(d, kTable);
        d.Click(IDCANCEL);
    });
    const host::AdvanceCall* request = dialogtest::PreviewRequest(report);
    ASSERT_NE(request, nullptr);
    // The preview at a reduced size reports no progress; its pixels tell
    // whether it was rendered again.
    EXPECT_EQ(Value(typed.record, "redLower"), 100);
    EXPECT_GT(typed.displayCalls, clicked.displayCalls);
    EXPECT_EQ(typed.lastDisplay.pixels, clicked.lastDisplay.pixels) << "typing renders nothing";
    EXPECT_EQ(tabbed.lastDisplay.pixels, dialogtest::ExpectedPreview(glow::kGlowFilter, *request, 3, tabbed.record));
    EXPECT_NE(tabbed.lastDisplay.pixels, clicked.lastDisplay.pixels);
    EXPECT_EQ(Value(spun.record, "glowLevel"), 11);
    EXPECT_EQ(spun.lastDisplay.pixels, dialogtest::ExpectedPreview(glow::kGlowFilter, *request, 3, spun.record));
    EXPECT_NE(spun.lastDisplay.pixels, tabbed.lastDisplay.pixels);
}

TEST_F(EmberlitDialog, CancelKeepsTheEdits) {
    host::RunReport report = dialogtest::RunScripted(host, [](host::DialogDriver& d) {
        d.Replace(Edit(kTable, "blueUpper"), L"128");
        d.Click(IDCANCEL);
    });
    EXPECT_EQ(report.dialogs[0].endCode, IDCANCEL);
    EXPECT_EQ(report.result, userCanceledOrToldErr);
    const std::vector<uint8_t>& record = report.settings.bytes;
    EXPECT_EQ(Value(record, "blueUpper"), 128);
    EXPECT_EQ(report.output.pixels, image.pixels);
}

// OK renders what `kelvo-render --filter glow --set ...` renders.
TEST_F(EmberlitDialog, OkRendersWhatTheCommandLineRendersWithTheSameSettings) {
    host::RunReport report = dialogtest::RunScripted(host, [](host::DialogDriver& d) {
        d.Replace(Edit(kTable, "redLower"), L"120");
        d.Replace(Edit(kTable, "greenLower"), L"90");
        d.Replace(Edit(kTable, "blueLower"), L"140");
        d.SpinDown(Spin(kTable, "blueUpper"), 2);
        d.Replace(Edit(kTable, "glowLevel"), L"25");
        d.Click(IDOK);
    });
    ASSERT_EQ(report.result, 0);
    const host::Image expected = dialogtest::RenderLikeCommandLine(
        glow::kGlowFilter, image,
        {{"redLower", "120"}, {"greenLower", "90"}, {"blueLower", "140"}, {"blueUpper", "253"}, {"glowLevel", "25"}});
    EXPECT_TRUE(report.output.pixels == expected.pixels) << "the final image differs from kelvo-render's";
}

// A filter area that fits the preview 1:1 is shown at its own size, centred
// in the preview area, with the black frame one pixel outside it.
TEST_F(EmberlitDialog, SmallFilterAreaIsShownOneToOneAndCentred) {
    options().filterRect = Rect{10, 20, 50, 80};
    host::Image picture;
    RECT window{}, marker{};
    POINT origin{0, 0};
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        d.Capture(&picture);
        GetWindowRect(d.Dialog(), &window);
        GetWindowRect(d.Item(101), &marker);
        ClientToScreen(d.Dialog(), &origin);
        d.Click(IDCANCEL);
    });
    const host::AdvanceCall* request = dialogtest::PreviewRequest(report);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(request->inputRate, 0x10000);
    // At full size the preview's render reports progress and polls for abort.
    EXPECT_FALSE(report.progressCalls.empty());
    EXPECT_GT(report.abortCalls, 0);
    EXPECT_EQ(host::RectText(request->inRect), host::RectText(Rect{10, 20, 50, 80}));
    ASSERT_FALSE(report.displayCalls.empty());
    const host::DisplayCall& shown = report.displayCalls.back();
    EXPECT_EQ(shown.dstCol, (marker.left + marker.right - 60) / 2 - origin.x);
    EXPECT_EQ(shown.dstRow, (marker.top + marker.bottom - 40) / 2 - origin.y);
    // The frame in the capture: black just outside the image on all four sides.
    auto at = [&](int x, int y) {
        const size_t i = (static_cast<size_t>(y) * picture.width + x) * 3;
        return picture.pixels[i] + picture.pixels[i + 1] + picture.pixels[i + 2];
    };
    const int left = origin.x - window.left + shown.dstCol, top = origin.y - window.top + shown.dstRow;
    ASSERT_GT(picture.width, left + 61);
    for (int x = left - 1; x <= left + 60; ++x) {
        EXPECT_EQ(at(x, top - 1), 0) << x;
        EXPECT_EQ(at(x, top + 40), 0) << x;
    }
    for (int y = top; y < top + 40; ++y) {
        EXPECT_EQ(at(left - 1, y), 0) << y;
        EXPECT_EQ(at(left + 60, y), 0) << y;
    }
}

// A host mask without a floating selection is not shown; a failed preview
// request leaves a dialog that works and renders on OK.
TEST_F(EmberlitDialog, MaskAndFailedPreviewRequest) {
    options().haveMask = true;
    host::RunReport masked = dialogtest::RunScripted(host, [](host::DialogDriver& d) { d.Click(IDCANCEL); });
    ASSERT_FALSE(masked.displayCalls.empty());
    EXPECT_FALSE(masked.displayCalls.back().hasMask);
    ASSERT_NE(dialogtest::PreviewRequest(masked), nullptr);
    EXPECT_EQ(dialogtest::PreviewRequest(masked)->maskRate, dialogtest::PreviewRequest(masked)->inputRate);

    options().haveMask = false;
    options().failAdvanceStateAt = 1;
    host::RunReport failed = dialogtest::RunScripted(host, [](host::DialogDriver& d) {
        d.Replace(Edit(kTable, "glowLevel"), L"5");
        d.Tab();
        d.Click(IDOK);
    });
    ASSERT_EQ(failed.result, 0);
    EXPECT_TRUE(failed.displayCalls.empty());
    EXPECT_TRUE(failed.output.pixels ==
                dialogtest::RenderLikeCommandLine(glow::kGlowFilter, image, {{"glowLevel", "5"}}).pixels);
}

}  // namespace

}  // namespace kelvo::host
