// Images with padded rows and guard bytes, host records around them, and
// callbacks that count, for the glow tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "glow_parameters.h"
#include "glow_pass.h"
#include "host_interface.h"
#include "literal_glow.h"
#include "pixel_area.h"
#include "plugin.h"

namespace glow_test {

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

// The host's side of a render: a record describing the image, with the
// settings behind its `parameters`.
struct TestHost {
    FilterRecord record{};
    PluginHandle handle{};
    PluginGlobals globals{};
};

inline void AttachHost(TestHost& host, TestImage& image, glow::FilterParameters* settings) {
    host.record = FilterRecord{};
    host.record.planes = static_cast<int16_t>(image.planes);
    host.record.inRect = Rect{0, 0, static_cast<int16_t>(image.height), static_cast<int16_t>(image.width)};
    host.record.outRect = host.record.inRect;
    host.record.filterRect = host.record.inRect;
    host.record.inData = image.in.data() + kGuardBytes;
    host.record.outData = image.out.data() + kGuardBytes;
    host.record.inRowBytes = static_cast<int32_t>(image.inStride);
    host.record.outRowBytes = static_cast<int32_t>(image.outStride);
    host.handle.block = settings;
    host.handle.signature = kPluginHandleSignature;
    host.record.parameters = settings != nullptr ? &host.handle : nullptr;
    host.globals.filterRecord = &host.record;
}

// Callbacks that log: abortProc answers true from its (abortAfter + 1)-th call
// on (never when abortAfter is negative); progressProc records its arguments.
struct CallbackLog {
    int32_t abortAfter = -1;
    int32_t abortCalls = 0;
    std::vector<std::pair<int32_t, int32_t>> progress;
};
inline CallbackLog& Log() {
    static CallbackLog log;
    return log;
}
inline uint8_t KELVO_CDECL CountingAbort() {
    CallbackLog& log = Log();
    const bool stop = log.abortAfter >= 0 && log.abortCalls >= log.abortAfter;
    ++log.abortCalls;
    return stop ? 1 : 0;
}
inline void KELVO_CDECL LoggingProgress(int32_t done, int32_t total) { Log().progress.emplace_back(done, total); }

inline FilterRecord CallbackRecord() {
    FilterRecord record{};
    record.abortProc = CountingAbort;
    record.progressProc = LoggingProgress;
    return record;
}

// Copy then glow, with the production pass or the literal one.
inline void RunFast(TestImage& image, const glow::FilterParameters& settings, const FilterRecord* record = nullptr,
                    glow::GlowMethod method = glow::GlowMethod::Auto) {
    const PixelArea area = AreaOf(image);
    CopyInputToOutput(area);
    glow::GlowPass(area, &settings, HostCallbacks(record), method);
}
inline void RunLiteral(TestImage& image, const glow::FilterParameters& settings,
                       const FilterRecord* record = nullptr) {
    const PixelArea area = AreaOf(image);
    CopyInputToOutput(area);
    glow_reference::LiteralGlowPass(area, &settings, record);
}

}  // namespace glow_test
