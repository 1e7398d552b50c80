#include "light_layer.h"

#include <climits>
#include <new>

namespace kelvo {

bool BeginLightLayer(LightLayer& layer, int32_t width, int32_t height, int32_t planes) {
    layer.width = width;
    layer.height = height;
    layer.planes = planes;
    ReleaseZeroedFloats(layer.light);
    try {
        layer.first.assign(static_cast<size_t>(height), INT32_MAX);
        layer.last.assign(static_cast<size_t>(height), -1);
        layer.start.assign(static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void HoldLight(LightLayer& layer, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > layer.width - 1) x1 = layer.width - 1;
    if (y1 > layer.height - 1) y1 = layer.height - 1;
    if (x0 > x1 || y0 > y1) return;
    for (int64_t y = y0; y <= y1; ++y) {
        const size_t row = static_cast<size_t>(y);
        if (x0 < layer.first[row]) layer.first[row] = static_cast<int32_t>(x0);
        if (x1 > layer.last[row]) layer.last[row] = static_cast<int32_t>(x1);
    }
}

bool AllocateLightLayer(LightLayer& layer) {
    size_t total = 0;
    for (size_t row = 0; row < layer.first.size(); ++row) {
        layer.start[row] = total;
        if (layer.first[row] <= layer.last[row])
            total += static_cast<size_t>(layer.last[row] - layer.first[row] + 1) * static_cast<size_t>(layer.planes);
    }
    return AllocateZeroedFloats(layer.light, total);
}

}  // namespace kelvo
