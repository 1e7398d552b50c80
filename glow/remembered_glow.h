// Emberlit remembers the settings of the last dialog the user OK'd in a file
// of its own (Emberlit.glw): the marker "EMBERLIT", a 16-bit version (1), then
// the seven settings in table order, each a 32-bit integer; little-endian,
// 38 bytes in all.
#pragma once

#include <cstddef>
#include <cstdint>

#include "glow_parameters.h"

namespace kelvo::glow {

constexpr size_t kRememberedGlowSize = 8 + 2 + kGlowSettingCount * 4;
constexpr uint16_t kRememberedGlowVersion = 1;

// The remembered file for a record (kRememberedGlowSize bytes).
void EncodeRememberedGlow(const FilterParameters& record, unsigned char* bytes);

// Takes the settings of a remembered file into the record. The file must be
// exactly the size above, with the marker, version 1 and settings within
// their bounds; otherwise the record stays as it was and false is returned.
// The record keeps its run state.
bool TakeRememberedGlow(const unsigned char* bytes, size_t size, FilterParameters* record);

}  // namespace kelvo::glow
