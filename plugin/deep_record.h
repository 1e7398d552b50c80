// Deep documents through the host's record: the depth a host gives (or the
// one its image mode implies), the delivered buffers as a deep area, and the
// 8-bit copy of a deep preview that displayPixels is given (no host takes a
// deep pixel map).
#pragma once

#include <cstdint>
#include <vector>

#include "deep_area.h"
#include "host_interface.h"

namespace kelvo::plugin {

// Image modes beyond the 8-bit ones.
enum : int16_t {
    plugInModeGray16 = 10,
    plugInModeRGB48 = 11,
    plugInModeLab48 = 12,
    plugInModeCMYK64 = 13,
    plugInModeDeepMultichannel = 14,
    plugInModeDuotone16 = 15,
    plugInModeRGB96 = 16,
    plugInModeGray32 = 17,
};

// Bits per sample: the record's `depth` when it is 8, 16 or 32; otherwise (an
// old host leaves it 0) what the image mode implies: 16 for modes 10..15, 32
// for RGB96 and Gray32, else 8.
int32_t DocumentDepth(const FilterRecord* record);

// The 8-bit mode a deep mode stands for (Gray16 and Gray32: greyscale, RGB48
// and RGB96: RGB, ...); 8-bit modes stand for themselves.
int16_t EightBitMode(int16_t imageMode);

// The delivered buffers of a 16-bit (samples 0..32768) or 32-bit (linear
// float) document as a deep area, checked as FilterRecordArea checks them,
// with rows of width * planes * sample bytes. False for 8-bit documents and
// when nothing can be drawn safely.
bool DeepAreaFromRecord(const FilterRecord* record, kelvo::DeepArea* area);

// The output as the input again, at the document's depth (a stopped run).
void CopyRecordInputToOutput(const FilterRecord* record);

// The delivered output of a deep document in 8 bits, packed rows of
// width * planes bytes: 16-bit samples as (v * 255 + 16384) / 32768, floats
// clamped to 0..1 and sRGB-encoded, as the document looks in 8 bits.
// False, with nothing written, for 8-bit documents or unusable buffers.
bool EightBitOutput(const FilterRecord* record, std::vector<uint8_t>* pixels);

}  // namespace kelvo::plugin
