#include "image_io.h"

#include <cctype>
#include <cerrno>
#include <climits>
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

#define STBI_NO_STDIO
#include "stb_image.h"

namespace imageio {
namespace {

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
    if (width <= kMaxDecodeSide && height <= kMaxDecodeSide && pixels <= kMaxDecodePixels) return true;
    *error = "the image is " + std::to_string(width) + " x " + std::to_string(height) + " pixels; ";
    if (width > kMaxDecodeSide || height > kMaxDecodeSide)
        *error += "the filters take at most " + std::to_string(kMaxDecodeSide) + " pixels per side";
    else
        *error += "at most " + std::to_string(kMaxDecodePixels) + " pixels (" +
                  std::to_string(kMaxDecodePixels >> 20) + " megapixels) are read, so that the image and its result fit in " +
                  std::to_string(kMaxDecodePixels * 8 >> 30) + " GiB";
    return false;
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
        *error = "damaged netpbm header";
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
    if (!DimensionsFit(header.width, header.height, error)) return false;
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
    if (!ReadPngHeader(data, size, &header, error) || !DimensionsFit(header.width, header.height, error) ||
        !CheckPngChunks(data, size, error))
        return false;
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

// The most bytes a file with this header can need: the samples of a netpbm
// file; for a PNG, its raw rows (up to 8 bytes a pixel, stored without
// compression) and room for metadata; for a JPEG, the same bound (a JPEG at
// the highest quality stays well below 8 bytes a pixel). False with the reason
// for a file whose first bytes are no image header we take, or declare a size
// we refuse. A JPEG whose frame header lies beyond the bytes read so far gets
// a provisional limit a header's worth further (*provisional), up to
// kMaxJpegPrefixBytes of metadata.
bool FileSizeLimit(const uint8_t* data, size_t size, uint64_t* limit, bool* provisional, std::string* error) {
    if (HasPngSignature(data, size)) {
        PngHeader header;
        if (!ReadPngHeader(data, size, &header, error) || !DimensionsFit(header.width, header.height, error))
            return false;
        const uint64_t raw = static_cast<uint64_t>(header.height) * (1 + uint64_t{8} * header.width);
        *limit = raw + raw / 64 + (uint64_t{64} << 20);
        return true;
    }
    if (HasBinaryPnmMagic(data, size)) {
        PnmHeader header;
        if (!ReadPnmHeader(data, size, &header, error) || !DimensionsFit(header.width, header.height, error))
            return false;
        *limit = header.samples + static_cast<uint64_t>(header.width) * header.height * header.channels *
                                      (header.maxValue > 255 ? 2 : 1);
        return true;
    }
    if (HasJpegSignature(data, size)) {
        if (size < kMaxJpegPrefixBytes && JpegPrefixIncomplete(data, size)) {
            *limit = size + kHeaderBytes;
            *provisional = true;
            return true;
        }
        JpegHeader header;
        if (!ReadJpegHeader(data, size, &header, error) || !DimensionsFit(header.width, header.height, error))
            return false;
        const uint64_t raw = static_cast<uint64_t>(header.height) * (1 + uint64_t{8} * header.width);
        *limit = raw + raw / 64 + (uint64_t{64} << 20);
        return true;
    }
    Image unused;
    return DecodeImage(data, size, &unused, error);  // says what the bytes are not
}

}  // namespace

ImageFormat FormatFromPath(const std::string& path) {
    const std::string p = Lower(path);
    if (EndsWith(p, ".png")) return ImageFormat::Png;
    if (EndsWith(p, ".ppm")) return ImageFormat::Ppm;
    if (EndsWith(p, ".pgm")) return ImageFormat::Pgm;
    if (EndsWith(p, ".pnm")) return ImageFormat::Pnm;
    if (EndsWith(p, ".jpg") || EndsWith(p, ".jpeg")) return ImageFormat::Jpeg;
    return ImageFormat::Unknown;
}

bool ImageIsValid(const Image& image) {
    return image.width > 0 && image.height > 0 && image.channels >= 1 && image.channels <= 4 &&
           static_cast<uint32_t>(image.width) <= kMaxSide && static_cast<uint32_t>(image.height) <= kMaxSide &&
           image.pixels.size() == ImageBytes(image) && (image.deep.empty() || image.deep.size() == ImageBytes(image));
}

bool DecodeImage(const uint8_t* data, size_t size, Image* image, std::string* error) {
    if (HasPngSignature(data, size))
        return DecodePng(data, size, image, error);
    if (HasBinaryPnmMagic(data, size))
        return DecodePnm(data, size, image, error);
    if (HasJpegSignature(data, size)) {
        JpegHeader header;
        return ReadJpegHeader(data, size, &header, error) && DimensionsFit(header.width, header.height, error) &&
               DecodeJpeg(data, size, image, error);
    }
    if (data != nullptr && size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '7') {
        *error = "only binary PGM (P5) and PPM (P6) netpbm files are supported";
        return false;
    }
    *error = size == 0 ? "the file is empty" : "not a PNG, JPEG, PGM or PPM file";
    return false;
}

bool ReadImage(const std::string& path, Image* image, std::string* error) {
    std::FILE* file = kelvo::OpenFile(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    const bool read = ReadImageStream(file, path, image, error);
    std::fclose(file);
    return read;
}

bool ReadImageStream(std::FILE* file, const std::string& path, Image* image, std::string* error) {
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
            if (!FileSizeLimit(bytes.data(), bytes.size(), &limit, &provisional, &why)) {
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
    if (!DecodeImage(bytes.data(), bytes.size(), image, &why)) {
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
        case ImageFormat::Unknown:
            break;
    }
    *error = "unknown image format (use .png, .jpg, .ppm, .pgm or .pnm)";
    return false;
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
    if (options.losses != nullptr) options.losses->insert(options.losses->end(), losses.begin(), losses.end());
    if (format == ImageFormat::Png) return EncodePngFile(image, metadata, bytes, error);
    if (format == ImageFormat::Jpeg) return EncodeJpeg(image, metadata, options.jpegQuality, bytes, error);
    return EncodePnm(image, format == ImageFormat::Ppm || image.channels == 3, bytes);
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

}  // namespace imageio
