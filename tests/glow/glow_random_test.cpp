// The production pass against the literal one on random images and settings,
// and the row-by-row meaning of abort and progress.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "glow_test_support.h"

namespace kelvo {

namespace {

using glow::FilterParameters;
using glow::GlowMethod;
using namespace glow_test;

struct Outcome {
    std::vector<uint8_t> out;
    int32_t abortCalls = 0;
    std::vector<std::pair<int32_t, int32_t>> progress;
};

// Runs one pass on a fresh output (guard bytes in place) with fresh callback logs.
template <typename Run>
Outcome Render(TestImage image, int32_t abortAfter, Run run) {
    Log() = CallbackLog{};
    Log().abortAfter = abortAfter;
    const std::vector<uint8_t> input = image.in;
    run(image);
    EXPECT_TRUE(OutputGuardsIntact(image));
    EXPECT_EQ(image.in, input) << "the input was written";
    Outcome outcome;
    outcome.out = image.out;
    outcome.abortCalls = Log().abortCalls;
    outcome.progress = Log().progress;
    return outcome;
}

void ExpectSameOutcome(const Outcome& fast, const Outcome& literal, const std::string& what) {
    EXPECT_EQ(fast.abortCalls, literal.abortCalls) << what;
    EXPECT_EQ(fast.progress, literal.progress) << what;
    ASSERT_EQ(fast.out.size(), literal.out.size());
    size_t firstDifference = fast.out.size();
    for (size_t i = 0; i < fast.out.size() && firstDifference == fast.out.size(); ++i)
        if (fast.out[i] != literal.out[i]) firstDifference = i;
    EXPECT_EQ(firstDifference, fast.out.size())
        << what << ": first differing byte " << firstDifference << " (fast "
        << (firstDifference < fast.out.size() ? int(fast.out[firstDifference]) : -1) << ", literal "
        << (firstDifference < fast.out.size() ? int(literal.out[firstDifference]) : -1) << ")";
}

// Compares both methods of the production pass with the literal pass.
void CompareWithLiteral(const TestImage& image, const FilterParameters& settings, int32_t abortAfter,
                        const std::string& what) {
    const RenderCallbacks callbacks = CountingCallbacks();
    const Outcome literal = Render(image, abortAfter, [&](TestImage& i) { RunLiteral(i, settings, callbacks); });
    const Outcome accumulated =
        Render(image, abortAfter, [&](TestImage& i) { RunFast(i, settings, callbacks, GlowMethod::Auto); });
    const Outcome direct =
        Render(image, abortAfter, [&](TestImage& i) { RunFast(i, settings, callbacks, GlowMethod::Direct); });
    ExpectSameOutcome(accumulated, literal, what + " accumulate");
    ExpectSameOutcome(direct, literal, what + " direct");
}

enum class Scene { SparseSources, Crowded, AnyBytes, SourcesOnEveryEdge };

TestImage RandomImage(std::mt19937& rng, int32_t width, int32_t height, int32_t planes, Scene scene) {
    std::uniform_int_distribution<int> padding(0, 9);
    TestImage image = MakeImage(width, height, planes, padding(rng), padding(rng));
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> bright(240, 255);
    std::uniform_real_distribution<double> unit(0, 1);
    const double density = unit(rng) * 0.5;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* px = InPixel(image, x, y);
            for (int32_t p = 0; p < planes; ++p) {
                switch (scene) {
                    case Scene::SparseSources: px[p] = static_cast<uint8_t>(byte(rng) / 3); break;
                    case Scene::Crowded: px[p] = static_cast<uint8_t>(150 + byte(rng) * 105 / 255); break;
                    case Scene::AnyBytes: px[p] = static_cast<uint8_t>(byte(rng)); break;
                    case Scene::SourcesOnEveryEdge:
                        px[p] = (x <= 1 || y <= 1 || x >= width - 2 || y >= height - 2)
                                    ? static_cast<uint8_t>(bright(rng))
                                    : static_cast<uint8_t>(byte(rng) / 4);
                        break;
                }
            }
            if (scene == Scene::SparseSources && unit(rng) < density)
                for (int32_t p = 0; p < planes; ++p)
                    px[p] = static_cast<uint8_t>(unit(rng) < 0.7 ? bright(rng) : byte(rng));
        }
    }
    return image;
}

FilterParameters RandomSettings(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> pick(0, 9);
    FilterParameters s = glow::DefaultGlowParameters();
    if (pick(rng) < 6) {
        int32_t* bounds[3][2] = {{&s.redLower, &s.redUpper}, {&s.greenLower, &s.greenUpper},
                                 {&s.blueLower, &s.blueUpper}};
        for (auto& window : bounds) {
            *window[0] = byte(rng);
            *window[1] = pick(rng) < 2 ? byte(rng) : 255;  // sometimes inverted
        }
    }
    const int32_t odd = pick(rng);
    s.glowLevel = odd == 0 ? (pick(rng) < 5 ? -4 : 37) : std::uniform_int_distribution<int>(0, 30)(rng);
    s.previewScale = pick(rng) < 7 ? 1 : 4;
    return s;
}

TEST(GlowAgainstLiteral, RandomImagesAndSettings) {
    std::mt19937 rng(20240607);
    std::uniform_int_distribution<int> size(1, 72);
    std::uniform_int_distribution<int> planesOf(1, 5);
    std::uniform_int_distribution<int> sceneOf(0, 3);
    for (int trial = 0; trial < 260; ++trial) {
        const int32_t width = trial % 13 == 0 ? 1 + trial % 3 : size(rng);
        const int32_t height = trial % 17 == 0 ? 1 + trial % 3 : size(rng);
        const int32_t planes = planesOf(rng);
        const Scene scene = static_cast<Scene>(sceneOf(rng));
        const TestImage image = RandomImage(rng, width, height, planes, scene);
        const FilterParameters settings = RandomSettings(rng);
        const int32_t abortAfter =
            trial % 4 == 0 ? std::uniform_int_distribution<int>(0, height)(rng) : -1;
        CompareWithLiteral(image, settings, abortAfter,
                           "trial " + std::to_string(trial) + " (" + std::to_string(width) + "x" +
                               std::to_string(height) + "x" + std::to_string(planes) + ", scene " +
                               std::to_string(static_cast<int>(scene)) + ", level " +
                               std::to_string(settings.glowLevel) + ", scale " +
                               std::to_string(settings.previewScale) + ", abort after " +
                               std::to_string(abortAfter) + ")");
        if (HasFailure()) return;
    }
}

// Areas several times taller than the ring of rows, at the largest discs.
TEST(GlowAgainstLiteral, TallAreasAtLargeLevels) {
    std::mt19937 rng(99);
    for (const int32_t level : {29, 30}) {
        for (const int32_t planes : {1, 3, 4}) {
            const TestImage image = RandomImage(rng, 90, 200, planes, Scene::SparseSources);
            FilterParameters settings = glow::DefaultGlowParameters();
            settings.glowLevel = level;
            settings.previewScale = 1;
            CompareWithLiteral(image, settings, -1, "level " + std::to_string(level));
            CompareWithLiteral(image, settings, 120, "abort, level " + std::to_string(level));
        }
    }
}

// ---- Abort and progress ------------------------------------------------------------------

TEST(GlowAbort, StopsBeforeTheNextRowKeepingTheGlowOfTheVisitedRows) {
    std::mt19937 rng(5);
    const int32_t width = 40, height = 60, level = 6;
    const TestImage image = RandomImage(rng, width, height, 3, Scene::SparseSources);
    FilterParameters settings = glow::DefaultGlowParameters();
    settings.glowLevel = level;
    settings.previewScale = 1;
    const RenderCallbacks callbacks = CountingCallbacks();
    for (const int32_t rows : {0, 1, 7, 30, 58, 59}) {
        const Outcome fast = Render(image, rows, [&](TestImage& i) { RunFast(i, settings, callbacks); });
        const Outcome literal = Render(image, rows, [&](TestImage& i) { RunLiteral(i, settings, callbacks); });
        ExpectSameOutcome(fast, literal, "abort after " + std::to_string(rows) + " rows");

        // Rows 59 .. 60 - rows were visited; nothing above their discs changed.
        const int32_t total = height - 2 * level;
        ASSERT_EQ(fast.progress.size(), static_cast<size_t>(rows));
        for (int32_t i = 0; i < rows; ++i) EXPECT_EQ(fast.progress[i], std::make_pair(i, total));
        EXPECT_EQ(fast.abortCalls, rows < height - 1 ? rows + 1 : rows);
        const int32_t lastVisited = height - rows;
        TestImage result = image;
        result.out = fast.out;
        for (int32_t y = 0; y < lastVisited - level && y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                for (int p = 0; p < 3; ++p)
                    ASSERT_EQ(OutPixel(result, x, y)[p], InPixel(image, x, y)[p]) << "row " << y;
    }
}

TEST(GlowProgress, TotalIsHeightLessTwiceTheLevelOrTheSourceRowCount) {
    EXPECT_EQ(glow::GlowProgressTotal(100, 10), 80);
    EXPECT_EQ(glow::GlowProgressTotal(21, 10), 1);
    EXPECT_EQ(glow::GlowProgressTotal(20, 10), 19);  // 20 - 20 is no total: the 19 source rows
    EXPECT_EQ(glow::GlowProgressTotal(5, 30), 4);
    EXPECT_EQ(glow::GlowProgressTotal(1, 0), 1);

    TestImage image = MakeImage(10, 12, 3);
    FilterParameters settings = glow::DefaultGlowParameters();
    settings.glowLevel = 10;
    settings.previewScale = 1;
    const RenderCallbacks callbacks = CountingCallbacks();
    const Outcome fast = Render(image, -1, [&](TestImage& i) { RunFast(i, settings, callbacks); });
    ASSERT_EQ(fast.progress.size(), 11u);
    EXPECT_EQ(fast.progress.front(), std::make_pair(0, 11));
    EXPECT_EQ(fast.progress.back(), std::make_pair(10, 11));
}

TEST(GlowProgress, ReducedPreviewsNeitherReportNorPoll) {
    std::mt19937 rng(8);
    const TestImage image = RandomImage(rng, 30, 30, 3, Scene::SparseSources);
    FilterParameters settings = glow::DefaultGlowParameters();
    settings.previewScale = 4;
    const RenderCallbacks callbacks = CountingCallbacks();
    const Outcome fast = Render(image, 0, [&](TestImage& i) { RunFast(i, settings, callbacks); });
    EXPECT_EQ(fast.abortCalls, 0);
    EXPECT_TRUE(fast.progress.empty());
    // An abort that is never asked for does not stop the reduced preview.
    const Outcome full = Render(image, -1, [&](TestImage& i) { RunFast(i, settings); });
    EXPECT_EQ(fast.out, full.out);
}

// previewScale is read at every row: a record whose scale changes during the
// pass stops the callbacks from the next row on.
FilterParameters* gScaleToChange = nullptr;
void ProgressThatLeavesFullSize(void* context, int32_t done, int32_t total) {
    LoggingProgress(context, done, total);
    if (done == 4) gScaleToChange->previewScale = 2;
}

TEST(GlowProgress, ScaleIsReadAtEveryRow) {
    TestImage image = MakeImage(8, 20, 3);
    FilterParameters settings = glow::DefaultGlowParameters();
    settings.previewScale = 1;
    gScaleToChange = &settings;
    RenderCallbacks callbacks = CountingCallbacks();
    callbacks.progress = ProgressThatLeavesFullSize;
    const Outcome fast = Render(image, -1, [&](TestImage& i) { RunFast(i, settings, callbacks); });
    EXPECT_EQ(fast.progress.size(), 5u);
    EXPECT_EQ(fast.abortCalls, 5);
}

TEST(GlowProgress, MissingCallbacksAreSkipped) {
    std::mt19937 rng(12);
    const TestImage image = RandomImage(rng, 25, 25, 3, Scene::SparseSources);
    FilterParameters settings = glow::DefaultGlowParameters();
    settings.previewScale = 1;
    const RenderCallbacks callbacks;
    const Outcome withoutCallbacks = Render(image, -1, [&](TestImage& i) { RunFast(i, settings, callbacks); });
    const Outcome literal = Render(image, -1, [&](TestImage& i) { RunLiteral(i, settings); });
    EXPECT_EQ(withoutCallbacks.out, literal.out);
}

}  // namespace

}  // namespace kelvo
