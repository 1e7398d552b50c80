// The area a deep render works on: 16-bit integer or 32-bit floating-point
// samples, interleaved as in 8 bits (planes 0..2 receive light, further
// planes are left alone), with the value that stands for full light.
//
// How light is added (deep_samples.h holds the per-type arithmetic):
// - integer samples: amounts stay real numbers, are added in the image's own
//   scale, rounded once to the nearest whole sample and saturate at `white`
//   (32768 in a host's 16-bit documents, 65535 in 16-bit files);
// - floating-point samples: 1.0 is white and light above it is kept; an
//   image of linear light is rendered in the sRGB encoding, converting only
//   the pixels that receive light;
// - pixels that receive no light keep their values to the bit, and no finite
//   sample becomes NaN or infinite.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvo {

enum class DeepSamples : uint8_t {
    U16,  // uint16_t, 0..white
    F32,  // float, 0..1 nominal
};

struct DeepArea {
    const uint8_t* in = nullptr;
    uint8_t* out = nullptr;  // may be `in` for the flare, never for the glow
    size_t inRowBytes = 0;   // at least width * planes * sample bytes
    size_t outRowBytes = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;
    DeepSamples samples = DeepSamples::U16;
    uint32_t white = 32768;  // integer samples only: the value of full light
    bool linear = false;     // floating point only: linear light, rendered sRGB-encoded
};

// How a deep render ended.
enum class RenderEnd : uint8_t { Done, Stopped, OutOfMemory };

inline size_t DeepSampleBytes(DeepSamples samples) { return samples == DeepSamples::U16 ? 2 : 4; }

// True when the area can be drawn: buffers, a positive size and plane count,
// strides that hold a row, and for integers a white from 1 to 65535.
bool DeepAreaUsable(const DeepArea& area);

// Copies every row's samples from the input to the output (padding is left).
void CopyDeepInputToOutput(const DeepArea& area);

// The same for rows y0 .. y1 - 1 (kept within the area).
void CopyDeepRows(const DeepArea& area, int32_t y0, int32_t y1);

// Planes receiving light: 3 with three planes or more, else 1 (grey).
inline int32_t DeepLightPlanes(const DeepArea& area) { return area.planes >= 3 ? 3 : 1; }

}  // namespace kelvo
