#include "deep_area.h"

#include <cstring>

namespace kelvo {

bool DeepAreaUsable(const DeepArea& area) {
    if (area.in == nullptr || area.out == nullptr || area.width <= 0 || area.height <= 0 || area.planes <= 0)
        return false;
    if (area.samples == DeepSamples::U16 && (area.white == 0 || area.white > 65535)) return false;
    const size_t row = static_cast<size_t>(area.width) * static_cast<size_t>(area.planes) * DeepSampleBytes(area.samples);
    return area.inRowBytes >= row && area.outRowBytes >= row;
}

void CopyDeepInputToOutput(const DeepArea& area) { CopyDeepRows(area, 0, area.height); }

void CopyDeepRows(const DeepArea& area, int32_t y0, int32_t y1) {
    if (area.in == area.out) return;
    if (y0 < 0) y0 = 0;
    if (y1 > area.height) y1 = area.height;
    const size_t row = static_cast<size_t>(area.width) * static_cast<size_t>(area.planes) * DeepSampleBytes(area.samples);
    for (int32_t y = y0; y < y1; ++y)
        std::memmove(area.out + static_cast<size_t>(y) * area.outRowBytes,
                     area.in + static_cast<size_t>(y) * area.inRowBytes, row);
}

}  // namespace kelvo
