// The glow's row store is the run's own: taken when the run starts, at the size
// the area and the level need, given back when it ends. When no memory can be
// had, the pass adds straight into the output with the same bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "glow_test_support.h"

namespace kelvo {

namespace {

using glow::FilterParameters;
using glow::GlowMethod;
using namespace glow_test;

struct MemoryLog {
    int allocations = 0;
    int releases = 0;
    size_t largest = 0;
    void* last = nullptr;
    bool refuse = false;
};
MemoryLog memoryLog;

void* LoggingAllocate(size_t bytes) {
    ++memoryLog.allocations;
    if (bytes > memoryLog.largest) memoryLog.largest = bytes;
    if (memoryLog.refuse) return nullptr;
    memoryLog.last = std::malloc(bytes);
    return memoryLog.last;
}
void LoggingRelease(void* block) {
    ++memoryLog.releases;
    EXPECT_EQ(block, memoryLog.last);
    std::free(block);
}
const glow::GlowMemory kLogging = {LoggingAllocate, LoggingRelease};

TestImage Scattered(int32_t width, int32_t height, int32_t planes, uint32_t seed) {
    TestImage image = MakeImage(width, height, planes, 3, 5);
    std::mt19937 rng(seed);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t p = 0; p < planes; ++p)
                InPixel(image, x, y)[p] = static_cast<uint8_t>(rng() % 19 == 0 ? 245 + rng() % 11 : rng() % 200);
    return image;
}

std::vector<uint8_t> Fast(TestImage image, const FilterParameters& settings, GlowMethod method) {
    const PixelArea area = AreaOf(image);
    CopyInputToOutput(area);
    glow::GlowPass(area, &settings, RenderCallbacks{}, method, kLogging);
    EXPECT_TRUE(OutputGuardsIntact(image));
    return image.out;
}

std::vector<uint8_t> Literal(TestImage image, const FilterParameters& settings) {
    RunLiteral(image, settings);
    return image.out;
}

}  // namespace

TEST(GlowMemory, WithoutMemoryTheImageIsStillExact) {
    for (const int32_t level : {2, 10, 30}) {
        for (const int32_t planes : {1, 3, 4}) {
            const TestImage image = Scattered(150, 90, planes, static_cast<uint32_t>(level * 7 + planes));
            FilterParameters settings = glow::DefaultGlowParameters();
            settings.glowLevel = level;
            const std::vector<uint8_t> expected = Literal(image, settings);
            for (const GlowMethod method : {GlowMethod::Auto, GlowMethod::Accumulate}) {
                memoryLog = MemoryLog{};
                memoryLog.refuse = true;
                EXPECT_EQ(Fast(image, settings, method), expected) << "level " << level << ", " << planes << " planes";
                EXPECT_EQ(memoryLog.allocations, 1);
                EXPECT_EQ(memoryLog.releases, 0);
            }
        }
    }
}

TEST(GlowMemory, TakenForTheRunAtTheSizeItNeedsAndGivenBack) {
    FilterParameters settings = glow::DefaultGlowParameters();
    settings.glowLevel = 30;
    const TestImage wide = Scattered(4000, 40, 3, 1);
    memoryLog = MemoryLog{};
    EXPECT_EQ(Fast(wide, settings, GlowMethod::Auto), Literal(wide, settings));
    EXPECT_EQ(memoryLog.allocations, 1);
    EXPECT_EQ(memoryLog.releases, 1);
    // A value of 255 reaches 22 rows at level 30 (d2 up to 515): 45 rows of
    // 4045 eight-byte counters and the run lists, about 1.5 MB, where a store
    // for the widest area at any level would take 15 MiB.
    EXPECT_GE(memoryLog.largest, size_t{45} * 4045 * 8);
    EXPECT_LT(memoryLog.largest, size_t{45} * 4045 * 8 + 200000);

    // A smaller level needs fewer rows: 15 at level 10 (d2 up to 57).
    settings.glowLevel = 10;
    memoryLog = MemoryLog{};
    EXPECT_EQ(Fast(wide, settings, GlowMethod::Auto), Literal(wide, settings));
    EXPECT_GE(memoryLog.largest, size_t{15} * 4015 * 8);
    EXPECT_LT(memoryLog.largest, size_t{15} * 4015 * 8 + 100000);
    EXPECT_EQ(memoryLog.releases, 1);

    // Nothing to glow, or the direct method asked for: no memory at all.
    settings.glowLevel = 1;
    memoryLog = MemoryLog{};
    Fast(wide, settings, GlowMethod::Auto);
    settings.glowLevel = 10;
    settings.redLower = settings.greenLower = settings.blueLower = 256;
    Fast(wide, settings, GlowMethod::Auto);
    settings = glow::DefaultGlowParameters();
    Fast(wide, settings, GlowMethod::Direct);
    EXPECT_EQ(memoryLog.allocations, 0);
}

TEST(GlowMemory, GivenBackAfterAnAbort) {
    const TestImage image = Scattered(120, 80, 3, 9);
    FilterParameters settings = glow::DefaultGlowParameters();
    settings.previewScale = 1;
    for (const int32_t abortAfter : {0, 1, 40}) {
        Log() = CallbackLog{};
        Log().abortAfter = abortAfter;
        TestImage out = image;
        memoryLog = MemoryLog{};
        const PixelArea area = AreaOf(out);
        CopyInputToOutput(area);
        glow::GlowPass(area, &settings, CountingCallbacks(), GlowMethod::Auto, kLogging);
        EXPECT_EQ(memoryLog.allocations, 1) << abortAfter;
        EXPECT_EQ(memoryLog.releases, 1) << abortAfter;
    }
}

}  // namespace kelvo
