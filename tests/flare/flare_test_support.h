// Images and callbacks for the flare tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "flare_parameters.h"
#include "flare_primitives.h"
#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo::flare_test {

constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 64;

// An interleaved 8-bit image with a row stride of its own. The buffer has guard
// bytes before the first row and after the last, and every row's padding is
// filled with them too, so writes outside the image show up.
struct TestImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;
    size_t rowBytes = 0;
    std::vector<uint8_t> buffer;

    uint8_t* data() { return buffer.data() + kGuardBytes; }
    const uint8_t* data() const { return buffer.data() + kGuardBytes; }
    uint8_t* At(int32_t x, int32_t y) { return data() + static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x) * planes; }
    const uint8_t* At(int32_t x, int32_t y) const {
        return data() + static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x) * planes;
    }
};

// An image filled with `value`; rowBytes 0 means rows packed without gap.
TestImage MakeImage(int32_t width, int32_t height, int32_t planes = 3, size_t rowBytes = 0, uint8_t value = 0);

// A smooth synthetic picture: plane k of pixel (x, y) is a mix of x, y and k.
TestImage MakeGradient(int32_t width, int32_t height, int32_t planes = 3, size_t rowBytes = 0);

// True when every guard byte (before, after and in the row padding) is intact.
bool GuardsIntact(const TestImage& image);

// Only the pixel bytes, row after row (no padding).
std::vector<uint8_t> PixelBytes(const TestImage& image);

// Plane `plane` of every pixel.
std::vector<uint8_t> PlaneBytes(const TestImage& image, int32_t plane);

// The whole image as a pixel area, output over input.
PixelArea AreaOf(TestImage& image);

// The view the tests' direct calls of the passes and primitives draw into,
// set by View().
extern flare::WorkingView view;

// Points `view` at the image and returns it.
flare::WorkingView View(TestImage& image);

// Defaults as the final run renders them (previewScale 1).
flare::FilterParameters FullSizeDefaults();

// Callbacks that record what the renderer reports. abortAfter: the abort
// callback answers true from its (abortAfter + 1)-th call on; -1 never.
struct CallbackLog {
    int32_t abortCalls = 0;
    int32_t abortAfter = -1;
    std::vector<int32_t> progressDone;
    std::vector<int32_t> progressTotal;
};
extern CallbackLog callbackLog;
void ResetCallbackLog(int32_t abortAfter = -1);
RenderCallbacks LoggingCallbacks();
flare::PassControl LoggingControl();

// Renders through the core entry, flare::RenderFlareArea, with the logging
// callbacks. The output keeps its own stride and guards. Returns the entry's
// answer (false: stopped).
bool RenderThroughEntry(const flare::FilterParameters& settings, const TestImage& input, TestImage* output);

// FNV-1a, 64 bits.
uint64_t Fnv1a(const std::vector<uint8_t>& bytes);

}  // namespace kelvo::flare_test
