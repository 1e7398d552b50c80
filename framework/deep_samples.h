// Images deeper than 8 bits through the 8-bit renderers: 16-bit files of
// kelvo-render, GIMP's 16-bit and floating-point layers in the GEGL
// operations. The renderers see the image reduced to 8 bits; what they change
// there is added back to the original samples, so pixels the filter leaves
// alone keep their values exactly and light lands on the original values
// instead of on the reduced ones.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvo {

// The nearest 8-bit value: round(v * 255 / 65535).
inline uint8_t Reduce16(uint16_t v) { return static_cast<uint8_t>((static_cast<uint32_t>(v) * 255 + 32767) / 65535); }

// The nearest 8-bit value of a sample in 0..1; values outside are clamped, NaN is 0.
inline uint8_t ReduceUnit(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(v * 255.0f + 0.5f);
}

// deep[i] += (after[i] - before[i]) * 257 for `count` samples, clamped to
// 0..65535; where the render changed nothing the sample is left as it was.
void AddChange16(const uint8_t* before, const uint8_t* after, uint16_t* deep, size_t count);

// deep[i] += (after[i] - before[i]) / 255 for `count` samples, not clamped:
// floating-point layers may hold light above 1.
void AddChangeUnit(const uint8_t* before, const uint8_t* after, float* deep, size_t count);

}  // namespace kelvo
