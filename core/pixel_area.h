// The area a renderer works on: input and output buffers, their row strides,
// size and plane count. Every caller fills it (the modules from the host's
// record, kelvo-render and the GEGL operations from their own buffers) and
// checks it first, so a renderer that stays inside width x height x planes
// never touches memory outside the caller's buffers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvo {

// The widest and tallest area there is: what the host interface's 16-bit
// rectangles describe. kelvo-render, the GEGL operations and our test host
// take no image with a longer side.
constexpr int32_t kMaxAreaSide = 32767;

struct PixelArea {
    const uint8_t* in = nullptr;
    uint8_t* out = nullptr;
    size_t inRowBytes = 0;   // at least width * planes
    size_t outRowBytes = 0;  // at least width * planes
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;  // interleaved 8-bit planes per pixel, 1 or more
};

// An area over two buffers of packed rows (width * planes bytes each).
PixelArea PackedArea(const uint8_t* in, uint8_t* out, int32_t width, int32_t height, int32_t planes);

// Copies width * planes bytes of every row from the input to the output;
// padding bytes between rows are left alone.
void CopyInputToOutput(const PixelArea& area);

// Number of planes that receive light: planes 0, 1 and 2 when there are at
// least three. One- and two-plane images (greyscale, duotone, greyscale with
// transparency) are drawn as grey: plane 0 stands for all three light planes,
// and a second plane (transparency) is left alone.
inline int32_t LightPlanes(const PixelArea& area) { return area.planes >= 3 ? 3 : 1; }

}  // namespace kelvo
