// Emberlit's glow on a 12-megapixel RGB image: the production pass (both
// methods) beside the literal one, on an image where about 30% of the pixels
// are sources and on one without any, plus the bare copy for scale.
//
// Source pixels have one plane at 250..255 (inside the default windows) and
// the other two at random; the rest of the image is random 0..249 in every
// plane. Each timed run is copy + glow, as RenderGlow does it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "glow_parameters.h"
#include "glow_pass.h"
#include "literal_glow.h"
#include "pixel_area.h"

namespace {

constexpr int32_t kWidth = 4000;
constexpr int32_t kHeight = 3000;
constexpr int32_t kPlanes = 3;

struct BenchImage {
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
    int64_t sources = 0;
};

BenchImage MakeImage(double sourceShare) {
    BenchImage image;
    const size_t bytes = static_cast<size_t>(kWidth) * kHeight * kPlanes;
    image.in.resize(bytes);
    image.out.resize(bytes);
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> dim(0, 249);
    std::uniform_int_distribution<int> any(0, 255);
    std::uniform_int_distribution<int> bright(250, 255);
    std::uniform_int_distribution<int> plane(0, 2);
    std::uniform_real_distribution<double> unit(0, 1);
    for (size_t i = 0; i < bytes; i += kPlanes) {
        if (unit(rng) < sourceShare) {
            for (int p = 0; p < kPlanes; ++p) image.in[i + p] = static_cast<uint8_t>(any(rng));
            image.in[i + plane(rng)] = static_cast<uint8_t>(bright(rng));
            const size_t pixel = i / kPlanes;
            if (pixel >= static_cast<size_t>(kWidth)) ++image.sources;  // row 0 is never a source
        } else {
            for (int p = 0; p < kPlanes; ++p) image.in[i + p] = static_cast<uint8_t>(dim(rng));
        }
    }
    return image;
}

BenchImage& Image(bool withSources) {
    static BenchImage lit = MakeImage(0.30);
    static BenchImage dark = MakeImage(0.0);
    return withSources ? lit : dark;
}

PixelArea AreaOf(BenchImage& image) {
    PixelArea area;
    area.in = image.in.data();
    area.out = image.out.data();
    area.inRowBytes = area.outRowBytes = static_cast<size_t>(kWidth) * kPlanes;
    area.width = kWidth;
    area.height = kHeight;
    area.planes = kPlanes;
    return area;
}

glow::FilterParameters Settings(int32_t level) {
    glow::FilterParameters s = glow::DefaultGlowParameters();
    s.glowLevel = level;
    s.previewScale = 1;  // no record is given, so no callbacks
    return s;
}

enum Pass { kAccumulate, kDirect, kLiteral };

// Arguments: level, sources (1) or none (0).
template <Pass pass>
void BM_Glow(benchmark::State& state) {
    const int32_t level = static_cast<int32_t>(state.range(0));
    BenchImage& image = Image(state.range(1) != 0);
    const PixelArea area = AreaOf(image);
    const glow::FilterParameters settings = Settings(level);
    for (auto _ : state) {
        CopyInputToOutput(area);
        if (pass == kLiteral)
            glow_reference::LiteralGlowPass(area, &settings, nullptr);
        else
            glow::GlowPass(area, &settings, nullptr, pass == kDirect ? glow::GlowMethod::Direct : glow::GlowMethod::Accumulate);
        benchmark::DoNotOptimize(image.out.data());
        benchmark::ClobberMemory();
    }
    state.counters["sources"] = static_cast<double>(image.sources);
    if (image.sources > 0)
        state.counters["per_source"] = benchmark::Counter(
            static_cast<double>(image.sources), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Copy(benchmark::State& state) {
    BenchImage& image = Image(false);
    const PixelArea area = AreaOf(image);
    for (auto _ : state) {
        CopyInputToOutput(area);
        benchmark::DoNotOptimize(image.out.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Glow<kAccumulate>)->ArgsProduct({{10, 30}, {1, 0}})->ArgNames({"level", "sources"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Glow<kDirect>)->ArgsProduct({{10, 30}, {1, 0}})->ArgNames({"level", "sources"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Glow<kLiteral>)
    ->ArgsProduct({{10, 30}, {1, 0}})
    ->ArgNames({"level", "sources"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK_MAIN();
