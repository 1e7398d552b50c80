// The sRGB transfer curve, for floating-point images that hold linear light:
// the renderers add their light to the encoded value, as they do in 8 bits.
// Above 1 the curve goes on as the same power law (smooth and rising, so HDR
// values keep their order), and negative values mirror the positive ones.
#pragma once

#include <cmath>

namespace kelvo {

inline double SrgbEncode(double linear) {
    const double a = std::fabs(linear);
    const double e = a <= 0.0031308 ? 12.92 * a : 1.055 * std::pow(a, 1.0 / 2.4) - 0.055;
    return linear < 0.0 ? -e : e;
}

inline double SrgbDecode(double encoded) {
    const double a = std::fabs(encoded);
    const double l = a <= 0.04045 ? a / 12.92 : std::pow((a + 0.055) / 1.055, 2.4);
    return encoded < 0.0 ? -l : l;
}

}  // namespace kelvo
