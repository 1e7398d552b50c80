#include "image_io.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "replace_file.h"

// The PNG decoder and encoder come from the stb headers, compiled here once.
// Files are read and written by our own code, so stb works on memory only.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_FAILURE_USERMSG
#include "stb_image.h"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include "stb_image_write.h"
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace imageio {
namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Largest width or height we accept from a file; large enough for any image the
// filters can take, small enough that the pixel count cannot overflow.
constexpr uint32_t kMaxSide = 1u << 24;

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool EndsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// ---- Netpbm ------------------------------------------------------------------------

bool IsPnmSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Reads one unsigned decimal header field, skipping blanks and '#' comments
// before it. Stops after the last digit.
bool ReadPnmNumber(const uint8_t* data, size_t size, size_t* pos, uint32_t* value) {
    size_t p = *pos;
    for (;;) {
        while (p < size && IsPnmSpace(data[p])) ++p;
        if (p < size && data[p] == '#') {
            while (p < size && data[p] != '\n' && data[p] != '\r') ++p;
            continue;
        }
        break;
    }
    if (p >= size || !std::isdigit(data[p])) return false;
    uint64_t v = 0;
    while (p < size && std::isdigit(data[p])) {
        v = v * 10 + static_cast<uint64_t>(data[p] - '0');
        if (v > UINT32_MAX) return false;
        ++p;
    }
    *pos = p;
    *value = static_cast<uint32_t>(v);
    return true;
}

bool DecodePnm(const uint8_t* data, size_t size, Image* image, std::string* error) {
    const int32_t channels = data[1] == '6' ? 3 : 1;
    size_t pos = 2;
    uint32_t width = 0, height = 0, maxValue = 0;
    if (!ReadPnmNumber(data, size, &pos, &width) || !ReadPnmNumber(data, size, &pos, &height) ||
        !ReadPnmNumber(data, size, &pos, &maxValue)) {
        *error = "damaged netpbm header";
        return false;
    }
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        *error = "netpbm image has an unsupported size (" + std::to_string(width) + " x " + std::to_string(height) + ")";
        return false;
    }
    if (maxValue == 0 || maxValue > 255) {
        *error = "netpbm maximum value " + std::to_string(maxValue) + " is not supported (8-bit samples only)";
        return false;
    }
    // Exactly one blank separates the header from the samples.
    if (pos >= size || !IsPnmSpace(data[pos])) {
        *error = "damaged netpbm header";
        return false;
    }
    ++pos;
    const uint64_t count = static_cast<uint64_t>(width) * height * static_cast<uint64_t>(channels);
    if (count > size - pos) {
        *error = "netpbm file is truncated";
        return false;
    }
    Image result;
    result.width = static_cast<int32_t>(width);
    result.height = static_cast<int32_t>(height);
    result.channels = channels;
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
    const int n = std::snprintf(header, sizeof header, "P%c\n%d %d\n255\n", colour ? '6' : '5',
                                static_cast<int>(image.width), static_cast<int>(image.height));
    bytes->assign(header, header + n);
    const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (colour && image.channels == 1) {
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
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 0);
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
    result.pixels.assign(pixels, pixels + ImageBytes(result));
    stbi_image_free(pixels);
    *image = std::move(result);
    return true;
}

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

bool EncodePng(const Image& image, std::vector<uint8_t>* bytes, std::string* error) {
    if (RowBytes(image) > static_cast<size_t>(INT_MAX) / 2) {
        *error = "image too wide for PNG output";
        return false;
    }
    bytes->clear();
    if (stbi_write_png_to_func(AppendBytes, bytes, image.width, image.height, image.channels, image.pixels.data(),
                               static_cast<int>(RowBytes(image))) == 0) {
        *error = "PNG encoding failed";
        return false;
    }
    return true;
}

}  // namespace

ImageFormat FormatFromPath(const std::string& path) {
    const std::string p = Lower(path);
    if (EndsWith(p, ".png")) return ImageFormat::Png;
    if (EndsWith(p, ".ppm")) return ImageFormat::Ppm;
    if (EndsWith(p, ".pgm")) return ImageFormat::Pgm;
    if (EndsWith(p, ".pnm")) return ImageFormat::Pnm;
    return ImageFormat::Unknown;
}

bool ImageIsValid(const Image& image) {
    return image.width > 0 && image.height > 0 && image.channels >= 1 && image.channels <= 4 &&
           static_cast<uint32_t>(image.width) <= kMaxSide && static_cast<uint32_t>(image.height) <= kMaxSide &&
           image.pixels.size() == ImageBytes(image);
}

bool DecodeImage(const uint8_t* data, size_t size, Image* image, std::string* error) {
    if (data != nullptr && size >= sizeof kPngSignature && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0)
        return DecodePng(data, size, image, error);
    if (data != nullptr && size >= 2 && data[0] == 'P' && (data[1] == '5' || data[1] == '6'))
        return DecodePnm(data, size, image, error);
    if (data != nullptr && size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '7') {
        *error = "only binary PGM (P5) and PPM (P6) netpbm files are supported";
        return false;
    }
    *error = size == 0 ? "the file is empty" : "not a PNG, PGM or PPM file";
    return false;
}

bool ReadImage(const std::string& path, Image* image, std::string* error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        *error = "cannot read '" + path + "'";
        return false;
    }
    std::string why;
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
        case ImageFormat::Unknown:
            break;
    }
    *error = "unknown image format (use .png, .ppm, .pgm or .pnm)";
    return false;
}

bool EncodeImage(const Image& image, ImageFormat format, std::vector<uint8_t>* bytes, std::string* error) {
    if (!ImageIsValid(image)) {
        *error = "invalid image";
        return false;
    }
    if (!FormatHoldsChannels(format, image.channels, error)) return false;
    if (format == ImageFormat::Png) return EncodePng(image, bytes, error);
    return EncodePnm(image, format == ImageFormat::Ppm || image.channels == 3, bytes);
}

bool WriteImage(const std::string& path, const Image& image, std::string* error) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!EncodeImage(image, FormatFromPath(path), &bytes, &why)) {
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
