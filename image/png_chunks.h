// The chunk structure of a PNG file, checked before any pixel is decoded:
// every chunk complete, its type four letters, its checksum right, IHDR first
// and IEND last. The decoder behind it is only handed files that pass, and a
// damaged file gets a message that names the chunk, its place and the fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvo::image {

struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colourType = 0;
};

// True when data[0..size) starts with the PNG signature.
bool HasPngSignature(const uint8_t* data, size_t size);

// Reads the IHDR chunk, which must follow the signature, and checks its CRC.
// Needs only the file's first 33 bytes.
bool ReadPngHeader(const uint8_t* data, size_t size, PngHeader* header, std::string* error);

// Walks every chunk from IHDR to IEND. Returns false with a message for a
// file that ends inside a chunk or before IEND, a chunk whose length or type
// is malformed, a wrong CRC, or an unknown critical chunk.
bool CheckPngChunks(const uint8_t* data, size_t size, std::string* error);

// The CRC-32 of PNG chunks (ISO 3309, reflected polynomial 0xEDB88320).
uint32_t PngCrc(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace kelvo::image
