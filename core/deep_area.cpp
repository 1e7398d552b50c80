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

void CopyDeepInputToOutput(const DeepArea& area) {
    if (area.in == area.out) return;
    const size_t row = static_cast<size_t>(area.width) * static_cast<size_t>(area.planes) * DeepSampleBytes(area.samples);
    for (int32_t y = 0; y < area.height; ++y)
        std::memmove(area.out + static_cast<size_t>(y) * area.outRowBytes,
                     area.in + static_cast<size_t>(y) * area.inRowBytes, row);
}

}  // namespace kelvo
