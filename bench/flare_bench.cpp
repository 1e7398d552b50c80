// Halvane's renderer at the sizes it meets: full-size final runs and the
// dialog's preview. Run on a Release build:
//   flare_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "flare_parameters.h"
#include "host_interface.h"
#include "plugin.h"
#include "render_flare.h"

namespace {

// A synthetic RGB picture and a host record delivering it.
struct BenchArea {
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
    flare::FilterParameters settings;
    PluginHandle handle{};
    FilterRecord record{};
    PluginGlobals globals{};
};

void Prepare(BenchArea* a, int32_t width, int32_t height, double previewScale) {
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    a->in.resize(bytes);
    a->out.resize(bytes);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t k = 0; k < 3; ++k)
                a->in[(static_cast<size_t>(y) * width + x) * 3 + k] = static_cast<uint8_t>((x * (k + 1) + y * (3 - k)) / 8);
    a->settings = flare::DefaultFlareParameters();
    a->settings.previewScale = previewScale;
    a->handle = PluginHandle{&a->settings, kPluginHandleSignature};
    a->record.parameters = &a->handle;
    a->record.planes = 3;
    a->record.inRect = {0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    a->record.outRect = a->record.inRect;
    a->record.inData = a->in.data();
    a->record.outData = a->out.data();
    a->record.inRowBytes = width * 3;
    a->record.outRowBytes = width * 3;
    a->globals.filterRecord = &a->record;
}

// Final run: defaults, previewScale 1. Reports nanoseconds per pixel.
void BM_RenderFlareFullSize(benchmark::State& state) {
    const int32_t width = static_cast<int32_t>(state.range(0));
    const int32_t height = static_cast<int32_t>(state.range(1));
    BenchArea area;
    Prepare(&area, width, height, 1.0);
    double nanoseconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        flare::RenderFlare(&area.globals);
        benchmark::DoNotOptimize(area.out.data());
        benchmark::ClobberMemory();
        nanoseconds += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    }
    const double pixels = static_cast<double>(width) * height;
    state.counters["ns_per_pixel"] = nanoseconds / (pixels * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_RenderFlareFullSize)->Args({1920, 1080})->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime();

// A dialog preview: 325 x 245 at a reduction of 4 (an image of about 1300 x 980).
void BM_RenderFlarePreview(benchmark::State& state) {
    BenchArea area;
    Prepare(&area, 325, 245, 4.0);
    for (auto _ : state) {
        flare::RenderFlare(&area.globals);
        benchmark::DoNotOptimize(area.out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RenderFlarePreview)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
