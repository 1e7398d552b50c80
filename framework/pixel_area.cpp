#include "pixel_area.h"

#include <cstring>

bool PixelAreaFromRecord(const FilterRecord* record, PixelArea* area) {
    *area = PixelArea{};
    if (record == nullptr || record->inData == nullptr || record->outData == nullptr) return false;
    const int32_t width = static_cast<int32_t>(record->inRect.right) - record->inRect.left;
    const int32_t height = static_cast<int32_t>(record->inRect.bottom) - record->inRect.top;
    const int32_t planes = record->planes;
    if (width <= 0 || height <= 0 || planes <= 0) return false;
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(planes);
    const size_t inStride = record->inRowBytes > 0 ? static_cast<size_t>(record->inRowBytes) : rowBytes;
    const size_t outStride = record->outRowBytes > 0 ? static_cast<size_t>(record->outRowBytes) : rowBytes;
    if (inStride < rowBytes || outStride < rowBytes) return false;
    area->in = static_cast<const uint8_t*>(record->inData);
    area->out = static_cast<uint8_t*>(record->outData);
    area->inRowBytes = inStride;
    area->outRowBytes = outStride;
    area->width = width;
    area->height = height;
    area->planes = planes;
    return true;
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
