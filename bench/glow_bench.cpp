// Emberlit's glow on a 12-megapixel RGB image: the production pass (both
// methods) beside the literal one, on an image where about 30% of the pixels
// are sources (a stress case), on a natural-looking one (about 3% sources)
// and on one without any, plus the bare copy for scale; and the dialog's
// preview refresh (RenderGlow on the reduced image) at levels 10 and 30.
//
// Stress image: source pixels have one plane at 250..255 (inside the default
// windows) and the other two at random; the rest is random 0..249 in every
// plane. Natural image: a smooth, darkish picture with small bright highlights
// (lamps, reflections) making up about 3% of the pixels. Each timed run is
// copy + glow, as RenderGlow does it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "deep_glow.h"
#include "glow_parameters.h"
#include "glow_pass.h"
#include "literal_glow.h"
#include "pixel_area.h"
#include "render_glow.h"

namespace kelvo {
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
            ++image.sources;
        } else {
            for (int p = 0; p < kPlanes; ++p) image.in[i + p] = static_cast<uint8_t>(dim(rng));
        }
    }
    return image;
}

// A smooth picture with round highlights of radius 2..12 scattered over it
// until about `share` of the pixels lie in one.
BenchImage MakeNatural(double share) {
    BenchImage image;
    const size_t bytes = static_cast<size_t>(kWidth) * kHeight * kPlanes;
    image.in.resize(bytes);
    image.out.resize(bytes);
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> wobble(0, 7);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            uint8_t* px = image.in.data() + (static_cast<size_t>(y) * kWidth + x) * kPlanes;
            px[0] = static_cast<uint8_t>(60 + (x * 90) / kWidth + wobble(rng));
            px[1] = static_cast<uint8_t>(50 + (y * 80) / kHeight + wobble(rng));
            px[2] = static_cast<uint8_t>(70 + ((x + y) * 60) / (kWidth + kHeight) + wobble(rng));
        }
    std::uniform_int_distribution<int> cx(0, kWidth - 1);
    std::uniform_int_distribution<int> cy(0, kHeight - 1);
    std::uniform_int_distribution<int> radius(2, 12);
    std::uniform_int_distribution<int> tint(150, 255);
    std::uniform_int_distribution<int> hot(250, 255);
    std::uniform_int_distribution<int> plane(0, 2);
    const int64_t wanted = static_cast<int64_t>(share * kWidth * kHeight);
    int64_t lit = 0;
    while (lit < wanted) {
        const int32_t x0 = cx(rng), y0 = cy(rng), r = radius(rng);
        const int p = plane(rng);
        const uint8_t a = static_cast<uint8_t>(tint(rng)), b = static_cast<uint8_t>(tint(rng));
        for (int32_t y = y0 - r; y <= y0 + r; ++y)
            for (int32_t x = x0 - r; x <= x0 + r; ++x) {
                if (x < 0 || y < 0 || x >= kWidth || y >= kHeight || (x - x0) * (x - x0) + (y - y0) * (y - y0) > r * r)
                    continue;
                uint8_t* px = image.in.data() + (static_cast<size_t>(y) * kWidth + x) * kPlanes;
                if (px[p] >= 250) continue;
                px[p] = static_cast<uint8_t>(hot(rng));
                px[(p + 1) % 3] = a;
                px[(p + 2) % 3] = b;
                ++lit;
            }
    }
    for (size_t i = static_cast<size_t>(kWidth) * kPlanes; i < bytes; i += kPlanes)
        if (image.in[i] >= 250 || image.in[i + 1] >= 250 || image.in[i + 2] >= 250) ++image.sources;
    return image;
}

// sources: 0 none, 1 the 30% stress image, 2 the natural image.
BenchImage& Image(int64_t sources) {
    static BenchImage lit = MakeImage(0.30);
    static BenchImage dark = MakeImage(0.0);
    static BenchImage natural = MakeNatural(0.03);
    return sources == 1 ? lit : (sources == 2 ? natural : dark);
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

// Arguments: level, sources (0 none, 1 stress, 2 natural).
template <Pass pass>
void BM_Glow(benchmark::State& state) {
    const int32_t level = static_cast<int32_t>(state.range(0));
    BenchImage& image = Image(state.range(1));
    const PixelArea area = AreaOf(image);
    const glow::FilterParameters settings = Settings(level);
    for (auto _ : state) {
        CopyInputToOutput(area);
        if (pass == kLiteral)
            glow_reference::LiteralGlowPass(area, &settings, RenderCallbacks{});
        else
            glow::GlowPass(area, &settings, RenderCallbacks{}, pass == kDirect ? glow::GlowMethod::Direct : glow::GlowMethod::Accumulate);
        benchmark::DoNotOptimize(image.out.data());
        benchmark::ClobberMemory();
    }
    state.counters["sources"] = static_cast<double>(image.sources);
    if (image.sources > 0)
        state.counters["per_source"] = benchmark::Counter(
            static_cast<double>(image.sources), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The glow over the image widened to a host's 16-bit samples (white 32768)
// or to floats; copy included, as RenderGlowDeep does it. Arguments: level,
// sources (as BM_Glow), float.
void BM_GlowDeep(benchmark::State& state) {
    const int32_t level = static_cast<int32_t>(state.range(0));
    BenchImage& image = Image(state.range(1));
    const bool floats = state.range(2) != 0;
    const size_t sampleBytes = floats ? 4 : 2;
    std::vector<uint8_t> in(image.in.size() * sampleBytes), out(image.in.size() * sampleBytes);
    for (size_t i = 0; i < image.in.size(); ++i) {
        if (floats) {
            const float f = image.in[i] / 255.0f;
            std::memcpy(in.data() + i * 4, &f, 4);
        } else {
            const uint16_t v = static_cast<uint16_t>((image.in[i] * 32768u + 127u) / 255u);
            std::memcpy(in.data() + i * 2, &v, 2);
        }
    }
    kelvo::DeepArea area;
    area.in = in.data();
    area.out = out.data();
    area.inRowBytes = area.outRowBytes = static_cast<size_t>(kWidth) * kPlanes * sampleBytes;
    area.width = kWidth;
    area.height = kHeight;
    area.planes = kPlanes;
    area.samples = floats ? kelvo::DeepSamples::F32 : kelvo::DeepSamples::U16;
    const glow::FilterParameters settings = Settings(level);
    for (auto _ : state) {
        glow::RenderGlowDeep(area, settings, RenderCallbacks{});
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["sources"] = static_cast<double>(image.sources);
}
BENCHMARK(BM_GlowDeep)
    ->ArgsProduct({{10, 30}, {2, 0}, {0, 1}})
    ->ArgNames({"level", "sources", "float"})
    ->Unit(benchmark::kMillisecond);

void BM_Copy(benchmark::State& state) {
    BenchImage& image = Image(0);
    const PixelArea area = AreaOf(image);
    for (auto _ : state) {
        CopyInputToOutput(area);
        benchmark::DoNotOptimize(image.out.data());
        benchmark::ClobberMemory();
    }
}

// One preview refresh of the dialog: RenderGlow over the natural image reduced
// by `factor` (every factor-th pixel, as the host delivers it) at previewScale
// = factor. Arguments: factor, level.
void BM_GlowPreview(benchmark::State& state) {
    const int32_t factor = static_cast<int32_t>(state.range(0));
    const BenchImage& full = Image(2);
    const int32_t width = kWidth / factor;
    const int32_t height = kHeight / factor;
    std::vector<uint8_t> in(static_cast<size_t>(width) * height * kPlanes);
    std::vector<uint8_t> out(in.size());
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t p = 0; p < kPlanes; ++p)
                in[(static_cast<size_t>(y) * width + x) * kPlanes + p] =
                    full.in[(static_cast<size_t>(y) * factor * kWidth + static_cast<size_t>(x) * factor) * kPlanes + p];
    glow::FilterParameters settings = Settings(static_cast<int32_t>(state.range(1)));
    settings.previewScale = factor;
    const PixelArea area = PackedArea(in.data(), out.data(), width, height, kPlanes);
    for (auto _ : state) {
        glow::RenderGlowArea(area, settings, RenderCallbacks{});
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Glow<kAccumulate>)->ArgsProduct({{10, 30}, {1, 2, 0}})->ArgNames({"level", "sources"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Glow<kDirect>)->ArgsProduct({{10, 30}, {1, 2, 0}})->ArgNames({"level", "sources"})->Unit(benchmark::kMillisecond);
// 19: 210 x 157, the dialog's preview at 96 DPI; 13: 307 x 230, at 144 DPI.
BENCHMARK(BM_GlowPreview)->ArgsProduct({{19, 13}, {10, 30}})->ArgNames({"factor", "level"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Glow<kLiteral>)
    ->ArgsProduct({{10, 30}, {1, 0}})
    ->ArgNames({"level", "sources"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace kelvo

BENCHMARK_MAIN();
