#include "image_io.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "open_file.h"
#include "png_chunks.h"
#include "replace_file.h"

#include "deep_samples.h"
#include "jpeg_file.h"
#include "metadata_carry.h"
#include "png_metadata.h"
#include "png_writer.h"
#include "tiff_directory.h"
#include "tiff_file.h"

#define STBI_NO_STDIO
#include "stb_image.h"

namespace kelvo::image {
namespace {

// The peak memory per sample of an image read, rendered and written
// (PeakImageBytes): measured with /usr/bin/time -v at 2.0 bytes for 8-bit and
// 6.1 for 16-bit samples that compress well, and one (two) more for the
// encoded output of samples that do not; the file is held twice besides (its
// bytes, and the decoder's copy of its compressed data). Measured on noise
// stored without compression, 8-bit samples took 5.9 bytes with the file.
constexpr uint64_t kPeakBytesPerSample = 3;
constexpr uint64_t kPeakBytesPerDeepSample = 8;
// Floating-point samples (TIFF), not measured: the input and result floats
// and the 8-bit copies the render works on, counted generously.
constexpr uint64_t kPeakBytesPerFloatSample = 16;

// Largest width or height we accept from a file; large enough for any image the
// filters can take, small enough that the pixel count cannot overflow.
constexpr uint32_t kMaxSide = 1u << 24;

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Judges the size a file's header declares, before anything is decoded.
bool DimensionsFit(uint32_t width, uint32_t height, std::string* error) {
    const uint64_t pixels = static_cast<uint64_t>(width) * height;
    if (width <= kMaxAreaSide && height <= kMaxAreaSide && pixels <= kMaxDecodePixels) return true;
    *error = "the image is " + std::to_string(width) + " x " + std::to_string(height) + " pixels; ";
    if (width > kMaxAreaSide || height > kMaxAreaSide)
        *error += "the filters take at most " + std::to_string(kMaxAreaSide) + " pixels per side";
    else
        *error += "at most " + std::to_string(kMaxDecodePixels) + " pixels (" +
                  std::to_string(kMaxDecodePixels >> 20) + " megapixels) are read";
    return false;
}

// Every limit on a header's shape: the size, the memory and the caller's.
bool JudgeShape(const ImageShape& shape, uint64_t fileBytes, const ShapeCheck& check, std::string* error) {
    if (!DimensionsFit(shape.width, shape.height, error)) return false;
    const uint64_t peak = PeakImageBytes(shape, fileBytes);
    if (peak > kImageMemoryBytes) {
        *error = "the image is " + std::to_string(shape.width) + " x " + std::to_string(shape.height) + " pixels, " +
                 std::to_string(shape.channels) + " channels of " +
                 (shape.floating ? "32-bit float" : shape.deep ? "16 bits" : "8 bits") +
                 "; reading, rendering and writing it takes about " + std::to_string(peak >> 20) +
                 " MiB, more than fits in the " + std::to_string(kAddressSpaceBytes >> 30) +
                 " GiB address space of a 32-bit program (use the 64-bit kelvo-render)";
        return false;
    }
    std::string why;
    if (check && !check(shape, &why)) {
        *error = why;
        return false;
    }
    return true;
}

bool EndsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// ---- Netpbm ------------------------------------------------------------------------

bool IsPnmSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The next character of a netpbm header. A comment, from '#' to the end of
// its line, reads as the line end that closes it, wherever it stands: between
// fields, right after the magic number, inside a number or between the
// maximum value and the blank before the samples. -1 at the end of the data.
int NextPnmChar(const uint8_t* data, size_t size, size_t* pos) {
    if (*pos >= size) return -1;
    if (data[*pos] != '#') return data[(*pos)++];
    while (*pos < size && data[*pos] != '\n' && data[*pos] != '\r') ++*pos;
    return *pos < size ? data[(*pos)++] : -1;
}

// Reads one unsigned decimal header field after any blanks and the one
// character that ends it, which must be a blank (or a comment).
bool ReadPnmNumber(const uint8_t* data, size_t size, size_t* pos, uint32_t* value) {
    int c;
    do c = NextPnmChar(data, size, pos);
    while (IsPnmSpace(c));
    if (c < '0' || c > '9') return false;
    uint64_t v = 0;
    for (; c >= '0' && c <= '9'; c = NextPnmChar(data, size, pos)) {
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > UINT32_MAX) return false;
    }
    *value = static_cast<uint32_t>(v);
    return IsPnmSpace(c);
}

struct PnmHeader {
    uint32_t width = 0, height = 0, maxValue = 0;
    int32_t channels = 0;
    size_t samples = 0;  // where the samples start
};

// "P5" or "P6": a binary PGM or PPM file.
bool HasBinaryPnmMagic(const uint8_t* data, size_t size) {
    return data != nullptr && size >= 2 && data[0] == 'P' && (data[1] == '5' || data[1] == '6');
}

bool ReadPnmHeader(const uint8_t* data, size_t size, PnmHeader* header, std::string* error) {
    header->channels = data[1] == '6' ? 3 : 1;
    size_t pos = 2;
    if (!ReadPnmNumber(data, size, &pos, &header->width) || !ReadPnmNumber(data, size, &pos, &header->height) ||
        !ReadPnmNumber(data, size, &pos, &header->maxValue)) {
        if (pos < size)
            *error = "damaged netpbm header";
        else if (size >= kHeaderBytes)  // a comment that long, most likely
            *error = "netpbm header is longer than the " + std::to_string(kHeaderBytes >> 20) +
                     " MiB read before a header is judged (a comment that long is not read)";
        else
            *error = "netpbm file is truncated inside its header";
        return false;
    }
    if (header->width == 0 || header->height == 0) {
        *error = "netpbm image has an unsupported size (" + std::to_string(header->width) + " x " +
                 std::to_string(header->height) + ")";
        return false;
    }
    if (header->maxValue == 0 || header->maxValue > 65535) {
        *error = "netpbm maximum value " + std::to_string(header->maxValue) + " is out of range (1..65535)";
        return false;
    }
    header->samples = pos;
    return true;
}

bool DecodePnm(const uint8_t* data, size_t size, Image* image, std::string* error) {
    PnmHeader header;
    if (!ReadPnmHeader(data, size, &header, error)) return false;
    const uint32_t maxValue = header.maxValue;
    const bool wide = maxValue > 255;  // two bytes a sample, most significant first
    const size_t pos = header.samples;
    const uint64_t samples = static_cast<uint64_t>(header.width) * header.height * static_cast<uint64_t>(header.channels);
    const uint64_t count = samples * (wide ? 2 : 1);
    if (count > size - pos) {
        *error = "netpbm file is truncated: its samples need " + std::to_string(count) + " bytes, it holds " +
                 std::to_string(size - pos);
        return false;
    }
    Image result;
    result.width = static_cast<int32_t>(header.width);
    result.height = static_cast<int32_t>(header.height);
    result.channels = header.channels;
    if (wide) {
        // Rescaled to 0..65535, rounding; samples above the maximum value
        // are taken as the maximum.
        result.deep.resize(samples);
        result.pixels.resize(samples);
        for (size_t i = 0; i < samples; ++i) {
            const uint32_t raw = static_cast<uint32_t>(data[pos + 2 * i]) << 8 | data[pos + 2 * i + 1];
            const uint32_t v = raw > maxValue ? maxValue : raw;
            result.deep[i] = static_cast<uint16_t>((v * 65535ull + maxValue / 2) / maxValue);
            result.pixels[i] = kelvo::Reduce16(result.deep[i]);
        }
        *image = std::move(result);
        return true;
    }
    result.pixels.assign(data + pos, data + pos + count);
    if (maxValue != 255) {
        // Rescale to the full 0..255 range, rounding; samples above the
        // maximum value are taken as the maximum.
        for (uint8_t& s : result.pixels) {
            const uint32_t v = s > maxValue ? maxValue : s;
            s = static_cast<uint8_t>((v * 255 + maxValue / 2) / maxValue);
        }
    }
    *image = std::move(result);
    return true;
}

bool EncodePnm(const Image& image, bool colour, std::vector<uint8_t>* bytes) {
    char header[64];
    const bool wide = !image.deep.empty();
    const int n = std::snprintf(header, sizeof header, "P%c\n%d %d\n%d\n", colour ? '6' : '5',
                                static_cast<int>(image.width), static_cast<int>(image.height), wide ? 65535 : 255);
    bytes->assign(header, header + n);
    const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (wide) {
        const size_t repeat = colour && image.channels == 1 ? 3 : 1;
        bytes->reserve(bytes->size() + image.deep.size() * repeat * 2);
        for (uint16_t v : image.deep)
            for (size_t k = 0; k < repeat; ++k) bytes->insert(bytes->end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    } else if (colour && image.channels == 1) {
        bytes->reserve(bytes->size() + pixels * 3);
        for (size_t i = 0; i < pixels; ++i) bytes->insert(bytes->end(), 3, image.pixels[i]);
    } else {
        bytes->insert(bytes->end(), image.pixels.begin(), image.pixels.end());
    }
    return true;
}

// ---- PNG -------------------------------------------------------------------------

bool DecodePng(const uint8_t* data, size_t size, Image* image, std::string* error) {
    if (size > static_cast<size_t>(INT_MAX)) {
        *error = "PNG file is too large";
        return false;
    }
    PngHeader header;
    if (!ReadPngHeader(data, size, &header, error) || !CheckPngChunks(data, size, error)) return false;
    int width = 0, height = 0, channels = 0;
    const bool wide = header.bitDepth == 16;
    void* pixels = wide ? static_cast<void*>(stbi_load_16_from_memory(data, static_cast<int>(size), &width, &height,
                                                                       &channels, 0))
                        : static_cast<void*>(stbi_load_from_memory(data, static_cast<int>(size), &width, &height,
                                                                    &channels, 0));
    if (pixels == nullptr) {
        const char* reason = stbi_failure_reason();
        *error = std::string("cannot decode PNG: ") + (reason != nullptr ? reason : "unknown error");
        return false;
    }
    if (width <= 0 || height <= 0 || channels < 1 || channels > 4) {
        stbi_image_free(pixels);
        *error = "PNG image has an unsupported layout";
        return false;
    }
    Image result;
    result.width = width;
    result.height = height;
    result.channels = channels;
    if (wide) {
        const uint16_t* samples = static_cast<const uint16_t*>(pixels);
        result.deep.assign(samples, samples + ImageBytes(result));
        result.pixels.resize(ImageBytes(result));
        for (size_t i = 0; i < result.deep.size(); ++i) result.pixels[i] = kelvo::Reduce16(result.deep[i]);
    } else {
        const stbi_uc* samples = static_cast<const stbi_uc*>(pixels);
        result.pixels.assign(samples, samples + ImageBytes(result));
    }
    stbi_image_free(pixels);
    ReadPngMetadata(data, size, &result.metadata, &result.metadata.notCarried);
    *image = std::move(result);
    return true;
}

// The most bytes a TIFF file can need: those of the largest image read, at
// 16 bytes a pixel (no layout we read takes more), half as much again (LZW's
// worst case) and room for metadata. Not the first image's bound: the pages,
// layers and thumbnails after it are not read but make the file longer (the
// memory judgement counts the whole file). A first directory beyond the bytes
// read so far (writers often put it after the pixels) gives a provisional
// limit a header's worth past it.
bool TiffFileSizeLimit(const uint8_t* data, size_t size, uint64_t* limit, bool* provisional, std::string* error) {
    const auto bound = [](uint64_t raw) { return raw + raw / 2 + (uint64_t{64} << 20); };
    const uint64_t largest = bound(kMaxDecodePixels * 16);
    TiffHeader header;
    bool incomplete = false;
    if (!ReadTiffHeader(data, size, &header, &incomplete, error)) return false;
    if (incomplete) {
        if (header.directoryEnd > largest) {
            *error = "TIFF file is damaged: its first directory would lie at byte " + std::to_string(header.directoryEnd) +
                     ", beyond any image that is read";
            return false;
        }
        *limit = std::max<uint64_t>(header.directoryEnd, size) + kHeaderBytes;
        *provisional = true;
        return true;
    }
    if (!DimensionsFit(header.width, header.height, error)) return false;
    *limit = std::max(header.directoryEnd, largest);
    return true;
}

// Whether the PNG holds a tRNS chunk in the bytes given (stb then adds an
// alpha channel).
bool HasTransparencyChunk(const uint8_t* data, size_t size) {
    for (size_t pos = 8; size - pos >= 12;) {
        const uint32_t n = uint32_t{data[pos]} << 24 | uint32_t{data[pos + 1]} << 16 | uint32_t{data[pos + 2]} << 8 |
                           data[pos + 3];
        if (std::memcmp(data + pos + 4, "tRNS", 4) == 0) return true;
        if (std::memcmp(data + pos + 4, "IDAT", 4) == 0 || n > size - pos - 12) return false;
        pos += 12 + static_cast<size_t>(n);
    }
    return false;
}

// The shape the header declares, as the decoder will give it. False with the
// reason for data that are no image header we take.
bool ReadShape(const uint8_t* data, size_t size, ImageShape* shape, std::string* error) {
    if (HasPngSignature(data, size)) {
        PngHeader header;
        if (!ReadPngHeader(data, size, &header, error)) return false;
        static constexpr int32_t kChannels[7] = {1, 0, 3, 3, 2, 0, 4};  // by colour type
        shape->channels = header.colourType <= 6 ? kChannels[header.colourType] : 0;
        if (header.colourType <= 3 && HasTransparencyChunk(data, size)) ++shape->channels;
        *shape = {header.width, header.height, shape->channels, header.bitDepth == 16};
        return true;
    }
    if (HasBinaryPnmMagic(data, size)) {
        PnmHeader header;
        if (!ReadPnmHeader(data, size, &header, error)) return false;
        *shape = {header.width, header.height, header.channels, header.maxValue > 255};
        return true;
    }
    if (HasJpegSignature(data, size)) {
        JpegHeader header;
        if (!ReadJpegHeader(data, size, &header, error)) return false;
        *shape = {header.width, header.height, header.components == 1 ? 1 : 3, false};
        return true;
    }
    if (HasTiffSignature(data, size)) {
        if (!TiffCodecBuilt()) {
            *error = kNoTiffMessage;
            return false;
        }
        TiffHeader header;
        bool incomplete = false;
        if (!ReadTiffHeader(data, size, &header, &incomplete, error)) return false;
        if (incomplete) {
            *error = "TIFF file is truncated: its first directory ends at byte " + std::to_string(header.directoryEnd) +
                     ", the file holds " + std::to_string(size);
            return false;
        }
        const TiffDecoding d = TiffDecodingOf(header.photometric, header.samplesPerPixel, header.bitsPerSample,
                                              header.sampleFormat, header.extraSamples);
        // A layout that is not read is refused by the decoder, which says why;
        // until then the samples stored stand for the channels.
        const uint32_t stored = std::min<uint32_t>(std::max<uint32_t>(header.samplesPerPixel, 1), 4);
        const int32_t channels = d.channels != 0 ? d.channels : static_cast<int32_t>(stored);
        *shape = {header.width, header.height, channels, d.deep, d.floating, d.throughRgba};
        return true;
    }
    if (data != nullptr && size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '7') {
        *error = "only binary PGM (P5) and PPM (P6) netpbm files are supported";
        return false;
    }
    *error = size == 0 ? "the file is empty" : "not a PNG, JPEG, TIFF, PGM or PPM file";
    return false;
}

// The most bytes a file with this header can need: the samples of a netpbm
// file; for a PNG, its raw rows (up to 8 bytes a pixel, stored without
// compression) and room for metadata; for a JPEG, the same bound (a JPEG at
// the highest quality stays well below 8 bytes a pixel). False with the reason
// for a file whose first bytes are no image header we take, or declare a size
// we refuse. A JPEG whose frame header lies beyond the bytes read so far gets
// a provisional limit a header's worth further (*provisional), up to
// kMaxJpegPrefixBytes of metadata.
bool FileSizeLimit(const uint8_t* data, size_t size, const ShapeCheck& check, uint64_t* limit, bool* provisional,
                   std::string* error) {
    if (JpegPrefixIncomplete(data, size)) {
        if (size < kMaxJpegPrefixBytes) {
            *limit = size + kHeaderBytes;
            *provisional = true;
            return true;
        }
        *error = "the JPEG's metadata segments before its frame header take more than the " +
                 std::to_string(kMaxJpegPrefixBytes >> 20) + " MiB read for them";
        return false;
    }
    if (HasTiffSignature(data, size)) {
        if (!TiffCodecBuilt()) {
            *error = kNoTiffMessage;
            return false;
        }
        if (!TiffFileSizeLimit(data, size, limit, provisional, error)) return false;
        if (*provisional) return true;  // its first directory is still to be read
    }
    ImageShape shape;
    if (!ReadShape(data, size, &shape, error) || !JudgeShape(shape, size, check, error)) return false;
    if (HasTiffSignature(data, size)) {
        // Where memory is short, no longer than the memory judgement of the
        // whole file (which holds it twice) can accept.
        const uint64_t room = (kImageMemoryBytes - PeakImageBytes(shape, 0)) / 2;
        *limit = std::min(*limit, std::max<uint64_t>(room, size));
        return true;
    }
    if (HasBinaryPnmMagic(data, size)) {
        PnmHeader header;
        ReadPnmHeader(data, size, &header, error);
        *limit = header.samples + uint64_t{shape.width} * shape.height * static_cast<uint64_t>(shape.channels) *
                                      (shape.deep ? 2 : 1);
        return true;
    }
    const uint64_t raw = static_cast<uint64_t>(shape.height) * (1 + uint64_t{8} * shape.width);
    *limit = raw + raw / 64 + (uint64_t{64} << 20);
    return true;
}

// A floating-point image with its samples in 16 bits, 0..1 clipped, and the
// 8-bit reduction of those.
Image SixteenBitCopy(const Image& image) {
    Image wide;
    wide.width = image.width;
    wide.height = image.height;
    wide.channels = image.channels;
    wide.metadata = image.metadata;
    wide.deep.resize(image.floats.size());
    wide.pixels.resize(image.floats.size());
    for (size_t i = 0; i < image.floats.size(); ++i) {
        const float v = image.floats[i];
        wide.deep[i] = static_cast<uint16_t>(!(v > 0.0f) ? 0 : v >= 1.0f ? 65535 : std::lround(v * 65535.0f));
        wide.pixels[i] = kelvo::Reduce16(wide.deep[i]);
    }
    return wide;
}

}  // namespace

ImageFormat FormatFromPath(const std::string& path) {
    const std::string p = Lower(path);
    if (EndsWith(p, ".png")) return ImageFormat::Png;
    if (EndsWith(p, ".ppm")) return ImageFormat::Ppm;
    if (EndsWith(p, ".pgm")) return ImageFormat::Pgm;
    if (EndsWith(p, ".pnm")) return ImageFormat::Pnm;
    if (EndsWith(p, ".jpg") || EndsWith(p, ".jpeg")) return ImageFormat::Jpeg;
    if (EndsWith(p, ".tif") || EndsWith(p, ".tiff")) return ImageFormat::Tiff;
    return ImageFormat::Unknown;
}

bool ImageIsValid(const Image& image) {
    return image.width > 0 && image.height > 0 && image.channels >= 1 && image.channels <= 4 &&
           static_cast<uint32_t>(image.width) <= kMaxSide && static_cast<uint32_t>(image.height) <= kMaxSide &&
           image.pixels.size() == ImageBytes(image) && (image.deep.empty() || image.deep.size() == ImageBytes(image)) &&
           (image.floats.empty() || (image.floats.size() == ImageBytes(image) && image.deep.empty()));
}

uint64_t PeakImageBytes(const ImageShape& shape, uint64_t fileBytes) {
    // Per sample: the decoder's buffer and the image's samples while they are
    // copied, then the image and its result, then the result, the encoder's
    // rows and its output (the input is let go before the encoder starts).
    const uint64_t samples = uint64_t{shape.width} * shape.height * static_cast<uint64_t>(shape.channels);
    const uint64_t perSample = shape.floating ? kPeakBytesPerFloatSample
                               : shape.deep   ? kPeakBytesPerDeepSample
                                              : kPeakBytesPerSample;
    const uint64_t raster = shape.rgbaRaster ? uint64_t{shape.width} * shape.height * 4 : 0;
    return samples * perSample + raster + 2 * fileBytes;
}

bool DecodeImage(const uint8_t* data, size_t size, Image* image, std::string* error, const ShapeCheck& check) {
    ImageShape shape;
    if (!ReadShape(data, size, &shape, error) || !JudgeShape(shape, size, check, error)) return false;
    if (HasPngSignature(data, size)) return DecodePng(data, size, image, error);
    if (HasBinaryPnmMagic(data, size)) return DecodePnm(data, size, image, error);
    if (HasTiffSignature(data, size)) return DecodeTiff(data, size, image, error);
    return DecodeJpeg(data, size, image, error);
}

bool ReadImage(const std::string& path, Image* image, std::string* error, const ShapeCheck& check) {
    std::FILE* file = kelvo::OpenFile(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    const bool read = ReadImageStream(file, path, image, error, check);
    std::fclose(file);
    return read;
}

bool ReadImageStream(std::FILE* file, const std::string& path, Image* image, std::string* error,
                     const ShapeCheck& check) {
    // The header comes first and says how large the file may be; reading
    // stops there, so that a device or an endless stream cannot fill memory.
    std::vector<uint8_t> bytes;
    uint64_t limit = kHeaderBytes;
    bool judged = false;
    std::string why;
    uint8_t chunk[1 << 16];
    for (;;) {
        const uint64_t room = limit + 1 - bytes.size();
        const size_t n = std::fread(chunk, 1, room < sizeof chunk ? static_cast<size_t>(room) : sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n == 0) break;
        if (bytes.size() <= limit) continue;
        if (!judged) {
            bool provisional = false;
            if (!FileSizeLimit(bytes.data(), bytes.size(), check, &limit, &provisional, &why)) {
                *error = "'" + path + "': " + why;
                return false;
            }
            judged = !provisional;
        }
        if (bytes.size() > limit) {
            *error = "'" + path + "': the file is longer than its image can be (more than " + std::to_string(limit) +
                     " bytes)";
            return false;
        }
    }
    if (std::ferror(file) != 0) {
        *error = "cannot read '" + path + "': " + std::strerror(errno);
        return false;
    }
    if (!DecodeImage(bytes.data(), bytes.size(), image, &why, check)) {
        *error = "'" + path + "': " + why;
        return false;
    }
    return true;
}

bool FormatHoldsChannels(ImageFormat format, int32_t channels, std::string* error) {
    const std::string have = "this image has " + std::to_string(channels) + " channel" + (channels == 1 ? "" : "s");
    switch (format) {
        case ImageFormat::Png:
            if (channels >= 1 && channels <= 4) return true;
            *error = "a PNG file holds 1 to 4 channels; " + have;
            return false;
        case ImageFormat::Ppm:
            if (channels == 1 || channels == 3) return true;
            *error = "a PPM file holds RGB without alpha; " + have + " (write a .png instead)";
            return false;
        case ImageFormat::Pgm:
            if (channels == 1) return true;
            *error = "a PGM file holds one grey channel; " + have + " (write a .png or .ppm instead)";
            return false;
        case ImageFormat::Pnm:
            if (channels == 1 || channels == 3) return true;
            *error = "a PNM file holds grey or RGB without alpha; " + have + " (write a .png instead)";
            return false;
        case ImageFormat::Jpeg:
            if (channels == 1 || channels == 3) return true;
            *error = "a JPEG file holds grey or RGB without alpha; " + have + " (write a .png instead)";
            return false;
        case ImageFormat::Tiff:
            if (!TiffCodecBuilt()) {
                *error = kNoTiffMessage;
                return false;
            }
            if (channels >= 1 && channels <= 4) return true;
            *error = "a TIFF file is written with 1 to 4 channels; " + have;
            return false;
        case ImageFormat::Unknown:
            break;
    }
    *error = "unknown image format (use " KELVO_OUTPUT_EXTENSIONS ")";
    return false;
}

bool FormatCanWrite(ImageFormat format, const ImageShape& shape, std::string* error) {
    if (!FormatHoldsChannels(format, shape.channels, error)) return false;
    return format != ImageFormat::Png || PngWriterTakes(shape, error);
}

bool EncodeImage(const Image& image, ImageFormat format, std::vector<uint8_t>* bytes, std::string* error,
                 const EncodeOptions& options) {
    if (!ImageIsValid(image)) {
        *error = "invalid image";
        return false;
    }
    if (!FormatHoldsChannels(format, image.channels, error)) return false;
    if (options.jpegQuality < 1 || options.jpegQuality > 100) {
        *error = "JPEG quality " + std::to_string(options.jpegQuality) + " is out of range (1..100)";
        return false;
    }
    ImageMetadata metadata = image.metadata;
    std::vector<std::string> losses;
    FitMetadata(format, image, &metadata, &losses);
    bool encoded = false;
    if (format == ImageFormat::Tiff) {
        encoded = EncodeTiff(image, metadata, bytes, error, &losses);
    } else {
        // Floating-point samples go to the other formats at 16 bits.
        Image wide;
        if (!image.floats.empty()) wide = SixteenBitCopy(image);
        const Image& samples = image.floats.empty() ? image : wide;
        if (format == ImageFormat::Png)
            encoded = EncodePngFile(samples, metadata, bytes, error);
        else if (format == ImageFormat::Jpeg)
            encoded = EncodeJpeg(samples, metadata, options.jpegQuality, bytes, error);
        else
            encoded = EncodePnm(samples, format == ImageFormat::Ppm || image.channels == 3, bytes);
    }
    if (options.losses != nullptr) options.losses->insert(options.losses->end(), losses.begin(), losses.end());
    return encoded;
}

bool WriteImage(const std::string& path, const Image& image, std::string* error, const EncodeOptions& options) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!EncodeImage(image, FormatFromPath(path), &bytes, &why, options)) {
        *error = "'" + path + "': " + why;
        return false;
    }
    if (!kelvo::ReplaceFileContents(path.c_str(), bytes.data(), bytes.size(), &why)) {
        *error = "cannot write '" + path + "': " + why;
        return false;
    }
    return true;
}

}  // namespace kelvo::image
