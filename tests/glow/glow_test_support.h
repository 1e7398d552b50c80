// Images with padded rows and guard bytes, and callbacks that count, for the
// glow tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "glow_parameters.h"
#include "glow_pass.h"
#include "literal_glow.h"
#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo::glow_test {

constexpr uint8_t kGuardByte = 0xA5;
constexpr size_t kGuardBytes = 32;

// Input and output buffers of one area. Every byte outside the pixels (guards
// before and after, padding at the end of each row) holds kGuardByte.
struct TestImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;
    size_t inStride = 0;
    size_t outStride = 0;
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
};

inline TestImage MakeImage(int32_t width, int32_t height, int32_t planes, size_t inPadding = 0,
                           size_t outPadding = 0) {
    TestImage image;
    image.width = width;
    image.height = height;
    image.planes = planes;
    image.inStride = static_cast<size_t>(width) * planes + inPadding;
    image.outStride = static_cast<size_t>(width) * planes + outPadding;
    image.in.assign(2 * kGuardBytes + image.inStride * height, kGuardByte);
    image.out.assign(2 * kGuardBytes + image.outStride * height, kGuardByte);
    for (int32_t y = 0; y < height; ++y)
        for (size_t i = 0; i < static_cast<size_t>(width) * planes; ++i) image.in[kGuardBytes + y * image.inStride + i] = 0;
    return image;
}

inline uint8_t* InPixel(TestImage& image, int32_t x, int32_t y) {
    return image.in.data() + kGuardBytes + y * image.inStride + static_cast<size_t>(x) * image.planes;
}
inline const uint8_t* OutPixel(const TestImage& image, int32_t x, int32_t y) {
    return image.out.data() + kGuardBytes + y * image.outStride + static_cast<size_t>(x) * image.planes;
}
inline const uint8_t* InPixel(const TestImage& image, int32_t x, int32_t y) {
    return image.in.data() + kGuardBytes + y * image.inStride + static_cast<size_t>(x) * image.planes;
}

inline void SetIn(TestImage& image, int32_t x, int32_t y, uint8_t v0, uint8_t v1, uint8_t v2) {
    uint8_t* px = InPixel(image, x, y);
    const uint8_t v[3] = {v0, v1, v2};
    for (int32_t p = 0; p < image.planes && p < 3; ++p) px[p] = v[p];
}

inline PixelArea AreaOf(TestImage& image) {
    PixelArea area;
    area.in = image.in.data() + kGuardBytes;
    area.out = image.out.data() + kGuardBytes;
    area.inRowBytes = image.inStride;
    area.outRowBytes = image.outStride;
    area.width = image.width;
    area.height = image.height;
    area.planes = image.planes;
    return area;
}

// True when no byte outside the output's pixels has changed.
inline bool OutputGuardsIntact(const TestImage& image) {
    const size_t rowBytes = static_cast<size_t>(image.width) * image.planes;
    for (size_t i = 0; i < image.out.size(); ++i) {
        if (i < kGuardBytes || i >= kGuardBytes + image.outStride * image.height) {
            if (image.out[i] != kGuardByte) return false;
        } else if ((i - kGuardBytes) % image.outStride >= rowBytes && image.out[i] != kGuardByte) {
            return false;
        }
    }
    return true;
}

// An image whose input is one sample in about six at 255 and the rest
// random below 128, from `seed`.
inline TestImage Speckled(int32_t width, int32_t height, int32_t planes, size_t inPadding, size_t outPadding,
                   uint32_t seed) {
    TestImage image = MakeImage(width, height, planes, inPadding, outPadding);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t p = 0; p < planes; ++p)
                InPixel(image, x, y)[p] = static_cast<uint8_t>(byte(rng) < 40 ? 255 : byte(rng) / 2);
    return image;
}

// Settings that select through the Red window only (tested against plane 0)
// at the given level: the other two windows are empty.
inline glow::FilterParameters RedWindowSettings(int32_t lower, int32_t upper, int32_t level) {
    glow::FilterParameters s = glow::DefaultGlowParameters();
    s.redLower = lower;
    s.redUpper = upper;
    s.greenLower = s.blueLower = 1;
    s.greenUpper = s.blueUpper = 0;
    s.glowLevel = level;
    s.previewScale = 1;
    return s;
}

// Callbacks that log: the abort callback answers true from its
// (abortAfter + 1)-th call on (never when abortAfter is negative); the
// progress callback records its arguments.
struct CallbackLog {
    int32_t abortAfter = -1;
    int32_t abortCalls = 0;
    std::vector<std::pair<int32_t, int32_t>> progress;
};
inline CallbackLog& Log() {
    static CallbackLog log;
    return log;
}
inline bool CountingAbort(void*) {
    CallbackLog& log = Log();
    const bool stop = log.abortAfter >= 0 && log.abortCalls >= log.abortAfter;
    ++log.abortCalls;
    return stop;
}
inline void LoggingProgress(void*, int32_t done, int32_t total) { Log().progress.emplace_back(done, total); }

inline RenderCallbacks CountingCallbacks() {
    RenderCallbacks callbacks;
    callbacks.aborted = CountingAbort;
    callbacks.progress = LoggingProgress;
    return callbacks;
}

// Copy then glow, with the production pass or the literal one.
inline void RunFast(TestImage& image, const glow::FilterParameters& settings,
                    const RenderCallbacks& callbacks = RenderCallbacks{},
                    glow::GlowMethod method = glow::GlowMethod::Auto) {
    const PixelArea area = AreaOf(image);
    CopyInputToOutput(area);
    glow::GlowPass(area, &settings, callbacks, method);
}
inline void RunLiteral(TestImage& image, const glow::FilterParameters& settings,
                       const RenderCallbacks& callbacks = RenderCallbacks{}) {
    const PixelArea area = AreaOf(image);
    CopyInputToOutput(area);
    glow_reference::LiteralGlowPass(area, &settings, callbacks);
}

}  // namespace kelvo::glow_test
