#include "png_chunks.h"

#include <cstdio>
#include <cstring>

namespace kelvo::image {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFFu;

uint32_t BigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string TypeName(const uint8_t* type) {
    for (int i = 0; i < 4; ++i)
        if (!IsLetter(type[i])) return "(not a chunk type)";
    return "'" + std::string(reinterpret_cast<const char*>(type), 4) + "'";
}

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(v));
    return text;
}

bool Fail(std::string* error, const std::string& message) {
    *error = message;
    return false;
}

// Checks the chunk at `pos`: complete, well-formed, with the right CRC.
bool CheckChunk(const uint8_t* data, size_t size, size_t pos, uint32_t* length, std::string* error) {
    const std::string at = " at byte " + std::to_string(pos);
    if (size == pos)
        return Fail(error, "PNG file is truncated: it ends after " + std::to_string(size) + " bytes, without an IEND chunk");
    if (size - pos < 8)
        return Fail(error, "PNG file is truncated: it ends after " + std::to_string(size) +
                               " bytes, inside the header of a chunk");
    const uint8_t* type = data + pos + 4;
    *length = BigEndian32(data + pos);
    if (!IsLetter(type[0]) || !IsLetter(type[1]) || !IsLetter(type[2]) || !IsLetter(type[3]))
        return Fail(error, "bad PNG chunk" + at + ": its type is not four letters");
    if (*length > kMaxChunkLength)
        return Fail(error, "bad PNG chunk " + TypeName(type) + at + ": length " + std::to_string(*length) +
                               " is out of range");
    if (size - pos - 8 < static_cast<size_t>(*length) + 4)
        return Fail(error, "PNG file is truncated: chunk " + TypeName(type) + at + " needs " +
                               std::to_string(*length + 12ull) + " bytes, the file ends after " +
                               std::to_string(size - pos) + " of them");
    const uint32_t stored = BigEndian32(data + pos + 8 + *length);
    const uint32_t computed = PngCrc(type, 4 + static_cast<size_t>(*length));
    if (stored != computed)
        return Fail(error, "PNG chunk " + TypeName(type) + at + " is damaged: its CRC is " + Hex(stored) +
                               ", its data give " + Hex(computed));
    return true;
}

}  // namespace

uint32_t PngCrc(const uint8_t* data, size_t size, uint32_t crc) {
    static const struct Table {
        uint32_t entry[256];
        Table() {
            for (uint32_t n = 0; n < 256; ++n) {
                uint32_t c = n;
                for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                entry[n] = c;
            }
        }
    } table;
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table.entry[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

bool HasPngSignature(const uint8_t* data, size_t size) {
    return data != nullptr && size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

bool ReadPngHeader(const uint8_t* data, size_t size, PngHeader* header, std::string* error) {
    if (!HasPngSignature(data, size)) return Fail(error, "not a PNG file");
    uint32_t length = 0;
    if (!CheckChunk(data, size, 8, &length, error)) return false;
    if (std::memcmp(data + 12, "IHDR", 4) != 0 || length != 13)
        return Fail(error, "bad PNG file: it does not start with an IHDR chunk of 13 bytes");
    header->width = BigEndian32(data + 16);
    header->height = BigEndian32(data + 20);
    header->bitDepth = data[24];
    header->colourType = data[25];
    if (header->width == 0 || header->height == 0 || header->width > kMaxChunkLength ||
        header->height > kMaxChunkLength)
        return Fail(error, "bad PNG IHDR chunk: the image size " + std::to_string(header->width) + " x " +
                               std::to_string(header->height) + " is out of range");
    return true;
}

bool CheckPngChunks(const uint8_t* data, size_t size, std::string* error) {
    PngHeader header;
    if (!ReadPngHeader(data, size, &header, error)) return false;
    size_t pos = 8;
    for (;;) {
        uint32_t length = 0;
        if (!CheckChunk(data, size, pos, &length, error)) return false;
        const uint8_t* type = data + pos + 4;
        if (std::memcmp(type, "IEND", 4) == 0) return true;
        const bool critical = type[0] >= 'A' && type[0] <= 'Z';
        if (critical && std::memcmp(type, "IHDR", 4) != 0 && std::memcmp(type, "PLTE", 4) != 0 &&
            std::memcmp(type, "IDAT", 4) != 0)
            return Fail(error, "bad PNG file: unknown critical chunk " + TypeName(type) + " at byte " +
                                   std::to_string(pos));
        pos += 12 + static_cast<size_t>(length);
    }
}

}  // namespace kelvo::image
