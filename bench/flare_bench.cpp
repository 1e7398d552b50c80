// Halvane's renderer at the sizes it meets: full-size final runs and the
// dialog's preview refreshes, in CPU time (the modules run on one thread). Run
// on the native build:
//   flare_bench --benchmark_counters_tabular=true
//
// Cases (see BENCHMARKS.md for the preview sizes):
//   FullSize/defaults       the shipped defaults, flare at (100, 100)
//   FullSize/middle         the defaults with the flare in the middle of the image
//   FullSize/busy           many rays, a large flare and halo, a bright turned
//                           streak, large reflections, flare in the middle
//   Deep/w/h/look/float     the same final run over a 16-bit image (a host's
//                           RGB48, white 32768) or a float one, widened from
//                           the 8-bit picture
//   Preview/W/H/factor      one preview refresh: RenderFlare on the reduced
//                           image at previewScale = factor (it copies the reduced
//                           input to the output first, as every refresh does)
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "flare_parameters.h"
#include "deep_flare.h"
#include "render_flare.h"

namespace kelvo {
namespace {

enum Look : int64_t { kDefaults = 0, kMiddle = 1, kBusy = 2 };

// A synthetic RGB picture and the pixel area over it.
struct BenchArea {
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
    flare::FilterParameters settings;
    PixelArea area;
};

flare::FilterParameters Settings(int64_t look, int32_t fullWidth, int32_t fullHeight) {
    flare::FilterParameters s = flare::DefaultFlareParameters();
    if (look == kMiddle || look == kBusy) {
        s.positionX = fullWidth / 2;
        s.positionY = fullHeight / 2;
    }
    if (look == kBusy) {
        s.flareSize = 40.0;  // R = 640 at full size
        s.flareBright = 40.0;
        s.flareFalloff = 6.0;
        s.haloSize = 40.0;
        s.haloBright = 60.0;
        s.raysCount = 180.0;
        s.raysBright = 60.0;
        s.raysSharp = 60.0;
        s.raysRotate = 10.0;
        s.anamorphicBright = 100.0;
        s.anamorphicRotate = 15.0;
        s.reflectionsSize = 40.0;
        s.reflectionsBright = 60.0;
    }
    return s;
}

// The image of fullWidth x fullHeight reduced by `factor`, as the host
// delivers a preview (every factor-th pixel).
void Prepare(BenchArea* a, int32_t fullWidth, int32_t fullHeight, int32_t factor, int64_t look) {
    const int32_t width = fullWidth / factor;
    const int32_t height = fullHeight / factor;
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    a->in.resize(bytes);
    a->out.resize(bytes);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t k = 0; k < 3; ++k)
                a->in[(static_cast<size_t>(y) * width + x) * 3 + k] =
                    static_cast<uint8_t>((x * factor * (k + 1) + y * factor * (3 - k)) / 8);
    a->settings = Settings(look, fullWidth, fullHeight);
    a->settings.previewScale = factor;
    a->area = PackedArea(a->in.data(), a->out.data(), width, height, 3);
}

// Final run, previewScale 1. Arguments: width, height, look. Reports
// nanoseconds of CPU time per pixel.
void BM_RenderFlareFullSize(benchmark::State& state) {
    const int32_t width = static_cast<int32_t>(state.range(0));
    const int32_t height = static_cast<int32_t>(state.range(1));
    BenchArea area;
    Prepare(&area, width, height, 1, state.range(2));
    for (auto _ : state) {
        flare::RenderFlareArea(area.area, area.settings, RenderCallbacks{});
        benchmark::DoNotOptimize(area.out.data());
        benchmark::ClobberMemory();
    }
    const double pixels = static_cast<double>(width) * height;
    state.counters["ns_per_pixel"] = benchmark::Counter(
        pixels * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RenderFlareFullSize)
    ->ArgNames({"w", "h", "look"})
    ->Args({1920, 1080, kDefaults})
    ->Args({4000, 3000, kDefaults})
    ->Args({4000, 3000, kMiddle})
    ->Args({4000, 3000, kBusy})
    ->Unit(benchmark::kMillisecond);

// Final run over a deep image. Arguments: width, height, look, float (0: a
// host's 16-bit samples, 1: float samples in 0..1).
void BM_RenderFlareDeep(benchmark::State& state) {
    const int32_t width = static_cast<int32_t>(state.range(0));
    const int32_t height = static_cast<int32_t>(state.range(1));
    const bool floats = state.range(3) != 0;
    BenchArea area;
    Prepare(&area, width, height, 1, state.range(2));
    const size_t samples = area.in.size();
    const size_t sampleBytes = floats ? 4 : 2;
    std::vector<uint8_t> in(samples * sampleBytes), out(samples * sampleBytes);
    for (size_t i = 0; i < samples; ++i) {
        if (floats) {
            const float f = area.in[i] / 255.0f;
            std::memcpy(in.data() + i * 4, &f, 4);
        } else {
            const uint16_t v = static_cast<uint16_t>((area.in[i] * 32768u + 127u) / 255u);
            std::memcpy(in.data() + i * 2, &v, 2);
        }
    }
    kelvo::DeepArea deep;
    deep.in = in.data();
    deep.out = out.data();
    deep.inRowBytes = deep.outRowBytes = static_cast<size_t>(width) * 3 * sampleBytes;
    deep.width = width;
    deep.height = height;
    deep.planes = 3;
    deep.samples = floats ? kelvo::DeepSamples::F32 : kelvo::DeepSamples::U16;
    deep.white = 32768;
    for (auto _ : state) {
        flare::RenderFlareDeep(deep, area.settings, RenderCallbacks{});
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    const double pixels = static_cast<double>(width) * height;
    state.counters["ns_per_pixel"] = benchmark::Counter(
        pixels * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RenderFlareDeep)
    ->ArgNames({"w", "h", "look", "float"})
    ->Args({4000, 3000, kDefaults, 0})
    ->Args({4000, 3000, kMiddle, 0})
    ->Args({4000, 3000, kBusy, 0})
    ->Args({4000, 3000, kDefaults, 1})
    ->Args({4000, 3000, kBusy, 1})
    ->Unit(benchmark::kMillisecond);

// One preview refresh. Arguments: full width, full height, factor, look.
void BM_RenderFlarePreview(benchmark::State& state) {
    BenchArea area;
    Prepare(&area, static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
            static_cast<int32_t>(state.range(2)), state.range(3));
    for (auto _ : state) {
        flare::RenderFlareArea(area.area, area.settings, RenderCallbacks{});
        benchmark::DoNotOptimize(area.out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RenderFlarePreview)
    ->ArgNames({"fw", "fh", "factor", "look"})
    ->Args({1300, 980, 4, kDefaults})    // 325 x 245
    ->Args({4000, 3000, 17, kDefaults})  // 235 x 176: the dialog at 96 DPI
    ->Args({4000, 3000, 11, kDefaults})  // 363 x 272: the dialog at 144 DPI
    ->Args({4000, 3000, 17, kBusy})
    ->Args({4000, 3000, 11, kBusy})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvo

BENCHMARK_MAIN();
