// Both modules in a host that records and plays actions, and re-run as Smart
// Filters: a recorded action replayed on another image by a freshly loaded
// module gives the recorded settings' render, and a stored settings record
// renders the same pixels again.
#include <cstdio>
#include <cstring>
#include <limits>

#include "host_test_support.h"
#include "pixel_area.h"
#include "render_callbacks.h"
#include "render_flare.h"
#include "render_glow.h"
#include "script_parameters.h"

namespace kelvo::host {

namespace {

using hosttest::ModuleCase;

bool IsHalvane(const ModuleCase& m) { return std::strcmp(m.name, "Halvane") == 0; }
const SettingsTable& TableOf(const ModuleCase& m) { return IsHalvane(m) ? flare::kFlareSettings : glow::kGlowSettings; }

std::vector<uint8_t> DefaultRecord(const ModuleCase& m) {
    std::vector<uint8_t> record(m.recordSize);
    if (IsHalvane(m)) {
        const flare::FilterParameters p = flare::DefaultFlareParameters();
        std::memcpy(record.data(), &p, sizeof p);
    } else {
        const glow::FilterParameters p = glow::DefaultGlowParameters();
        std::memcpy(record.data(), &p, sizeof p);
    }
    return record;
}

// The renderer itself on the whole image, at full size.
host::Image RenderNatively(const ModuleCase& m, const host::Image& in, const std::vector<uint8_t>& record) {
    host::Image out = in;
    PixelArea area;
    area.in = in.pixels.data();
    area.out = out.pixels.data();
    area.inRowBytes = area.outRowBytes = static_cast<size_t>(in.width * in.planes);
    area.width = in.width;
    area.height = in.height;
    area.planes = in.planes;
    if (IsHalvane(m)) {
        flare::FilterParameters p;
        std::memcpy(&p, record.data(), sizeof p);
        p.previewScale = 1;
        EXPECT_TRUE(flare::RenderFlareArea(area, p, RenderCallbacks{}));
    } else {
        glow::FilterParameters p;
        std::memcpy(&p, record.data(), sizeof p);
        p.previewScale = 1;
        EXPECT_TRUE(glow::RenderGlowArea(area, p, RenderCallbacks{}));
    }
    return out;
}

host::DescriptorItem ItemFor(const SettingField& f, double value) {
    host::DescriptorItem item;
    item.key = ScriptKeyCode(f.scriptKey);
    item.type = ScriptDescriptorType(f.scriptType);
    item.unit = ScriptUnit(f.scriptType);
    item.integer = value >= -2147483648.0 && value <= 2147483647.0 ? static_cast<int32_t>(value) : 0;
    item.number = value;
    return item;
}

bool SameDescriptor(const host::Descriptor& a, const host::Descriptor& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const bool integer = a[i].type == typeInteger;
        if (a[i].key != b[i].key || a[i].type != b[i].type || a[i].unit != b[i].unit ||
            (integer ? a[i].integer != b[i].integer : a[i].number != b[i].number))
            return false;
    }
    return true;
}

class Actions : public hosttest::ModuleFixture {
protected:
    void OpenRecordingHost() {
        host::HostOptions o;
        o.offerDescriptors = true;
        Open(o);
    }
};

// Every setting set to a value the dialog shows as it is (within the shown
// bounds, at most two decimals), the flare placed inside the image.
TEST_P(Actions, RecordedActionReplaysOnAnotherImageAsTheRecordedSettingsRender) {
    const SettingsTable& table = TableOf(module());
    std::vector<uint8_t> settings = DefaultRecord(module());
    host::Descriptor played;
    for (int i = 0; i < table.count; ++i) {
        const SettingField& f = table.fields[i];
        double v = f.shownLow + (f.shownHigh - f.shownLow) * (3 + i % 4) / 10;
        if (f.kind != SettingKind::Real) v = static_cast<int32_t>(v);
        if (std::strcmp(f.name, "positionX") == 0) v = 40;
        if (std::strcmp(f.name, "positionY") == 0) v = 25;
        WriteSetting(f, settings.data(), v);
        played.push_back(ItemFor(f, v));
    }

    // Played with the dialog, OK'd, and recorded.
    OpenRecordingHost();
    host::SetImage(host, hosttest::PatternImage(96, 64, 3));
    host::RunPlan plan;
    plan.playDescriptor = true;
    plan.descriptor = played;
    plan.playInfo = plugInDialogDisplay;
    host::RunReport report = host::RunFilter(host, plan);
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(report.dialogs.size(), 1u);
    EXPECT_TRUE(report.problems.empty()) << report.problems.front();
    EXPECT_TRUE(report.playedDescriptorDisposed);
    ASSERT_TRUE(report.recordedAction);
    EXPECT_EQ(report.recordInfo, plugInDialogOptional);
    EXPECT_TRUE(SameDescriptor(report.recorded, played));
    const host::Descriptor recorded = report.recorded;

    // Replayed in a batch by a freshly loaded module: no dialog, the
    // recorded settings' render. Values the module cannot take (an unknown
    // key, a wrong type, a NaN; the table of them is in tests/plugin)
    // change nothing and are never read as another type.
    OpenRecordingHost();
    const host::Image other = hosttest::PatternImage(70, 90, 3);
    host::SetImage(host, other);
    plan.parameters = false;
    plan.descriptor = recorded;
    host::DescriptorItem damaged = recorded.back();
    damaged.key = FourCharCode("zzzz");
    plan.descriptor.push_back(damaged);
    damaged = recorded.front();
    damaged.type = damaged.type == typeInteger ? typeFloat : typeInteger;
    plan.descriptor.push_back(damaged);
    damaged = recorded.back();
    damaged.number = std::numeric_limits<double>::quiet_NaN();
    plan.descriptor.push_back(damaged);
    plan.playInfo = plugInDialogDontDisplay;
    report = host::RunFilter(host, plan);
    ASSERT_EQ(report.result, 0);
    EXPECT_TRUE(report.dialogs.empty());
    EXPECT_TRUE(report.problems.empty()) << report.problems.front();
    EXPECT_TRUE(report.output.pixels == RenderNatively(module(), other, settings).pixels);
    EXPECT_NE(report.output.pixels, other.pixels);
    EXPECT_TRUE(report.recordedAction && SameDescriptor(report.recorded, recorded));

    // A cancelled dialog records nothing.
    host::SetImage(host, other);
    plan.playInfo = plugInDialogDisplay;
    plan.dialog = host::DialogAnswer::Cancel;
    report = host::RunFilter(host, plan);
    EXPECT_EQ(report.dialogs.size(), 1u);
    EXPECT_FALSE(report.recordedAction);
    EXPECT_EQ(report.recordInfo, host::kRecordInfoUnset);
    EXPECT_EQ(report.output.pixels, other.pixels);
}

// The editor keeps a Smart Filter's settings record with the document and
// re-runs the filter with it, without the dialog, whenever the layer changes.
TEST_P(Actions, SmartFilterRerunFromTheStoredRecordGivesTheSamePixels) {
    const host::Image image = hosttest::PatternImage(64, 48, 3);
    std::vector<std::vector<uint8_t>> stored;
    // This build's record, as its dialog left it ...
    host::SetImage(host, image);
    host::RunReport first = Run();
    ASSERT_EQ(first.result, 0);
    stored.push_back(first.settings.bytes);
    // ... and, for the lens flare, a record of an older build: a preset file
    // (the byte 1, then the record) as a run leaves it, without the dialog.
    if (IsHalvane(module())) {
        std::FILE* file = std::fopen(KELVO_STAR_PRESET, "rb");
        ASSERT_NE(file, nullptr) << KELVO_STAR_PRESET;
        std::vector<uint8_t> preset(185);
        ASSERT_EQ(std::fread(preset.data(), 1, preset.size(), file), preset.size());
        std::fclose(file);
        std::vector<uint8_t> record(preset.begin() + 1, preset.end());
        const int16_t noDialog = 0;
        std::memcpy(record.data() + module().showDialogOffset, &noDialog, sizeof noDialog);
        stored.push_back(record);
    }
    for (const std::vector<uint8_t>& record : stored) {
        std::vector<uint8_t> output;
        for (int run = 0; run < 2; ++run) {
            Open(host::HostOptions{});  // the module unloaded and loaded again
            host::SetImage(host, image);
            host::RunPlan plan;
            plan.parameters = false;
            plan.savedRecord = record;
            const host::RunReport report = host::RunFilter(host, plan);
            ASSERT_EQ(report.result, 0);
            EXPECT_TRUE(report.dialogs.empty());
            if (run == 0) output = report.output.pixels;
            EXPECT_EQ(report.output.pixels, output);
        }
        EXPECT_TRUE(output == RenderNatively(module(), image, record).pixels);
    }
    EXPECT_TRUE(first.output.pixels == RenderNatively(module(), image, stored[0]).pixels);
}

INSTANTIATE_TEST_SUITE_P(BothModules, Actions, ::testing::ValuesIn(hosttest::BothModules()),
                         hosttest::ModuleTestName);

}  // namespace

}  // namespace kelvo::host
