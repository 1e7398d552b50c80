#include "flare_test_support.h"

#include "render_flare.h"

namespace kelvo::flare_test {

CallbackLog callbackLog;

TestImage MakeImage(int32_t width, int32_t height, int32_t planes, size_t rowBytes, uint8_t value) {
    TestImage image;
    image.width = width;
    image.height = height;
    image.planes = planes;
    const size_t packed = static_cast<size_t>(width) * static_cast<size_t>(planes);
    image.rowBytes = rowBytes == 0 ? packed : rowBytes;
    image.buffer.assign(kGuardBytes * 2 + image.rowBytes * static_cast<size_t>(height), kGuard);
    for (int32_t y = 0; y < height; ++y)
        for (size_t i = 0; i < packed; ++i) image.data()[static_cast<size_t>(y) * image.rowBytes + i] = value;
    return image;
}

TestImage MakeGradient(int32_t width, int32_t height, int32_t planes, size_t rowBytes) {
    TestImage image = MakeImage(width, height, planes, rowBytes);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t k = 0; k < planes; ++k)
                image.At(x, y)[k] = static_cast<uint8_t>((x * (k + 1) + y * (3 - k % 3) + 40 * k) / 4 % 256);
    return image;
}

bool GuardsIntact(const TestImage& image) {
    const size_t packed = static_cast<size_t>(image.width) * static_cast<size_t>(image.planes);
    for (size_t i = 0; i < kGuardBytes; ++i) {
        if (image.buffer[i] != kGuard) return false;
        if (image.buffer[image.buffer.size() - 1 - i] != kGuard) return false;
    }
    for (int32_t y = 0; y < image.height; ++y)
        for (size_t i = packed; i < image.rowBytes; ++i)
            if (image.data()[static_cast<size_t>(y) * image.rowBytes + i] != kGuard) return false;
    return true;
}

std::vector<uint8_t> PixelBytes(const TestImage& image) {
    std::vector<uint8_t> bytes;
    const size_t packed = static_cast<size_t>(image.width) * static_cast<size_t>(image.planes);
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* row = image.data() + static_cast<size_t>(y) * image.rowBytes;
        bytes.insert(bytes.end(), row, row + packed);
    }
    return bytes;
}

std::vector<uint8_t> PlaneBytes(const TestImage& image, int32_t plane) {
    std::vector<uint8_t> bytes;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) bytes.push_back(image.At(x, y)[plane]);
    return bytes;
}

PixelArea AreaOf(TestImage& image) {
    PixelArea area;
    area.in = image.data();
    area.out = image.data();
    area.inRowBytes = image.rowBytes;
    area.outRowBytes = image.rowBytes;
    area.width = image.width;
    area.height = image.height;
    area.planes = image.planes;
    return area;
}

flare::WorkingView view;

flare::WorkingView View(TestImage& image) {
    view = flare::MakeWorkingView(AreaOf(image));
    return view;
}

flare::FilterParameters FullSizeDefaults() {
    flare::FilterParameters s = flare::DefaultFlareParameters();
    s.previewScale = 1.0;
    return s;
}

void ResetCallbackLog(int32_t abortAfter) {
    callbackLog = CallbackLog{};
    callbackLog.abortAfter = abortAfter;
}

RenderCallbacks LoggingCallbacks() {
    RenderCallbacks callbacks;  // the log is the tests' own: no context
    callbacks.aborted = [](void*) {
        const int32_t call = callbackLog.abortCalls++;
        return callbackLog.abortAfter >= 0 && call >= callbackLog.abortAfter;
    };
    callbacks.progress = [](void*, int32_t done, int32_t total) {
        callbackLog.progressDone.push_back(done);
        callbackLog.progressTotal.push_back(total);
    };
    return callbacks;
}

flare::PassControl LoggingControl() {
    flare::PassControl control;
    control.callbacks = LoggingCallbacks();
    return control;
}

bool RenderThroughEntry(const flare::FilterParameters& settings, const TestImage& input, TestImage* output) {
    PixelArea area = AreaOf(*output);
    area.in = input.data();
    area.inRowBytes = input.rowBytes;
    return flare::RenderFlareArea(area, settings, LoggingCallbacks());
}

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace kelvo::flare_test
