// A host's delivery made from fuzz bytes, for the renderer targets: a random
// small area (1..48 x 1..48 pixels, 1 to 5 planes, rows packed or with slack,
// the area anywhere in the image), input and output in heap blocks of exactly
// their size (so AddressSanitizer sees any byte outside), a settings record
// taken from the bytes, and an abortProc that answers true after a chosen
// number of polls, or never.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "host_interface.h"
#include "plugin.h"

namespace fuzz {

// Reads the fuzz input front to back; past its end every byte reads as 0.
struct ByteReader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    void Fill(void* target, size_t count);
};

struct Delivery {
    FilterRecord record{};
    PluginHandle handle{};
    PluginGlobals globals{};
    std::unique_ptr<uint8_t[]> in, out;
    size_t inStride = 0, outStride = 0, rowBytes = 0;
    int32_t width = 0, height = 0, planes = 0;
};

// Builds the delivery: layout bytes first, then `recordSize` bytes copied
// over `settings` (which must stay alive), then the input samples (the rest
// of the bytes, repeated). The output is filled with kOutputFill.
constexpr uint8_t kOutputFill = 0xCD;
void MakeDelivery(ByteReader* reader, void* settings, size_t recordSize, Delivery* delivery);

// Stops the process (a finding) when any byte of the output's row slack
// changed: the renderers write inside width x planes of each row only.
void CheckSlackUntouched(const Delivery& delivery);

// The whole renderer target: a delivery from the bytes, a render, the slack
// check and, when the host did not stop it, a second render (never stopped)
// that must give the same bytes.
using RenderEntry = bool (*)(PluginGlobals* globals);
void RenderAndCheck(const uint8_t* data, size_t size, void* settings, size_t recordSize, RenderEntry render);

}  // namespace fuzz
