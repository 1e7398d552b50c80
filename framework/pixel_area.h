// The area a renderer works on, as the host delivered it: input and output
// buffers, their row strides, size and plane count. Built from the host's
// FilterRecord with every value checked, so a renderer that stays inside
// width x height x planes never touches memory outside the host's buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host_interface.h"

struct PixelArea {
    const uint8_t* in = nullptr;
    uint8_t* out = nullptr;
    size_t inRowBytes = 0;   // at least width * planes
    size_t outRowBytes = 0;  // at least width * planes
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;  // interleaved 8-bit planes per pixel, 1 or more
};

// Reads the working area from the record: width and height from inRect, planes
// from `planes`, the buffers and strides from inData/outData and
// inRowBytes/outRowBytes. A stride of 0 or less means rows packed without gap
// (hosts that leave the strides unset deliver packed rows). Returns false, with
// an empty area, when nothing can be drawn safely: a missing buffer, an empty
// rectangle, no planes, or a stride shorter than one row.
bool PixelAreaFromRecord(const FilterRecord* record, PixelArea* area);

// Copies width * planes bytes of every row from the input to the output;
// padding bytes between rows are left alone.
void CopyInputToOutput(const PixelArea& area);

// Number of planes that receive light: planes 0, 1 and 2 when there are at
// least three. One- and two-plane images (greyscale, duotone, greyscale with
// transparency) are drawn as grey: plane 0 stands for all three light planes,
// and a second plane (transparency) is left alone.
inline int32_t LightPlanes(const PixelArea& area) { return area.planes >= 3 ? 3 : 1; }
