// Both dialogs as laid out at the display's DPI (the program runs at 96 DPI
// and, in a prefix of its own, at 144): every control inside the dialog, no
// label cut off, every value of each field's range shown in full, and the
// preview fitted to the preview frame's real size in pixels. Each run saves a
// picture of both dialogs (see SaveScreenshot).
#include <algorithm>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "dialog_values.h"
#include "flare_parameters.h"
#include "glow_parameters.h"

namespace kelvo::host {

namespace {

struct ControlProblem {
    int id;
    std::wstring text;
    std::string what;
};

std::wstring ClassOf(HWND w) {
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    return cls;
}

// The texts a field shows at the ends of its typed and shown ranges, as the
// dialog writes them (reals are shown within the shown range).
std::vector<std::wstring> RangeEndTexts(const SettingField& field, IntegerText form) {
    std::vector<uint8_t> record(512);
    std::vector<std::wstring> texts;
    for (const double v : {field.typedLow, field.typedHigh, field.shownLow, field.shownHigh}) {
        WriteSetting(field, record.data(), v);
        char text[kFieldTextSize];
        FieldFillText(field, record.data(), form, text);
        if (std::find(texts.begin(), texts.end(), host::Wide(text)) == texts.end()) texts.push_back(host::Wide(text));
    }
    return texts;
}

// Width of the text in the control's font.
int TextWidth(HWND c, const std::wstring& text) {
    HDC dc = GetDC(c);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
    RECT need = {0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(c, dc);
    return need.right;
}

// The dialog's controls, read from its own thread's windows.
std::vector<ControlProblem> LayoutProblems(HWND dialog, const SettingsTable& table, IntegerText form) {
    std::vector<ControlProblem> problems;
    RECT client{};
    GetClientRect(dialog, &client);
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(c);
        wchar_t text[256] = {};
        GetWindowTextW(c, text, 256);
        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        if (r.left < client.left || r.top < client.top || r.right > client.right || r.bottom > client.bottom)
            problems.push_back({id, text, "lies outside the dialog"});
        const std::wstring cls = ClassOf(c);
        const LONG style = GetWindowLongW(c, GWL_STYLE);
        if (const SettingField* field = cls == L"Edit" ? FieldByEditId(table, id) : nullptr) {
            RECT inner{};
            GetClientRect(c, &inner);
            const LRESULT margins = SendMessageW(c, EM_GETMARGINS, 0, 0);
            const int room = inner.right - LOWORD(margins) - HIWORD(margins);
            for (const std::wstring& value : RangeEndTexts(*field, form)) {
                const int width = TextWidth(c, value);
                if (width > room)
                    problems.push_back({id, value, "value " + std::to_string(width) + " pixels wide in a field of " +
                                                       std::to_string(room)});
            }
        }
        if (text[0] == 0 || (style & WS_VISIBLE) == 0 || cls == L"Edit" || cls == L"ComboBox") continue;
        // The text as the control draws it, in its own font.
        HDC dc = GetDC(c);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
        RECT inner{};
        GetClientRect(c, &inner);
        const bool groupBox = cls == L"Button" && (style & BS_TYPEMASK) == BS_GROUPBOX;
        const bool wraps = cls == L"Static" && (style & SS_TYPEMASK) <= SS_RIGHT;
        RECT need = {0, 0, wraps ? inner.right : 0, 0};
        DrawTextW(dc, text, -1, &need, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, old);
        ReleaseDC(c, dc);
        // A group box's title sits after a small indent; a button's text
        // between its edges.
        const int room = groupBox ? inner.right - 8 : cls == L"Button" ? inner.right - 4 : inner.right;
        if (need.right > room) problems.push_back({id, text, "text wider than its control"});
        if (!groupBox && need.bottom > inner.bottom) problems.push_back({id, text, "text taller than its control"});
    }
    return problems;
}

class DialogLayout : public ::testing::TestWithParam<hosttest::ModuleCase> {};

TEST_P(DialogLayout, ControlsFitAndThePreviewFitsItsFrame) {
    const hosttest::ModuleCase& m = GetParam();
    std::string error;
    host::HostSession* host = host::OpenHost(hosttest::WinePath(m.path), host::HostOptions{}, &error);
    ASSERT_NE(host, nullptr) << error;
    host::Image image;
    ASSERT_TRUE(host::ReadImage(host::Narrow(hosttest::WinePath(KELVO_SAMPLE_IMAGE)), &image, &error)) << error;
    host::SetImage(host, image);

    std::vector<ControlProblem> problems;
    RECT frame{};
    host::Image picture;
    host::RunReport report = dialogtest::RunScripted(host, [&](host::DialogDriver& d) {
        const bool halvane = std::string(m.name) == "Halvane";
        problems = halvane ? LayoutProblems(d.Dialog(), flare::kFlareSettings, IntegerText::Signed)
                           : LayoutProblems(d.Dialog(), glow::kGlowSettings, IntegerText::Unsigned);
        GetWindowRect(d.Item(101), &frame);
        d.Capture(&picture);
        d.Click(IDCANCEL);
    });
    for (const ControlProblem& p : problems)
        ADD_FAILURE() << "control " << p.id << " \"" << host::Narrow(p.text) << "\": " << p.what;

    // The factor is the smallest whole reduction that fits the filter area
    // into the frame less its one-pixel border, measured in real pixels.
    const host::AdvanceCall* request = dialogtest::PreviewRequest(report);
    ASSERT_NE(request, nullptr);
    const int32_t pw = frame.right - frame.left - 2, ph = frame.bottom - frame.top - 2;
    const int32_t fw = image.width, fh = image.height;
    const int32_t wr = (fw + (pw < fw ? pw : fw) - 1) / (pw < fw ? pw : fw);
    const int32_t hr = (fh + (ph < fh ? ph : fh) - 1) / (ph < fh ? ph : fh);
    EXPECT_EQ(request->inputRate >> 16, wr > hr ? wr : hr) << "frame " << pw << " x " << ph;
    EXPECT_LE(request->inRect.right - request->inRect.left, pw);
    EXPECT_LE(request->inRect.bottom - request->inRect.top, ph);
    ::testing::Test::RecordProperty("dpi", dialogtest::DisplayDpi());
    ::testing::Test::RecordProperty("previewFactor", request->inputRate >> 16);
    std::printf("%s at %d DPI: frame %d x %d pixels, preview factor %d\n", m.name, dialogtest::DisplayDpi(), pw, ph,
                request->inputRate >> 16);
    ASSERT_GT(picture.width, 0);
    EXPECT_NE(dialogtest::SaveScreenshot(picture, std::string(m.name) == "Halvane" ? "halvane-dialog" : "emberlit-dialog"),
              "");
    host::CloseHost(host);
}

INSTANTIATE_TEST_SUITE_P(BothModules, DialogLayout, ::testing::ValuesIn(hosttest::BothModules()),
                         hosttest::ModuleTestName);

}  // namespace

}  // namespace kelvo::host
