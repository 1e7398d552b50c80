#include "png_writer.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "png_metadata.h"
#include "zlib_codec.h"


namespace kelvo::image {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Filters one row of `size` bytes (`step` bytes a pixel) with filter type
// `type` into out[1..], out[0] being the type.
void FilterRow(const uint8_t* row, const uint8_t* above, size_t size, size_t step, int type, uint8_t* out) {
    out[0] = static_cast<uint8_t>(type);
    for (size_t i = 0; i < size; ++i) {
        const int a = i >= step ? row[i - step] : 0;
        const int b = above != nullptr ? above[i] : 0;
        const int c = i >= step && above != nullptr ? above[i - step] : 0;
        int predicted = 0;
        switch (type) {
            case 1: predicted = a; break;
            case 2: predicted = b; break;
            case 3: predicted = (a + b) >> 1; break;
            case 4: predicted = Paeth(a, b, c); break;
            default: break;
        }
        out[1 + i] = static_cast<uint8_t>(row[i] - predicted);
    }
}

// The rows as PNG stores them before compression: a filter byte, then the
// samples (16-bit ones big-endian), each row with its best filter.
std::vector<uint8_t> FilteredRows(const Image& image) {
    const bool deep = !image.deep.empty();
    const size_t step = static_cast<size_t>(image.channels) * (deep ? 2 : 1);
    const size_t rowSize = static_cast<size_t>(image.width) * step;
    std::vector<uint8_t> raw(rowSize), above, filtered((rowSize + 1) * static_cast<size_t>(image.height));
    std::vector<uint8_t> trial(rowSize + 1), best(rowSize + 1);
    for (int32_t y = 0; y < image.height; ++y) {
        if (deep) {
            const uint16_t* s = image.deep.data() + static_cast<size_t>(y) * RowBytes(image);
            for (size_t i = 0; i < RowBytes(image); ++i) {
                raw[2 * i] = static_cast<uint8_t>(s[i] >> 8);
                raw[2 * i + 1] = static_cast<uint8_t>(s[i]);
            }
        } else {
            std::memcpy(raw.data(), image.pixels.data() + static_cast<size_t>(y) * rowSize, rowSize);
        }
        uint64_t bestCost = UINT64_MAX;
        for (int type = 0; type < 5; ++type) {
            FilterRow(raw.data(), y > 0 ? above.data() : nullptr, rowSize, step, type, trial.data());
            uint64_t cost = 0;
            for (size_t i = 1; i <= rowSize; ++i) cost += static_cast<uint64_t>(std::abs(static_cast<int8_t>(trial[i])));
            if (cost < bestCost) {
                bestCost = cost;
                best.swap(trial);
            }
        }
        std::memcpy(filtered.data() + static_cast<size_t>(y) * (rowSize + 1), best.data(), rowSize + 1);
        above = raw;
    }
    return filtered;
}

}  // namespace

bool PngWriterTakes(const ImageShape& shape, std::string* error) {
    const uint64_t rows = PngRowBytes(shape);
    if (rows <= kMaxPngWriterRowBytes) return true;
    *error = "the image is too large for our PNG writer: its rows take " + std::to_string(rows) +
             " bytes, at most " + std::to_string(kMaxPngWriterRowBytes) + " are written";
    return false;
}

bool EncodePngFile(const Image& image, const ImageMetadata& metadata, std::vector<uint8_t>* bytes, std::string* error) {
    const bool deep = !image.deep.empty();
    const ImageShape shape{static_cast<uint32_t>(image.width), static_cast<uint32_t>(image.height), image.channels, deep};
    if (!PngWriterTakes(shape, error)) return false;
    std::vector<uint8_t> rows = FilteredRows(image);
    const std::vector<uint8_t> packed = Deflate(rows.data(), rows.size());
    rows = std::vector<uint8_t>();  // let go before the file is put together
    if (packed.empty()) {
        *error = "PNG compression failed (out of memory?)";
        return false;
    }
    static constexpr uint8_t kColourType[5] = {0, 0, 4, 2, 6};  // grey, grey + alpha, RGB, RGBA
    const uint8_t header[13] = {static_cast<uint8_t>(image.width >> 24), static_cast<uint8_t>(image.width >> 16),
                                static_cast<uint8_t>(image.width >> 8), static_cast<uint8_t>(image.width),
                                static_cast<uint8_t>(image.height >> 24), static_cast<uint8_t>(image.height >> 16),
                                static_cast<uint8_t>(image.height >> 8), static_cast<uint8_t>(image.height),
                                static_cast<uint8_t>(deep ? 16 : 8), kColourType[image.channels], 0, 0, 0};
    bytes->assign(kSignature, kSignature + sizeof kSignature);
    AppendPngChunk(bytes, "IHDR", header, sizeof header);
    AppendPngMetadataChunks(bytes, metadata);
    AppendPngChunk(bytes, "IDAT", packed.data(), packed.size());
    AppendPngChunk(bytes, "IEND", nullptr, 0);
    return true;
}

}  // namespace kelvo::image
