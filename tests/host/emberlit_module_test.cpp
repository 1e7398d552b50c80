// Emberlit through our host: what the glow does to the image the host hands
// it, with the settings record the host keeps between runs. What the framework
// does the same way in both modules is tested in module_selectors_test.cpp and
// module_run_test.cpp.
//
// Expected images are built from the footprints of single sources (how much a
// source plane of a given value adds at a given squared distance), not from the
// weight formula, and the whole output is compared byte for byte.
#include <algorithm>
#include <cstring>
#include <vector>

#include "glow_parameters.h"
#include "host_test_support.h"

namespace kelvo::host {

namespace {

using host::Image;

// A background that no default window selects and whose planes add no light.
constexpr uint8_t kDark = 40;

struct Spot {
    int32_t x, y;
};

// What a source plane of `value` adds to the same plane of a target at squared
// distance d2 (1 or more), with glowLevel 10 and glowLevel 2.
int Level10(int value, int32_t d2) {
    switch (value) {
        case 255: return d2 <= 29 ? 2 : (d2 <= 57 ? 1 : 0);
        case 200: return d2 <= 49 ? 1 : 0;
        case 101: return d2 <= 5 ? 1 : 0;
        default: break;
    }
    if (value <= 100) return 0;
    ADD_FAILURE() << "no level-10 footprint for " << value;
    return 0;
}

int Level2(int value, int32_t d2) {
    if (value <= 100) return 0;
    if (value == 255) return d2 == 1 ? 2 : (d2 == 2 ? 1 : 0);
    ADD_FAILURE() << "no level-2 footprint for " << value;
    return 0;
}

using Footprint = int (*)(int value, int32_t d2);

// The input with the light of the given sources added, each in its own
// colour, over the area (image coordinates), saturating at 255. Planes 0..2 take light in images of three planes or more,
// plane 0 alone in one-plane (grey) images.
Image WithGlow(const Image& input, const std::vector<Spot>& sources, Footprint adds, const Rect& area) {
    Image out = input;
    const int32_t light = input.planes >= 3 ? 3 : 1;
    const size_t w = static_cast<size_t>(input.width), planes = static_cast<size_t>(input.planes);
    for (const Spot& s : sources) {
        const uint8_t* colour = &input.pixels[(s.y * w + s.x) * planes];
        for (int32_t ty = area.top; ty < area.bottom; ++ty) {
            for (int32_t tx = area.left; tx < area.right; ++tx) {
                const int32_t d2 = (tx - s.x) * (tx - s.x) + (ty - s.y) * (ty - s.y);
                if (d2 == 0) continue;
                uint8_t* target = &out.pixels[(ty * w + tx) * planes];
                for (int32_t p = 0; p < light; ++p)
                    target[p] = static_cast<uint8_t>(std::min(255, target[p] + adds(colour[p], d2)));
            }
        }
    }
    return out;
}

Rect Whole(const Image& image) {
    return Rect{0, 0, static_cast<int16_t>(image.height), static_cast<int16_t>(image.width)};
}

// Sets planes 0..2 of a pixel (plane 0 alone, to the first value, in a grey image).
void Put(Image* image, int32_t x, int32_t y, uint8_t p0, uint8_t p1, uint8_t p2) {
    uint8_t* px = &image->pixels[(static_cast<size_t>(y) * image->width + x) * image->planes];
    px[0] = p0;
    if (image->planes >= 3) {
        px[1] = p1;
        px[2] = p2;
    }
}

void PutWhite(Image* image, int32_t x, int32_t y) { Put(image, x, y, 255, 255, 255); }

uint8_t At(const Image& image, int32_t x, int32_t y, int32_t plane) {
    return image.pixels[(static_cast<size_t>(y) * image.width + x) * image.planes + plane];
}

// A busy image whose every value is below the default windows' 250.
Image BelowTheWindows(int32_t width, int32_t height, int32_t planes) {
    Image image = hosttest::PatternImage(width, height, planes);
    for (uint8_t& v : image.pixels) v = static_cast<uint8_t>(v % 250);
    return image;
}

// The number of bytes of the image that differ from the expected one, for a
// short failure message instead of two long byte lists.
size_t Differences(const Image& actual, const Image& expected) {
    if (actual.pixels.size() != expected.pixels.size()) return static_cast<size_t>(-1);
    size_t n = 0;
    for (size_t i = 0; i < actual.pixels.size(); ++i) n += actual.pixels[i] != expected.pixels[i] ? 1 : 0;
    return n;
}

class EmberlitRun : public hosttest::HostFixture {
protected:
    EmberlitRun() : HostFixture(KELVO_EMBERLIT_PATH) {}

    glow::FilterParameters Settings() {
        glow::FilterParameters p;
        std::memset(&p, 0, sizeof p);
        const std::vector<uint8_t> bytes = host::InspectHandle(record()->parameters).bytes;
        EXPECT_GE(bytes.size(), sizeof p);
        std::memcpy(&p, bytes.data(), std::min(bytes.size(), sizeof p));
        return p;
    }

    // The record in the host's handle, to edit in place as the dialog does.
    glow::FilterParameters* Live() { return *static_cast<glow::FilterParameters**>(record()->parameters); }

    // A first run that the user confirms, so that the host holds a record.
    void Confirm() {
        host::RunReport first = Run();
        ASSERT_EQ(first.result, 0);
        ASSERT_EQ(first.dialogs.size(), 1u);
    }

    // A repeat of the filter on `image`: no dialog, the kept settings.
    host::RunReport Repeat(const Image& image) {
        host::SetImage(host, image);
        host::RunReport report = Run(false);
        EXPECT_EQ(report.result, 0);
        EXPECT_TRUE(report.dialogs.empty());
        EXPECT_EQ(report.guardFaults, 0);
        return report;
    }
};

// ---- The glow of the default settings ----------------------------------------------------

TEST_F(EmberlitRun, BrightPixelLightsItsNeighboursWithTheDefaultDisc) {
    Image input = host::MakeImage(40, 30, 3, kDark);
    PutWhite(&input, 20, 15);
    host::SetImage(host, input);
    host::RunReport report = Run(true, host::DialogAnswer::Ok);
    ASSERT_EQ(report.result, 0);
    ASSERT_EQ(report.dialogs.size(), 1u);
    EXPECT_EQ(report.guardFaults, 0);

    const Image& out = report.output;
    for (int32_t p = 0; p < 3; ++p) {
        EXPECT_EQ(At(out, 20, 15, p), 255) << "a source adds nothing to itself";
        EXPECT_EQ(At(out, 21, 15, p), kDark + 2) << "d2 1";
        EXPECT_EQ(At(out, 20, 20, p), kDark + 2) << "d2 25";
        EXPECT_EQ(At(out, 26, 15, p), kDark + 1) << "d2 36";
        EXPECT_EQ(At(out, 25, 20, p), kDark + 1) << "d2 50";
        EXPECT_EQ(At(out, 28, 15, p), kDark) << "d2 64: outside the disc";
        EXPECT_EQ(At(out, 0, 0, p), kDark);
    }
    const Image expected = WithGlow(input, {{20, 15}}, Level10, Whole(input));
    EXPECT_EQ(Differences(out, expected), 0u);

    // The record after the confirmed run: the defaults, previewScale the
    // int32 1 of the final render, showDialog cleared, nothing else touched.
    ASSERT_GE(report.settings.blockSize, sizeof(glow::FilterParameters));
    const std::vector<uint8_t>& b = report.settings.bytes;
    const int32_t words[] = {255, 255, 255, 250, 250, 250, 10, 1};
    for (size_t i = 0; i < 8; ++i) {
        int32_t v = 0;
        std::memcpy(&v, b.data() + 4 * i, 4);
        EXPECT_EQ(v, words[i]) << "int32 at offset " << 4 * i;
    }
    EXPECT_EQ(b[32], 0);
    EXPECT_EQ(b[33], 0);
    EXPECT_EQ(b[34], 0);
    EXPECT_EQ(b[35], 0);
}

TEST_F(EmberlitRun, ImageBelowTheWindowsComesBackUnchangedThoughTheOutputStartedElsewhere) {
    // The host's output buffer starts as 77s and is not written back for the
    // module: every byte of the result is the module's own.
    options().outputFill = 77;
    options().takeBackOnReturn = false;
    const Image input = BelowTheWindows(40, 30, 3);
    host::SetImage(host, input);
    host::RunReport report = Run();
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(report.guardFaults, 0);
    EXPECT_EQ(Differences(report.output, input), 0u);
}

// ---- Settings kept between runs ---------------------------------------------------------------

TEST_F(EmberlitRun, SettingsThatSelectNothingOrReachNothingLeaveTheImageAlone) {
    Confirm();
    Image input = host::MakeImage(40, 30, 3, kDark);
    PutWhite(&input, 20, 15);
    PutWhite(&input, 5, 25);
    Put(&input, 33, 4, 251, 120, 252);

    struct Case {
        const char* what;
        void (*edit)(glow::FilterParameters*);
    };
    const Case cases[] = {
        {"glowLevel 0", [](glow::FilterParameters* p) { p->glowLevel = 0; }},
        {"glowLevel 1", [](glow::FilterParameters* p) { p->glowLevel = 1; }},
        {"every lower bound above its upper bound",
         [](glow::FilterParameters* p) {
             p->redLower = p->greenLower = p->blueLower = 255;
             p->redUpper = p->greenUpper = p->blueUpper = 254;
         }},
    };
    for (const Case& c : cases) {
        *Live() = glow::FilterParameters{255, 255, 255, 250, 250, 250, 10, 1, 0};
        c.edit(Live());
        const host::RunReport report = Repeat(input);
        EXPECT_EQ(Differences(report.output, input), 0u) << c.what;
    }
}

TEST_F(EmberlitRun, RepeatRendersTheSettingsTheHostKept) {
    Confirm();
    Live()->glowLevel = 2;  // as the dialog stores an edit
    Image input = host::MakeImage(40, 30, 3, kDark);
    PutWhite(&input, 10, 10);
    PutWhite(&input, 30, 20);
    const host::RunReport report = Repeat(input);
    EXPECT_EQ(Differences(report.output, WithGlow(input, {{10, 10}, {30, 20}}, Level2, Whole(input))), 0u);
    EXPECT_EQ(At(report.output, 11, 10, 0), kDark + 2);
    EXPECT_EQ(At(report.output, 11, 11, 0), kDark + 1);
    EXPECT_EQ(At(report.output, 12, 10, 0), kDark) << "d2 4 is the rim of a radius-2 disc";
    const glow::FilterParameters kept = Settings();
    EXPECT_EQ(kept.glowLevel, 2);
    EXPECT_EQ(kept.showDialog, 0);
}

TEST_F(EmberlitRun, LensFlareSettingsFileIsRefusedAndTheGlowRecordKept) {
    Confirm();
    host::RunPlan plan;
    plan.parameters = false;
    plan.settingsFile = hosttest::SettingsFile(flare::DefaultFlareParameters());
    const host::RunReport report = host::RunFilter(host, plan);
    EXPECT_NE(report.result, 0);
    EXPECT_FALSE(report.problems.empty());
    const glow::FilterParameters kept = Settings();
    EXPECT_EQ(kept.redUpper, 255) << "a lens-flare record's positionX must not land in the glow record";
    EXPECT_EQ(kept.glowLevel, 10);
}

TEST_F(EmberlitRun, EachWindowTestsItsOwnPlaneAndLightStaysInItsPlane) {
    Confirm();
    Image input = host::MakeImage(40, 30, 3, kDark);
    Put(&input, 12, 10, 101, 200, 255);  // A
    Put(&input, 28, 20, 255, 255, 0);    // B, far from A
    const Spot a{12, 10}, b{28, 20};

    struct Case {
        const char* what;
        glow::FilterParameters settings;  // upper r g b, lower r g b, level
        std::vector<Spot> glowing;
    };
    const Case cases[] = {
        // A through the Blue window on plane 2; B through Red (plane 0) and Green (plane 1).
        {"defaults", {255, 255, 255, 250, 250, 250, 10, 1, 0}, {a, b}},
        {"Red window only", {255, 0, 0, 250, 1, 1, 10, 1, 0}, {b}},
        {"Blue window only", {0, 0, 255, 1, 1, 250, 10, 1, 0}, {a}},
        {"Green window 150..210 only", {0, 210, 0, 1, 150, 1, 10, 1, 0}, {a}},
    };
    for (const Case& c : cases) {
        *Live() = c.settings;
        const host::RunReport report = Repeat(input);
        EXPECT_EQ(Differences(report.output, WithGlow(input, c.glowing, Level10, Whole(input))), 0u) << c.what;
    }
    // A's planes glow by their own values: 101 reaches d2 5, 200 d2 49, 255 d2 57.
    *Live() = cases[0].settings;
    const Image out = Repeat(input).output;
    EXPECT_EQ(At(out, 14, 11, 0), kDark + 1);
    EXPECT_EQ(At(out, 15, 10, 0), kDark);
    EXPECT_EQ(At(out, 19, 10, 1), kDark + 1);
    EXPECT_EQ(At(out, 12, 17, 2), kDark + 1);
    EXPECT_EQ(At(out, 28, 21, 2), kDark) << "B's plane 2 is 0 and adds nothing";
}

// ---- Where the light may go ---------------------------------------------------------------

TEST_F(EmberlitRun, FilterRectangleGlowsInsideItOnlyItsFirstRowAndColumnIncluded) {
    host::HostOptions o;
    o.filterRect = Rect{5, 7, 25, 33};  // top, left, bottom, right
    Open(o);
    Image input = host::MakeImage(40, 30, 3, kDark);
    PutWhite(&input, 8, 6);    // the area's pixel (1, 1)
    PutWhite(&input, 7, 14);   // in the area's column 0
    PutWhite(&input, 32, 24);  // the area's last pixel: its disc is cut off
    PutWhite(&input, 20, 5);   // in the area's row 0
    PutWhite(&input, 2, 2);    // outside the area
    host::SetImage(host, input);
    host::RunReport report = Run();
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(report.guardFaults, 0);
    const Image expected = WithGlow(input, {{8, 6}, {7, 14}, {32, 24}, {20, 5}}, Level10, o.filterRect);
    EXPECT_EQ(Differences(report.output, expected), 0u);
    EXPECT_EQ(At(report.output, 8, 5, 0), kDark + 2) << "row 0 of the area receives light";
    EXPECT_EQ(At(report.output, 7, 15, 0), kDark + 2) << "column 0 of the area receives light";
    EXPECT_EQ(At(report.output, 8, 14, 0), kDark + 2);
    EXPECT_EQ(At(report.output, 33, 24, 0), kDark) << "outside the area";
    EXPECT_EQ(At(report.output, 20, 6, 0), kDark + 2) << "row 0 is a source";

    // Areas one row high or one column wide glow along themselves.
    for (const Rect& thin : {Rect{14, 0, 15, 40}, Rect{0, 20, 30, 21}}) {
        o.filterRect = thin;
        Open(o);
        Image lines = host::MakeImage(40, 30, 3, kDark);
        for (int32_t x = 0; x < 40; x += 3) PutWhite(&lines, x, 14);
        for (int32_t y = 0; y < 30; y += 3) PutWhite(&lines, 20, y);
        host::SetImage(host, lines);
        report = Run();
        ASSERT_EQ(report.result, 0);
        std::vector<Spot> inside;
        for (int32_t y = thin.top; y < thin.bottom; ++y)
            for (int32_t x = thin.left; x < thin.right; ++x)
                if (At(lines, x, y, 0) == 255) inside.push_back(Spot{x, y});
        EXPECT_EQ(Differences(report.output, WithGlow(lines, inside, Level10, thin)), 0u) << host::RectText(thin);
        EXPECT_NE(Differences(report.output, lines), 0u) << host::RectText(thin);
    }
}

TEST_F(EmberlitRun, OneAndFourPlaneImagesGlowInsideTheirRowsAndLeavePlaneThreeAlone) {
    for (int32_t planes : {1, 4}) {
        Image input = host::MakeImage(37, 23, planes, kDark);
        if (planes == 4) {
            // Plane 3 busy, with values inside every window: it selects nothing.
            for (size_t i = 3; i < input.pixels.size(); i += 4)
                input.pixels[i] = static_cast<uint8_t>((i / 4) * 13 % 256);
        }
        PutWhite(&input, 18, 11);
        PutWhite(&input, 36, 5);   // last column
        PutWhite(&input, 10, 22);  // last row
        const Image expected = WithGlow(input, {{18, 11}, {36, 5}, {10, 22}}, Level10, Whole(input));
        for (int32_t slack : {0, 13}) {
            host::HostOptions o;
            o.rowSlack = slack;
            Open(o);
            host::SetImage(host, input);
            host::RunReport report = Run();
            ASSERT_EQ(report.result, 0) << planes << " planes, slack " << slack;
            EXPECT_EQ(report.guardFaults, 0) << planes << " planes, slack " << slack;
            ASSERT_FALSE(report.advanceCalls.empty());
            EXPECT_EQ(report.advanceCalls.back().outRowBytes, 37 * planes + slack);
            EXPECT_EQ(Differences(report.output, expected), 0u) << planes << " planes, slack " << slack;
            EXPECT_EQ(At(report.output, 19, 11, 0), kDark + 2) << planes << " planes, slack " << slack;
            if (planes == 4) {
                for (size_t i = 3; i < input.pixels.size(); i += 4)
                    ASSERT_EQ(report.output.pixels[i], input.pixels[i]) << "plane 3 of pixel " << i / 4;
            }
        }
    }
}

// ---- Progress and abort in the final run ---------------------------------------------------

TEST_F(EmberlitRun, ProgressCountsTheSourceRowsAndAnAbortCancelsTheRun) {
    Image input = host::MakeImage(40, 30, 3, kDark);
    PutWhite(&input, 20, 27);  // among the first rows visited (bottom up)
    PutWhite(&input, 20, 5);   // among the last
    // Counted on runs without the dialog: an area this small fits the preview
    // 1:1, and previews at full size report progress as well.
    host::RunReport report = Repeat(input);
    // One report per source row, rows 29 up to 1; the total is height - 2 x glowLevel.
    ASSERT_EQ(report.progressCalls.size(), 29u);
    for (size_t i = 0; i < report.progressCalls.size(); ++i) {
        EXPECT_EQ(report.progressCalls[i].done, static_cast<int32_t>(i));
        EXPECT_EQ(report.progressCalls[i].total, 10);
    }
    EXPECT_EQ(report.abortCalls, 29);

    // Stopped after five rows (29..25): the pass ends there, the run is the
    // user's cancel and the host keeps the image without row 27's light.
    options().abortAfterProgress = 5;
    host::SetImage(host, input);
    report = Run(false);
    EXPECT_EQ(report.progressCalls.size(), 5u);
    EXPECT_EQ(report.abortCalls, 6);
    EXPECT_EQ(report.result, userCanceledErr);
    EXPECT_EQ(Differences(report.output, input), 0u);
    options().abortAfterProgress = -1;

    // An area no higher than the glow's diameter still gets a positive total.
    host::HostOptions o;
    o.filterRect = Rect{0, 0, 15, 40};
    Open(o);
    report = Repeat(input);
    ASSERT_EQ(report.progressCalls.size(), 14u);
    for (const host::ProgressCall& c : report.progressCalls) {
        EXPECT_GT(c.total, 0);
        EXPECT_LT(c.done, c.total);
    }
}

}  // namespace

}  // namespace kelvo::host
