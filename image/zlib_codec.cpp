#include "zlib_codec.h"

#include <climits>
#include <cstdlib>

#define STBI_NO_STDIO
#include "stb_image.h"

// Defined by stb_image_write (stb_codecs.cpp), which declares it only there.
extern "C" unsigned char* stbi_zlib_compress(unsigned char* data, int data_len, int* out_len, int quality);

namespace kelvo::image {

std::vector<uint8_t> Deflate(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    if (size > static_cast<size_t>(INT_MAX)) return out;
    int length = 0;
    unsigned char* packed = stbi_zlib_compress(const_cast<unsigned char*>(data), static_cast<int>(size), &length, 8);
    if (packed != nullptr) out.assign(packed, packed + length);
    std::free(packed);
    return out;
}

bool Inflate(const uint8_t* data, size_t size, size_t maxSize, std::vector<uint8_t>* out) {
    if (size > static_cast<size_t>(INT_MAX) || maxSize > static_cast<size_t>(INT_MAX)) return false;
    for (size_t room = size_t{1} << 16;; room *= 4) {
        if (room > maxSize) room = maxSize;
        out->assign(room, 0);
        const int n = stbi_zlib_decode_buffer(reinterpret_cast<char*>(out->data()), static_cast<int>(room),
                                              reinterpret_cast<const char*>(data), static_cast<int>(size));
        if (n >= 0) {
            out->resize(static_cast<size_t>(n));
            return true;
        }
        if (room == maxSize) {
            out->clear();
            return false;
        }
    }
}

}  // namespace kelvo::image
