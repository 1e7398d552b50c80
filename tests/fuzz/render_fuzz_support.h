// A pixel area made from fuzz bytes, for the renderer targets: a random small
// area (1..48 x 1..48 pixels, 1 to 5 planes, 8-bit samples or deep ones of 16
// or 32 bits, rows packed or with slack), input and output in heap blocks of
// exactly their size (so AddressSanitizer sees any byte outside), a settings
// record taken from the bytes, and an abort callback that answers true after a
// chosen number of polls, or never.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "deep_area.h"
#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo::fuzz {

// Reads the fuzz input front to back; past its end every byte reads as 0.
struct ByteReader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    void Fill(void* target, size_t count);
};

struct Delivery {
    PixelArea area;       // 8-bit samples (depth 8)
    kelvo::DeepArea deep;  // the same buffers, for depth 16 or 32
    int32_t depth = 8;
    RenderCallbacks callbacks;
    std::unique_ptr<uint8_t[]> in, out;
    size_t inStride = 0, outStride = 0, rowBytes = 0;
    int32_t width = 0, height = 0, planes = 0;
};

// Builds the delivery: layout bytes first (the top bits of the first of two
// bytes that once placed the area in an image choose the samples: 8-bit,
// 16-bit with white 32768 as hosts give them, linear floats, or 16-bit with
// white 65535 as files hold them; the rest of both is still read so that the
// seeds keep their meaning), then
// `recordSize` bytes copied over `settings`, then the input samples (the
// rest of the bytes, repeated). The output is filled with kOutputFill.
constexpr uint8_t kOutputFill = 0xCD;
void MakeDelivery(ByteReader* reader, void* settings, size_t recordSize, Delivery* delivery);

// Stops the process (a finding) when any byte of the output's row slack
// changed: the renderers write inside width x planes of each row only.
void CheckSlackUntouched(const Delivery& delivery);

// The whole renderer target: a delivery from the bytes, a render through the
// core entry, the slack check and, when the callbacks did not stop it, a
// second render (never stopped) that must give the same bytes. Deep samples go
// through the deep entry.
using RenderEntry = bool (*)(const PixelArea& area, const void* settings, const RenderCallbacks& callbacks);
using DeepRenderEntry = kelvo::RenderEnd (*)(const kelvo::DeepArea& area, const void* settings,
                                             const RenderCallbacks& callbacks);
void RenderAndCheck(const uint8_t* data, size_t size, void* settings, size_t recordSize, RenderEntry render,
                    DeepRenderEntry renderDeep);

}  // namespace kelvo::fuzz
