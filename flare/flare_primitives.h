// The lens flare's pixel and colour building blocks: the working view that the
// passes draw into, the saturating light write, the in-place 3 x 3 softening,
// light-to-byte conversion, hue to colour, and the conversions that keep
// damaged settings from overflowing an integer.
#pragma once

#include "exact_arithmetic.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo::flare {

// The output being drawn: the caller's output buffer with its row stride, the
// working area's size and the number of interleaved planes. Pixel (x, y) begins
// at out + y * rowBytes + x * pixelBytes. lightPlanes is 3 when the image has at
// least three planes (light goes to planes 0, 1, 2) and 1 otherwise (plane 0
// carries the brightest of the three amounts; a second plane, transparency, is
// left alone). Made by RenderFlareArea at the start of every render and handed to
// the passes, so renders on several threads at once never share one.
struct WorkingView {
    uint8_t* out = nullptr;
    size_t rowBytes = 0;
    size_t pixelBytes = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t lightPlanes = 0;
};

// The working view of a delivered area's output.
WorkingView MakeWorkingView(const PixelArea& area);

// The caller's abort and progress callbacks as the passes use them.
struct PassControl {
    RenderCallbacks callbacks;
    bool* stopped = nullptr;  // set to true once the caller has asked to stop
};

inline bool PassAborted(const PassControl& control) {
    if (!RenderAborted(control.callbacks)) return false;
    if (control.stopped != nullptr) *control.stopped = true;
    return true;
}
inline void PassProgress(const PassControl& control, int32_t done, int32_t total) {
    RenderProgress(control.callbacks, done, total);
}

// Truncation toward zero into an int32. A value that is not a number gives 0,
// values beyond the int32 range give the nearest end of the range. Every
// double-to-integer conversion of the renderer goes through here, so settings
// that only a damaged record can hold never overflow.
inline int32_t TruncToInt32(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// Clamps a 64-bit coordinate into int32; used for box sides such as cx - R,
// where clamping keeps a side that lay outside the area outside it.
inline int32_t ClampToInt32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// The square of side 2R around (x, y) that a softening covers, each side
// clamped into int32.
struct Square {
    int32_t x0, y0, x1, y1;
};
inline Square SquareAround(int32_t x, int32_t y, int32_t R) {
    return Square{ClampToInt32(static_cast<int64_t>(x) - R), ClampToInt32(static_cast<int64_t>(y) - R),
                  ClampToInt32(static_cast<int64_t>(x) + R), ClampToInt32(static_cast<int64_t>(y) + R)};
}

// Adds the amounts to planes 0, 1, 2 of pixel (x, y), each clamped to 0..255.
// Every pixel of the area can receive light; nothing happens outside it.
void AddLight(const WorkingView& view, int32_t x, int32_t y, int32_t a0, int32_t a1, int32_t a2);

// The pixels a softening of x0 <= x < x1, y0 <= y < y1 visits in an area of
// width x height: sides lying outside the area are pulled two pixels inside
// it, and a side lying on the border moves one pixel inwards, so that every
// visited pixel has all eight neighbours inside the area (boxes that keep
// clear of the border are not affected). False when nothing is visited.
inline bool SoftenBounds(int32_t w, int32_t h, int32_t* x0, int32_t* y0, int32_t* x1, int32_t* y1) {
    if (*y0 < 0) *y0 = 2;
    if (*y1 > h) *y1 = h - 2;
    if (*x0 < 0) *x0 = 2;
    if (*x1 > w) *x1 = w - 2;
    if (*y0 < 1) *y0 = 1;
    if (*x0 < 1) *x0 = 1;
    if (*y1 > h - 1) *y1 = h - 1;
    if (*x1 > w - 1) *x1 = w - 1;
    return *y0 < *y1 && *x0 < *x1;
}

// In-place 3 x 3 softening of x0 <= x < x1, y0 <= y < y1 in raster order: each
// plane becomes (own value + floor(sum of the eight neighbours / 8)) / 2, with
// the upper and left neighbours already softened, over SoftenBounds' pixels.
void SoftenBox(const WorkingView& view, int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// Light amount (1.0 = full) to a byte: 255 from 1 up, trunc(v * 255) below,
// 0 for NaN and for negative amounts.
inline uint8_t UnitToByte(double v) {
    if (v >= 1.0) return 255;
    if (!(v > 0.0)) return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(v * 255.0));
}

// fmod(u, 2) without a library call, the same double on every target: u / 2
// (u * 0.5) and the product by 2 are exact, trunc is exact, and u - 2t is an
// exact difference (for |u| >= 2 the two lie within a factor of two of each
// other; for |u| < 2, t = 0). fmod's result is exact by definition and carries
// u's sign, zero included, so both give the same bits; NaN and infinities give
// NaN, as fmod does.
// The truncation goes through a 64-bit integer where u / 2 fits one (exact
// there, and no library call on targets without a rounding instruction).
inline double RemainderByTwo(double u) {
    const double half = u * 0.5;
    const double t = std::fabs(half) < 4.5e15 ? static_cast<double>(static_cast<int64_t>(half)) : std::trunc(half);
    return std::copysign(u - 2.0 * t, u);
}

struct Rgb {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

// Hue, saturation and lightness (each 0..1) to red, green, blue (hexcone model).
Rgb HslToRgb(double h, double s, double l);

}  // namespace kelvo::flare
