// zlib streams for the PNG writer and the PNG colour profile (iCCP), through
// stb's deflate and inflate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelvo::image {

// Compresses `size` bytes into a zlib stream (empty when out of memory or
// more than 2^31 bytes).
std::vector<uint8_t> Deflate(const uint8_t* data, size_t size);

// Inflates a zlib stream into at most `maxSize` bytes; false when the stream
// is damaged or inflates to more.
bool Inflate(const uint8_t* data, size_t size, size_t maxSize, std::vector<uint8_t>* out);

}  // namespace kelvo::image
