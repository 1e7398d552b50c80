#include "flare_test_support.h"

#include "render_flare.h"

namespace flare_test {

HostLog hostLog;

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

void ResetHostLog(int32_t abortAfter) {
    hostLog = HostLog{};
    hostLog.abortAfter = abortAfter;
}

uint8_t KELVO_CDECL LoggingAbort() {
    const int32_t call = hostLog.abortCalls++;
    return hostLog.abortAfter >= 0 && call >= hostLog.abortAfter ? 1 : 0;
}

void KELVO_CDECL LoggingProgress(int32_t done, int32_t total) {
    hostLog.progressDone.push_back(done);
    hostLog.progressTotal.push_back(total);
}

flare::PassHost LoggingHost() {
    static FilterRecord record{};  // the logging procedures keep their log themselves
    record.abortProc = LoggingAbort;
    record.progressProc = LoggingProgress;
    flare::PassHost host;
    host.callbacks = HostCallbacks(&record);
    return host;
}

void RenderThroughHost(const flare::FilterParameters& settings, const TestImage& input, TestImage* output) {
    flare::FilterParameters record = settings;
    PluginHandle handle{&record, kPluginHandleSignature};
    FilterRecord fr{};
    fr.abortProc = LoggingAbort;
    fr.progressProc = LoggingProgress;
    fr.parameters = &handle;
    fr.planes = static_cast<int16_t>(input.planes);
    // The area lies somewhere inside a larger image: coordinates are relative.
    const int32_t top = input.height <= 30000 ? 7 : 0;
    const int32_t left = input.width <= 30000 ? 11 : 0;
    fr.inRect = {static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(top + input.height),
                 static_cast<int16_t>(left + input.width)};
    fr.outRect = fr.inRect;
    fr.inData = const_cast<uint8_t*>(input.data());
    fr.inRowBytes = static_cast<int32_t>(input.rowBytes);
    fr.outData = output->data();
    fr.outRowBytes = static_cast<int32_t>(output->rowBytes);
    PluginGlobals globals{};
    globals.filterRecord = &fr;
    flare::RenderFlare(&globals);
}

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace flare_test
