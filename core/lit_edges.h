// Which pixels of an area light may land on, and which rows of the glow are
// sources, stated once for the 8-bit passes and the deep renderers alike
// (flare_primitives.cpp, flare_reach.cpp, reflection_shapes.h, glow_pass.cpp,
// deep_flare.cpp, deep_glow.cpp): every pixel of the area receives light,
// row 0 and column 0 included, and every row of the glow is a source.
#pragma once

#include <cstdint>

namespace kelvo {

constexpr int32_t kFirstLitRow = 0;
constexpr int32_t kFirstLitColumn = 0;
constexpr int32_t kFirstGlowSourceRow = 0;

inline bool ReceivesLight(int32_t x, int32_t y, int32_t width, int32_t height) {
    return x >= kFirstLitColumn && y >= kFirstLitRow && x < width && y < height;
}

}  // namespace kelvo
