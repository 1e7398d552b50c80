#include "tiff_file.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "deep_samples.h"
#include "tiff_directory.h"

namespace kelvo::image {
namespace {

// The most libtiff allocates at once while reading (a strip's or a tile's
// buffer, a tag's values); files are mapped, so the data are not copied.
constexpr tmsize_t kMaxLibtiffAllocation = tmsize_t{256} << 20;
constexpr size_t kStripBytes = size_t{256} << 10;
constexpr uint64_t kMaxTileBytes = uint64_t{256} << 20;

// ---- libtiff over memory, with our own message handlers ----------------------

// The file libtiff reads (data, size) or writes (out).
struct MemoryFile {
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    std::vector<uint8_t>* out = nullptr;
    uint64_t pos = 0;
    const uint8_t* Bytes() const { return out != nullptr ? out->data() : data; }
    uint64_t Size() const { return out != nullptr ? out->size() : size; }
};

MemoryFile& FileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t n) {
    MemoryFile& f = FileOf(handle);
    if (n < 0 || f.pos >= f.Size()) return 0;
    const uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(n), f.Size() - f.pos);
    std::memcpy(buffer, f.Bytes() + f.pos, static_cast<size_t>(count));
    f.pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t n) {
    MemoryFile& f = FileOf(handle);
    if (f.out == nullptr || n < 0) return -1;
    const uint64_t end = f.pos + static_cast<uint64_t>(n);
    if (end > UINT32_MAX) return -1;  // a classic TIFF ends within 4 GiB
    if (end > f.out->size()) f.out->resize(static_cast<size_t>(end));
    std::memcpy(f.out->data() + f.pos, buffer, static_cast<size_t>(n));
    f.pos = end;
    return n;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    MemoryFile& f = FileOf(handle);
    const uint64_t base = whence == SEEK_CUR ? f.pos : whence == SEEK_END ? f.Size() : 0;
    f.pos = base + offset;
    return f.pos;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return FileOf(handle).Size(); }

int MapProc(thandle_t handle, void** base, toff_t* size) {
    MemoryFile& f = FileOf(handle);
    if (f.out != nullptr) return 0;
    *base = const_cast<uint8_t*>(f.data);
    *size = f.size;
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// What libtiff said about one file: the first error (the cause; later ones
// follow from it) and the first few warnings.
struct Messages {
    std::string error;
    std::vector<std::string> warnings;
};

std::string Format(const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    return module != nullptr && *module != '\0' ? std::string(module) + ": " + text : std::string(text);
}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* messages = static_cast<Messages*>(user);
    if (messages->error.empty()) messages->error = Format(module, format, args);
    return 1;  // handled: libtiff's process-wide handler (standard error) is not called
}

int OnWarning(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* messages = static_cast<Messages*>(user);
    if (messages->warnings.size() < 3) messages->warnings.push_back(Format(module, format, args));
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

TiffHandle Open(MemoryFile* file, const char* mode, Messages* messages) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, messages);
    if (file->out == nullptr) TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibtiffAllocation);
    TIFF* tif = TIFFClientOpenExt("TIFF", mode, file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                                  UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return TiffHandle(tif);
}

std::string Failure(const char* what, const Messages& messages) {
    std::string text = std::string(what) + ": " + (messages.error.empty() ? "unknown error" : messages.error);
    for (const std::string& w : messages.warnings) text += "; " + w;
    return text;
}

// ---- Reading -----------------------------------------------------------------

struct Layout {
    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK, compression = COMPRESSION_NONE;
    uint16_t extraSamples = 0;
    bool associatedAlpha = false;
};

Layout ReadLayout(TIFF* tif) {
    Layout l;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l.format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes)) l.extraSamples = extraCount;
    if (extraCount > 0 && extraTypes != nullptr) l.associatedAlpha = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    return l;
}

TiffDecoding DecodingOf(const Layout& l) {
    return TiffDecodingOf(l.photometric, l.samples, l.bits, l.format, l.extraSamples);
}

std::string Describe(const Layout& l) {
    const char* format = l.format == SAMPLEFORMAT_IEEEFP ? "floating-point" : l.format == SAMPLEFORMAT_INT ? "signed"
                                                                                                           : "unsigned";
    return std::to_string(l.samples) + " " + format + " sample" + (l.samples == 1 ? "" : "s") + " of " +
           std::to_string(l.bits) + " bits a pixel, photometric interpretation " + std::to_string(l.photometric);
}

// The samples of every plane, interleaved into `raw` (width x height x
// samples x bytes), from strips or tiles.
bool ReadSamples(TIFF* tif, const Layout& l, std::vector<uint8_t>* raw, const Messages& messages, std::string* error) {
    const size_t sampleBytes = l.bits / 8u;
    const size_t channels = l.samples;
    const bool separate = l.planar == PLANARCONFIG_SEPARATE && channels > 1;
    const size_t planes = separate ? channels : 1;
    const size_t unit = (separate ? 1 : channels) * sampleBytes;  // one pixel of one plane
    const size_t w = l.width, h = l.height;
    raw->assign(w * h * channels * sampleBytes, 0);
    const auto place = [&](const uint8_t* from, size_t x, size_t y, size_t n, size_t plane) {
        uint8_t* to = raw->data() + (y * w + x) * channels * sampleBytes;
        if (!separate) {
            std::memcpy(to, from, n * unit);
            return;
        }
        for (size_t i = 0; i < n; ++i)
            std::memcpy(to + (i * channels + plane) * sampleBytes, from + i * sampleBytes, sampleBytes);
    };
    if (TIFFIsTiled(tif)) {
        uint32_t tw = 0, th = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
        const uint64_t need = uint64_t{tw} * th * unit;
        if (tw == 0 || th == 0 || need > kMaxTileBytes || TIFFTileSize64(tif) < need) {
            *error = "TIFF file is damaged: tiles of " + std::to_string(tw) + " x " + std::to_string(th) +
                     " pixels cannot be read";
            return false;
        }
        std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize64(tif)));
        for (size_t plane = 0; plane < planes; ++plane)
            for (size_t y = 0; y < h; y += th)
                for (size_t x = 0; x < w; x += tw) {
                    if (TIFFReadTile(tif, tile.data(), static_cast<uint32_t>(x), static_cast<uint32_t>(y), 0,
                                     static_cast<uint16_t>(plane)) < 0) {
                        *error = Failure("cannot decode TIFF", messages);
                        return false;
                    }
                    const size_t rows = std::min<size_t>(th, h - y), cols = std::min<size_t>(tw, w - x);
                    for (size_t r = 0; r < rows; ++r) place(tile.data() + r * tw * unit, x, y + r, cols, plane);
                }
        return true;
    }
    if (TIFFScanlineSize64(tif) < w * unit) {
        *error = "TIFF file is damaged: its rows are shorter than its width";
        return false;
    }
    std::vector<uint8_t> line(static_cast<size_t>(TIFFScanlineSize64(tif)));
    for (size_t plane = 0; plane < planes; ++plane)
        for (size_t y = 0; y < h; ++y) {
            if (TIFFReadScanline(tif, line.data(), static_cast<uint32_t>(y), static_cast<uint16_t>(plane)) < 0) {
                *error = Failure("cannot decode TIFF", messages);
                return false;
            }
            place(line.data(), 0, y, w, plane);
        }
    return true;
}

// Colour divided by alpha, for samples stored premultiplied.
template <typename T>
void DivideAlpha(T* samples, size_t pixels, int channels, double full) {
    for (size_t i = 0; i < pixels; ++i) {
        T* p = samples + i * static_cast<size_t>(channels);
        const double a = p[channels - 1];
        if (!(a > 0)) continue;
        for (int c = 0; c < channels - 1; ++c) {
            const double v = p[c] * full / a;
            p[c] = static_cast<T>(full > 1 ? std::min(full, std::floor(v + 0.5)) : v);
        }
    }
}

// The samples of a layout read sample by sample.
bool ReadDirect(TIFF* tif, const Layout& l, Image* image, const Messages& messages, std::string* error) {
    std::vector<uint8_t> raw;
    if (!ReadSamples(tif, l, &raw, messages, error)) return false;
    image->width = static_cast<int32_t>(l.width);
    image->height = static_cast<int32_t>(l.height);
    image->channels = l.samples;
    const size_t count = ImageBytes(*image);
    const size_t pixels = count / l.samples;
    const bool alpha = l.samples == 2 || l.samples == 4;
    const bool invert = l.photometric == PHOTOMETRIC_MINISWHITE;
    image->pixels.resize(count);
    if (l.bits == 8) {
        image->pixels = std::move(raw);
        if (invert)
            for (size_t i = 0; i < count; i += l.samples) image->pixels[i] = static_cast<uint8_t>(255 - image->pixels[i]);
        if (alpha && l.associatedAlpha) DivideAlpha(image->pixels.data(), pixels, l.samples, 255.0);
    } else if (l.bits == 16) {
        image->deep.resize(count);
        std::memcpy(image->deep.data(), raw.data(), count * 2);
        if (invert)
            for (size_t i = 0; i < count; i += l.samples) image->deep[i] = static_cast<uint16_t>(65535 - image->deep[i]);
        if (alpha && l.associatedAlpha) DivideAlpha(image->deep.data(), pixels, l.samples, 65535.0);
        for (size_t i = 0; i < count; ++i) image->pixels[i] = kelvo::Reduce16(image->deep[i]);
    } else {
        image->floats.resize(count);
        std::memcpy(image->floats.data(), raw.data(), count * 4);
        if (invert)
            for (size_t i = 0; i < count; i += l.samples) image->floats[i] = 1.0f - image->floats[i];
        if (alpha && l.associatedAlpha) DivideAlpha(image->floats.data(), pixels, l.samples, 1.0);
        for (size_t i = 0; i < count; ++i) image->pixels[i] = kelvo::ReduceUnit(image->floats[i]);
    }
    return true;
}

// Any other layout libtiff turns into 8-bit RGBA: grey stays grey, alpha is
// kept only where the file has it, and the rows stay in the file's order (the
// orientation tag travels with the EXIF tags, as for the other layouts).
bool ReadThroughRgba(TIFF* tif, const Layout& l, Image* image, const Messages& messages, std::string* error) {
    char reason[1024] = {};
    TIFFRGBAImage rgba;
    if (!TIFFRGBAImageBegin(&rgba, tif, 0, reason)) {
        *error = "TIFF layout not read (" + Describe(l) + "): " + reason;
        return false;
    }
    rgba.req_orientation = rgba.orientation;
    const size_t pixels = size_t{l.width} * l.height;
    std::vector<uint32_t> raster(pixels);
    const bool read = TIFFRGBAImageGet(&rgba, raster.data(), l.width, l.height) != 0;
    TIFFRGBAImageEnd(&rgba);
    if (!read) {
        *error = Failure("cannot decode TIFF", messages);
        return false;
    }
    image->width = static_cast<int32_t>(l.width);
    image->height = static_cast<int32_t>(l.height);
    image->channels = DecodingOf(l).channels;
    const bool grey = image->channels <= 2, alpha = image->channels % 2 == 0;
    image->pixels.resize(ImageBytes(*image));
    uint8_t* out = image->pixels.data();
    for (uint32_t p : raster) {
        *out++ = static_cast<uint8_t>(TIFFGetR(p));
        if (!grey) {
            *out++ = static_cast<uint8_t>(TIFFGetG(p));
            *out++ = static_cast<uint8_t>(TIFFGetB(p));
        }
        if (alpha) *out++ = static_cast<uint8_t>(TIFFGetA(p));
    }
    // libtiff's RGBA pixels are premultiplied.
    if (alpha) DivideAlpha(image->pixels.data(), pixels, image->channels, 255.0);
    return true;
}

// Tags of a first directory that the reader uses or carries.
bool TagIsRead(uint16_t tag) {
    static const uint16_t kRead[] = {254, 255, 256, 257, 258, 259, 262, 266, 270, 271, 272, 273, 274, 277, 278, 279,
                                     282, 283, 284, 296, 305, 306, 315, 316, 317, 320, 322, 323, 324, 325, 338, 339,
                                     347, 529, 530, 531, 532, 700, 33432, 34665, 34675, 34853};
    return std::find(std::begin(kRead), std::end(kRead), tag) != std::end(kRead);
}

std::string TagName(uint16_t tag) {
    switch (tag) {
        case 269: return "269 (document name)";
        case 285: return "285 (page name)";
        case 297: return "297 (page number)";
        case 318: return "318 (white point)";
        case 319: return "319 (primary chromaticities)";
        case 33723: return "33723 (IPTC)";
        case 34377: return "34377 (image resources)";
        case 37724: return "37724 (layer data)";
        default: return std::to_string(tag);
    }
}

void ReadMetadata(TIFF* tif, const uint8_t* data, size_t size, const Layout& l, ImageMetadata* m) {
    uint32_t count = 0;
    void* bytes = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &count, &bytes) && count > 0 && bytes != nullptr)
        m->iccProfile.assign(static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + count);
    if (TIFFGetField(tif, TIFFTAG_XMLPACKET, &count, &bytes) && count > 0 && bytes != nullptr)
        m->xmp.assign(static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + count);
    float x = 0, y = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y) && x > 0 && y > 0 &&
        (unit == RESUNIT_INCH || unit == RESUNIT_CENTIMETER || unit == RESUNIT_NONE)) {
        const double perMetre = unit == RESUNIT_INCH ? 1 / 0.0254 : unit == RESUNIT_CENTIMETER ? 100.0 : 1.0;
        const double px = std::round(x * perMetre), py = std::round(y * perMetre);
        if (px >= 1 && py >= 1 && px <= UINT32_MAX && py <= UINT32_MAX) {
            m->hasResolution = true;
            m->pixelsPerUnitX = static_cast<uint32_t>(px);
            m->pixelsPerUnitY = static_cast<uint32_t>(py);
            m->resolutionUnit = unit == RESUNIT_NONE ? 0 : 1;
        }
    }
    m->exif = ExifFromTiff(data, size);
    m->tiffCompression = l.compression;

    std::string dropped;
    for (uint16_t tag : TiffFirstDirectoryTags(data, size))
        if (!TagIsRead(tag)) dropped += (dropped.empty() ? "" : ", ") + TagName(tag);
    if (!dropped.empty()) m->notCarried.push_back("TIFF tags not carried: " + dropped);
    const tdir_t images = TIFFNumberOfDirectories(tif);
    if (images > 1)
        m->notCarried.push_back("the TIFF holds " + std::to_string(images) +
                                " images (pages, layers or a thumbnail); only the first is read and written");
}

// ---- Writing -----------------------------------------------------------------

uint16_t OutputCompression(uint16_t input) {
    switch (input) {
        case COMPRESSION_NONE:
        case COMPRESSION_LZW:
        case COMPRESSION_PACKBITS:
            return input;
        default:
            return COMPRESSION_ADOBE_DEFLATE;
    }
}

}  // namespace

bool TiffCodecBuilt() { return true; }

bool DecodeTiff(const uint8_t* data, size_t size, Image* image, std::string* error) {
    Messages messages;
    MemoryFile file;
    file.data = data;
    file.size = size;
    TiffHandle tif = Open(&file, "r", &messages);
    if (tif == nullptr) {
        *error = Failure("cannot decode TIFF", messages);
        return false;
    }
    const Layout l = ReadLayout(tif.get());
    if (l.width == 0 || l.height == 0 || l.width > kMaxAreaSide || l.height > kMaxAreaSide ||
        uint64_t{l.width} * l.height > kMaxDecodePixels) {
        *error = "TIFF image has an unsupported size (" + std::to_string(l.width) + " x " + std::to_string(l.height) + ")";
        return false;
    }
    if (!TIFFIsCODECConfigured(l.compression)) {
        *error = "TIFF compression " + std::to_string(l.compression) + " is not one this build decodes";
        return false;
    }
    Image result;
    bool read = false;
    const TiffDecoding decoding = DecodingOf(l);
    if (decoding.channels != 0 && !decoding.throughRgba) {
        read = ReadDirect(tif.get(), l, &result, messages, error);
    } else if (decoding.channels != 0) {
        read = ReadThroughRgba(tif.get(), l, &result, messages, error);
    } else {
        *error = "TIFF layout not read: " + Describe(l) +
                 " (read are grey and RGB, with or without alpha, at 8 or 16 bits or as 32-bit floating point)";
    }
    if (!read) return false;
    ReadMetadata(tif.get(), data, size, l, &result.metadata);
    *image = std::move(result);
    return true;
}

bool EncodeTiff(const Image& image, const ImageMetadata& m, std::vector<uint8_t>* bytes, std::string* error,
                std::vector<std::string>* losses) {
    std::vector<uint8_t> out;
    MemoryFile file;
    file.out = &out;
    Messages messages;
    const bool bigEndian = !m.exif.empty() && ExifIsBigEndian(m.exif);
    TiffHandle tif = Open(&file, bigEndian ? "wb" : "wl", &messages);
    if (tif == nullptr) {
        *error = Failure("TIFF encoding failed", messages);
        return false;
    }
    TIFF* t = tif.get();
    const bool floats = !image.floats.empty(), deep = !image.deep.empty();
    const uint16_t bits = floats ? 32 : deep ? 16 : 8;
    const size_t rowBytes = RowBytes(image) * (bits / 8u);
    const uint16_t compression = OutputCompression(m.tiffCompression);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.height));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(image.channels));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, floats ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, image.channels >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (image.channels == 2 || image.channels == 4) {
        const uint16_t alpha[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, alpha);
    }
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE)
        TIFFSetField(t, TIFFTAG_PREDICTOR, floats ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL);
    const size_t stripRows = std::min<size_t>(static_cast<size_t>(image.height), std::max<size_t>(1, kStripBytes / rowBytes));
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(stripRows));
    if (!m.iccProfile.empty())
        TIFFSetField(t, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(m.iccProfile.size()), m.iccProfile.data());
    if (!m.xmp.empty()) TIFFSetField(t, TIFFTAG_XMLPACKET, static_cast<uint32_t>(m.xmp.size()), m.xmp.data());
    if (m.hasResolution && m.pixelsPerUnitX > 0 && m.pixelsPerUnitY > 0) {
        const double scale = m.resolutionUnit == 1 ? 0.0254 : 1.0;  // per metre: written per inch
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, m.resolutionUnit == 1 ? RESUNIT_INCH : RESUNIT_NONE);
        TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<double>(m.pixelsPerUnitX * scale));
        TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<double>(m.pixelsPerUnitY * scale));
    }
    // libtiff may swap and difference a row in place: each goes through a copy.
    const uint8_t* source = floats ? reinterpret_cast<const uint8_t*>(image.floats.data())
                            : deep ? reinterpret_cast<const uint8_t*>(image.deep.data())
                                   : image.pixels.data();
    std::vector<uint8_t> row(rowBytes);
    for (int32_t y = 0; y < image.height; ++y) {
        std::memcpy(row.data(), source + static_cast<size_t>(y) * rowBytes, rowBytes);
        if (TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) < 0) {
            *error = Failure("TIFF encoding failed", messages);
            return false;
        }
    }
    if (!TIFFWriteDirectory(t) || !messages.error.empty()) {
        *error = Failure("TIFF encoding failed", messages);
        return false;
    }
    tif.reset();
    if (!messages.error.empty()) {
        *error = Failure("TIFF encoding failed", messages);
        return false;
    }
    if (!m.exif.empty() && !AddExifToTiff(m.exif, &out))
        losses->push_back("the EXIF data are no TIFF structure a TIFF file can take: dropped");
    *bytes = std::move(out);
    return true;
}

}  // namespace kelvo::image
