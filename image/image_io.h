// Reading and writing the images the command-line renderer works on: 8-bit
// samples, 1 to 4 interleaved channels (grey, grey + alpha, RGB, RGBA), rows
// packed without gap; a 16-bit file also keeps its samples at 16 bits, a
// floating-point TIFF its 32-bit floats, and every file its metadata
// (image_metadata.h).
//
// Read: PNG (palettes are expanded; every chunk's length, type and CRC are
// checked first, png_chunks.h), JPEG (baseline and progressive, jpeg_file.h),
// TIFF (tiff_file.h) and binary netpbm files, P5 (PGM) and P6 (PPM) with a
// maximum value up to 65535 and comments wherever netpbm allows them. The
// format is recognised by the file's first bytes, not by its name.
//
// Written: by the extension of the output path. ".png" takes every channel
// count, 8 or 16 bits; ".tif"/".tiff" every channel count at 8, 16 or 32-bit
// float; ".jpg"/".jpeg" grey or RGB; ".ppm" holds RGB (a grey image is
// written as RGB, which loses nothing); ".pgm" holds grey; ".pnm" picks P5 or
// P6 from the channel count. An image that a format would lose pixels of
// (alpha in a JPEG or netpbm file, colour in a ".pgm") is refused with a
// message rather than converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "pixel_area.h"
#include "image_metadata.h"

namespace kelvo::image {

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;         // 1..4
    std::vector<uint8_t> pixels;  // height rows of width * channels bytes
    // A 16-bit file's samples, laid out as `pixels`, which then hold them
    // reduced to 8 bits (kelvo::Reduce16); empty for an 8-bit image.
    std::vector<uint16_t> deep;
    // A 32-bit floating-point file's samples (TIFF), laid out as `pixels`,
    // which then hold them reduced to 8 bits (kelvo::ReduceUnit); light above
    // 1 is kept. Empty otherwise; never together with `deep`.
    std::vector<float> floats;
    ImageMetadata metadata;
};

// What is decoded, judged from a file's header before any pixel is: sides up
// to kMaxAreaSide (pixel_area.h), and at most 2^27
// pixels (128 megapixels: an 8-bit RGBA image of that size takes about 1 GiB
// from reading to writing when it compresses well, up to 3 GiB when not). A file is read only as far as its header allows,
// and never more than kHeaderBytes before the header is judged.
constexpr uint64_t kMaxDecodePixels = uint64_t{1} << 27;
constexpr uint64_t kHeaderBytes = uint64_t{1} << 20;

// The memory a program may spend on one image's buffers, from reading to
// writing: unbounded in a 64-bit program; in a 32-bit one its 2 GiB of
// address space, less what the program, its libraries and a heap cut into
// pieces take (a quarter).
constexpr uint64_t kAddressSpaceBytes = sizeof(void*) < 8 ? uint64_t{2} << 30 : UINT64_MAX;
constexpr uint64_t kImageMemoryBytes = sizeof(void*) < 8 ? kAddressSpaceBytes / 4 * 3 : UINT64_MAX;

// What a file's header says of its pixels, before any is decoded.
struct ImageShape {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t channels = 0;  // as decoded, 1..4
    bool deep = false;     // 16 bits a sample
    bool floating = false; // 32-bit floating-point samples (TIFF)
    bool rgbaRaster = false;  // decoded through a raster of 4 bytes a pixel (TIFF)
};

// The most memory reading, rendering and writing an image of this shape from
// a file of `fileBytes` takes at once, as measured: the file, the decoder's
// buffers, the image and its result (each with its 16-bit samples), the
// encoder's rows and the encoded file. An estimate: output that compresses
// poorly takes more.
uint64_t PeakImageBytes(const ImageShape& shape, uint64_t fileBytes);

// A caller's own judgement of a header, made before decoding (the output
// format's limits, say); false with the reason.
using ShapeCheck = std::function<bool(const ImageShape& shape, std::string* why)>;

enum class ImageFormat { Unknown, Png, Ppm, Pgm, Pnm, Jpeg, Tiff };

// The extensions that name an output format, as messages list them; without
// the dots they are the values --format takes.
#define KELVO_OUTPUT_EXTENSIONS ".png, .jpg, .tif, .ppm, .pgm or .pnm"
#define KELVO_OUTPUT_FORMATS "png, jpg, tif, ppm, pgm or pnm"

// The output format that the path's extension names (case-insensitive).
ImageFormat FormatFromPath(const std::string& path);

// Bytes in one packed row and in the whole image.
inline size_t RowBytes(const Image& image) {
    return static_cast<size_t>(image.width) * static_cast<size_t>(image.channels);
}
inline size_t ImageBytes(const Image& image) { return RowBytes(image) * static_cast<size_t>(image.height); }

// True when the dimensions, the channel count and the pixel buffer agree.
bool ImageIsValid(const Image& image);

// Decodes a PNG, JPEG, TIFF, P5 or P6 file held in memory. Its header is judged
// first: the size limits above, the memory it would take against
// kImageMemoryBytes, and `check` when given. On failure returns false and
// says why in *error.
bool DecodeImage(const uint8_t* data, size_t size, Image* image, std::string* error, const ShapeCheck& check = {});

// Reads and decodes a file.
bool ReadImage(const std::string& path, Image* image, std::string* error, const ShapeCheck& check = {});

// Reads an image from an open stream (standard input) up to its end; `name`
// is what messages call it.
bool ReadImageStream(std::FILE* stream, const std::string& name, Image* image, std::string* error,
                     const ShapeCheck& check = {});

// True when an image of this shape can be written in the format: its channels
// (FormatHoldsChannels) and the writer's size limit; otherwise false with a
// message naming the limit.
bool FormatCanWrite(ImageFormat format, const ImageShape& shape, std::string* error);

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

}  // namespace kelvo::image
