// Both modules in deep documents as our host plays them: Gray16, RGB48, RGB96
// and Gray32 with 2- and 4-byte samples, the depth given or left 0 by an old
// host, the dialog's preview at the document's depth. The module's output is
// the deep renderer's, to the bit, on the same samples.
#include <cstring>
#include <vector>

#include "deep_flare.h"
#include "deep_glow.h"
#include "host_test_support.h"
#include "plugin.h"

namespace kelvo::host {

namespace {

struct DeepMode {
    const char* name;
    int16_t mode;
    int32_t planes;
    int32_t depth;
    int16_t eightBitMode;  // what the preview's pixel map says
};

const DeepMode kModes[] = {
    {"Gray16", 10, 1, 16, plugInModeGrayScale},
    {"RGB48", 11, 3, 16, plugInModeRGBColor},
    {"RGB96", 16, 3, 32, plugInModeRGBColor},
    {"Gray32", 17, 1, 32, plugInModeGrayScale},
};

// A picture with bright spots, so that the glow has sources.
host::Image Picture(int32_t planes) {
    host::Image image = hosttest::PatternImage(96, 72, planes);
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if ((x % 23) * (x % 23) + (y % 19) * (y % 19) < 9)
                for (int32_t p = 0; p < planes; ++p) image.pixels[(static_cast<size_t>(y) * image.width + x) * planes + p] = 255;
    return image;
}

class DeepDocuments : public hosttest::ModuleFixture {};

TEST_P(DeepDocuments, RenderAtTheDocumentsDepthWithAnEightBitPreview) {
    size_t displayed = 0;
    for (const DeepMode& m : kModes) {
        for (const bool depthZero : {false, true}) {
            SCOPED_TRACE(std::string(m.name) + (depthZero ? ", depth left 0" : ""));
            host::HostOptions o;
            o.leaveDepthZero = depthZero;
            Open(o);
            const host::Image input = host::WidenImage(Picture(m.planes), m.depth);
            host::SetImage(host, input);
            const host::RunReport report = Run();
            ASSERT_EQ(report.result, 0);
            EXPECT_EQ(record()->imageMode, m.mode);
            EXPECT_EQ(record()->depth, depthZero ? 0 : m.depth);

            // The preview: deep samples delivered, an 8-bit map displayed.
            size_t previewRequests = 0;
            for (const host::AdvanceCall& c : report.advanceCalls) {
                if (!c.duringDialog || c.inPixels.empty()) continue;
                ++previewRequests;
                const size_t pixels = static_cast<size_t>(c.inRect.right - c.inRect.left) * (c.inRect.bottom - c.inRect.top);
                EXPECT_EQ(c.inPixels.size(), pixels * m.planes * (m.depth / 8));
            }
            EXPECT_GT(previewRequests, 0u);
            // (Whether the dialog got painted before the host answered it
            // depends on the display's timing: counted over all the runs.)
            displayed += report.displayCalls.size();
            for (const host::DisplayCall& d : report.displayCalls) {
                EXPECT_EQ(d.map.imageMode, m.eightBitMode);
                EXPECT_EQ(d.map.planeBytes, 1);
                EXPECT_EQ(d.map.colBytes, m.planes);
            }

            // The final run: the deep renderer's samples, to the bit.
            ASSERT_EQ(report.output.sampleBytes, m.depth / 8);
            std::vector<uint8_t> expected(input.pixels.size());
            kelvo::DeepArea area;
            area.in = input.pixels.data();
            area.out = expected.data();
            area.inRowBytes = area.outRowBytes = static_cast<size_t>(input.width) * m.planes * (m.depth / 8);
            area.width = input.width;
            area.height = input.height;
            area.planes = m.planes;
            area.samples = m.depth == 16 ? kelvo::DeepSamples::U16 : kelvo::DeepSamples::F32;
            area.white = 32768;
            area.linear = m.depth == 32;
            const std::vector<uint8_t> record = report.settings.bytes;
            if (module().recordSize == sizeof(flare::FilterParameters)) {
                flare::FilterParameters s = hosttest::SettingsOf(report.settings);
                s.previewScale = 1.0;
                ASSERT_EQ(flare::RenderFlareDeep(area, s, RenderCallbacks{}), kelvo::RenderEnd::Done);
            } else {
                glow::FilterParameters s{};
                ASSERT_EQ(record.size(), sizeof s);
                std::memcpy(&s, record.data(), sizeof s);
                s.previewScale = 1;
                ASSERT_EQ(glow::RenderGlowDeep(area, s, RenderCallbacks{}), kelvo::RenderEnd::Done);
            }
            EXPECT_NE(expected, input.pixels) << "light landed";
            EXPECT_TRUE(expected == report.output.pixels) << "the module's samples are the deep renderer's";
            if (m.depth == 16) {
                for (size_t i = 0; i < expected.size(); i += 2) {
                    uint16_t v;
                    std::memcpy(&v, &report.output.pixels[i], 2);
                    ASSERT_LE(v, 32768);
                }
            }
        }
    }
    EXPECT_GT(displayed, 0u) << "the previews were shown";
}

INSTANTIATE_TEST_SUITE_P(BothModules, DeepDocuments, ::testing::ValuesIn(hosttest::BothModules()),
                         hosttest::ModuleTestName);

}  // namespace

}  // namespace kelvo::host
