// Deep samples reduced to 8 bits: the 8-bit pixels kept beside a 16-bit or
// floating-point image. The deep render path itself works on the samples as
// they are (deep_area.h).
#pragma once

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

}  // namespace kelvo
