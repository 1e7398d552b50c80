// Reading and writing the images the command-line renderer works on: 8-bit
// samples, 1 to 4 interleaved channels (grey, grey + alpha, RGB, RGBA), rows
// packed without gap; a 16-bit file also keeps its samples at 16 bits, and
// every file its metadata (image_metadata.h).
//
// Read: PNG (palettes are expanded; every chunk's length, type and CRC are
// checked first, png_chunks.h), JPEG (baseline and progressive, jpeg_file.h)
// and binary netpbm files, P5 (PGM) and P6 (PPM) with a maximum value up to
// 65535 and comments wherever netpbm allows them. The format is recognised by
// the file's first bytes, not by its name.
//
// Written: by the extension of the output path. ".png" takes every channel
// count, 8 or 16 bits; ".jpg"/".jpeg" grey or RGB; ".ppm" holds RGB (a grey
// image is written as RGB, which loses nothing); ".pgm" holds grey; ".pnm"
// picks P5 or P6 from the channel count. An image that a format would lose
// pixels of (alpha in a JPEG or netpbm file, colour in a ".pgm") is refused
// with a message rather than converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image_metadata.h"

namespace imageio {

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;         // 1..4
    std::vector<uint8_t> pixels;  // height rows of width * channels bytes
    // A 16-bit file's samples, laid out as `pixels`, which then hold them
    // reduced to 8 bits (kelvo::Reduce16); empty for an 8-bit image.
    std::vector<uint16_t> deep;
    ImageMetadata metadata;
};

// What is decoded, judged from a file's header before any pixel is: sides up
// to what the host interface's 16-bit rectangles carry, and at most 2^27
// pixels (128 megapixels), so that an image and its result, at up to 4 bytes a
// pixel each, fit in 1 GiB. A file is read only as far as its header allows,
// and never more than kHeaderBytes before the header is judged.
constexpr uint32_t kMaxDecodeSide = 32767;
constexpr uint64_t kMaxDecodePixels = uint64_t{1} << 27;
constexpr uint64_t kHeaderBytes = uint64_t{1} << 20;

enum class ImageFormat { Unknown, Png, Ppm, Pgm, Pnm, Jpeg };

// The output format that the path's extension names (case-insensitive).
ImageFormat FormatFromPath(const std::string& path);

// Bytes in one packed row and in the whole image.
inline size_t RowBytes(const Image& image) {
    return static_cast<size_t>(image.width) * static_cast<size_t>(image.channels);
}
inline size_t ImageBytes(const Image& image) { return RowBytes(image) * static_cast<size_t>(image.height); }

// True when the dimensions, the channel count and the pixel buffer agree.
bool ImageIsValid(const Image& image);

// Decodes a PNG, JPEG, P5 or P6 file held in memory. On failure returns false and
// says why in *error.
bool DecodeImage(const uint8_t* data, size_t size, Image* image, std::string* error);

// Reads and decodes a file.
bool ReadImage(const std::string& path, Image* image, std::string* error);

// Reads an image from an open stream (standard input) up to its end; `name`
// is what messages call it.
bool ReadImageStream(std::FILE* stream, const std::string& name, Image* image, std::string* error);

// True when the format can store an image of that many channels as it is (a
// grey image counts as storable in a PPM); otherwise false with a message.
bool FormatHoldsChannels(ImageFormat format, int32_t channels, std::string* error);

struct EncodeOptions {
    int jpegQuality = 92;                          // 1..100
    std::vector<std::string>* losses = nullptr;    // receives what the format cannot hold (metadata_carry.h)
};

// Encodes the image in the given format (not Unknown), with what the format
// holds of its metadata.
bool EncodeImage(const Image& image, ImageFormat format, std::vector<uint8_t>* bytes, std::string* error,
                 const EncodeOptions& options = EncodeOptions{});

// Encodes the image in the format named by the path's extension and writes it
// through kelvo::ReplaceFileContents: an existing file at the path stays as it
// was unless the whole new file reached the disk.
bool WriteImage(const std::string& path, const Image& image, std::string* error,
                const EncodeOptions& options = EncodeOptions{});

}  // namespace imageio
