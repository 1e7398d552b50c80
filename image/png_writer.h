// Our PNG encoder: 8 or 16 bits a sample, 1 to 4 channels, with the image's
// metadata chunks (png_metadata.h). Rows are filtered the usual way (each row
// takes the filter whose bytes sum smallest as signed values) and compressed
// with stb's deflate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image_io.h"

namespace imageio {

// Encodes the image: 16 bits a sample when it carries deep samples, else 8.
// `metadata` stands for the image's own (already fitted to PNG).
bool EncodePngFile(const Image& image, const ImageMetadata& metadata, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace imageio
