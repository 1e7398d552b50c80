// The light a deep render adds, held apart from the picture until the end:
// real amounts per light plane (1.0 = white), for the columns of each row that
// can receive light. The flare's softening works on it alone, so the picture
// under a softened square is never blurred, and pixels that receive no light
// are never written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zeroed_floats.h"

namespace kelvo {

struct LightLayer {
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;          // light planes: 3, or 1 (grey)
    std::vector<int32_t> first;  // per row: first and last column held
    std::vector<int32_t> last;   // (first > last: none)
    std::vector<size_t> start;   // per row: index of its first column in `light`
    ZeroedFloats light;          // the held columns' planes, row after row
};

// An empty layer for an area; nothing is held yet. False when memory runs out.
bool BeginLightLayer(LightLayer& layer, int32_t width, int32_t height, int32_t planes);

// Columns x0..x1 of rows y0..y1, clipped to the area, are to be held: each
// row holds one run from the leftmost to the rightmost column asked for.
void HoldLight(LightLayer& layer, int64_t x0, int64_t y0, int64_t x1, int64_t y1);

// Makes room for what is held, all 0. False when memory runs out.
bool AllocateLightLayer(LightLayer& layer);

// The light planes of pixel (x, y), or null when the pixel is not held.
inline float* LightAt(LightLayer& layer, int32_t x, int32_t y) {
    if (y < 0 || y >= layer.height) return nullptr;
    const size_t row = static_cast<size_t>(y);
    if (x < layer.first[row] || x > layer.last[row]) return nullptr;
    return layer.light.data + layer.start[row] +
           static_cast<size_t>(x - layer.first[row]) * static_cast<size_t>(layer.planes);
}

}  // namespace kelvo
