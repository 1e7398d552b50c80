#include "pixel_area.h"

#include <cstring>

namespace kelvo {

PixelArea PackedArea(const uint8_t* in, uint8_t* out, int32_t width, int32_t height, int32_t planes) {
    PixelArea area;
    area.in = in;
    area.out = out;
    area.inRowBytes = area.outRowBytes = static_cast<size_t>(width) * static_cast<size_t>(planes);
    area.width = width;
    area.height = height;
    area.planes = planes;
    return area;
}

void CopyInputToOutput(const PixelArea& area) {
    const size_t rowBytes = static_cast<size_t>(area.width) * static_cast<size_t>(area.planes);
    if (area.inRowBytes == rowBytes && area.outRowBytes == rowBytes) {
        std::memmove(area.out, area.in, rowBytes * static_cast<size_t>(area.height));
        return;
    }
    for (int32_t y = 0; y < area.height; ++y)
        std::memmove(area.out + static_cast<size_t>(y) * area.outRowBytes,
                     area.in + static_cast<size_t>(y) * area.inRowBytes, rowBytes);
}

}  // namespace kelvo
