// The metadata chunks of a PNG file: read into ImageMetadata, and written back
// as chunks by the PNG writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image_metadata.h"

namespace kelvo::image {

// Reads iCCP, eXIf, pHYs, gAMA, cHRM, sRGB and the text chunks (an
// uncompressed XMP iTXt chunk as xmp) of a file that CheckPngChunks accepted.
// A metadata chunk that is malformed is left out and named in *warnings, as
// are the other ancillary chunks (bKGD, sBIT, tIME, unknown ones).
void ReadPngMetadata(const uint8_t* data, size_t size, ImageMetadata* metadata, std::vector<std::string>* warnings);

// Appends one chunk: length, type, data and CRC.
void AppendPngChunk(std::vector<uint8_t>* out, const char* type, const uint8_t* data, size_t size);

// Appends the metadata chunks that go before the image data, in the order
// PNG asks for: iCCP (or else sRGB), gAMA, cHRM, pHYs, eXIf, then the text.
void AppendPngMetadataChunks(std::vector<uint8_t>* out, const ImageMetadata& metadata);

}  // namespace kelvo::image
