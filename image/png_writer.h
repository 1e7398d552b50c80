// Our PNG encoder: 8 or 16 bits a sample, 1 to 4 channels, with the image's
// metadata chunks (png_metadata.h). Rows are filtered the usual way (each row
// takes the filter whose bytes sum smallest as signed values) and compressed
// with stb's deflate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image_io.h"

namespace kelvo::image {

// The most bytes of filtered rows (a filter byte and the samples of each
// row) the writer compresses: stb's deflate counts in int and grows its
// output by doubling.
constexpr uint64_t kMaxPngWriterRowBytes = 0x7FFFFFFF / 2;

// Those bytes for an image of the shape.
inline uint64_t PngRowBytes(const ImageShape& shape) {
    // Floating-point samples are written at 16 bits.
    const uint64_t sampleBytes = shape.deep || shape.floating ? 2 : 1;
    return (uint64_t{shape.width} * static_cast<uint64_t>(shape.channels) * sampleBytes + 1) * shape.height;
}

// True when the writer takes an image of the shape; else false with a
// message naming its limit.
bool PngWriterTakes(const ImageShape& shape, std::string* error);

// Encodes the image: 16 bits a sample when it carries deep samples, else 8.
// `metadata` stands for the image's own (already fitted to PNG).
bool EncodePngFile(const Image& image, const ImageMetadata& metadata, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace kelvo::image
