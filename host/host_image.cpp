#include "host_image.h"

#include <cstring>

#include "deep_sample_types.h"

#include "image_io.h"

namespace kelvo::host {
namespace {

Image FromFile(const image::Image& file) {
    Image image;
    image.width = file.width;
    image.height = file.height;
    image.planes = file.channels;
    image.pixels = file.pixels;
    return image;
}

// Keeps what the target format can hold: the netpbm formats take one plane
// (grey) or three (colour), PNG up to four.
image::Image ToFile(const Image& image, image::ImageFormat format) {
    int32_t planes = image.planes;
    if (format == image::ImageFormat::Pgm) {
        planes = 1;
    } else if (format == image::ImageFormat::Ppm) {
        planes = 3;
    } else if (format == image::ImageFormat::Pnm) {
        planes = image.planes == 1 ? 1 : 3;
    } else if (planes > 4) {
        planes = 3;
    }
    Image converted = planes == image.planes ? image : ConvertPlanes(image, planes);
    if (planes == 1 && image.planes > 1) {
        // A grey file of a colour document shows plane 0, not a luma mix.
        converted = MakeImage(image.width, image.height, 1);
        for (size_t i = 0; i < converted.pixels.size(); ++i) converted.pixels[i] = image.pixels[i * image.planes];
    }
    image::Image file;
    file.width = converted.width;
    file.height = converted.height;
    file.channels = converted.planes;
    file.pixels = std::move(converted.pixels);
    return file;
}

}  // namespace

Image MakeImage(int32_t width, int32_t height, int32_t planes, uint8_t value) {
    Image image;
    if (width <= 0 || height <= 0 || planes <= 0) return image;
    image.width = width;
    image.height = height;
    image.planes = planes;
    image.pixels.assign(static_cast<size_t>(width) * height * planes, value);
    return image;
}

bool ReadImage(const std::string& path, Image* image, std::string* error) {
    image::Image file;
    if (!image::ReadImage(path, &file, error)) return false;
    if (file.width > kMaxAreaSide || file.height > kMaxAreaSide) {
        if (error)
            *error = path + ": a host rectangle holds at most " + std::to_string(kMaxAreaSide) +
                     " pixels in each direction";
        return false;
    }
    *image = FromFile(file);
    return true;
}

bool WriteImage(const std::string& path, const Image& image, std::string* error) {
    if (image.width <= 0 || image.height <= 0 || image.planes <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height * image.planes) {
        if (error) *error = path + ": no image to write";
        return false;
    }
    image::ImageFormat format = image::FormatFromPath(path);
    if (format == image::ImageFormat::Unknown) {
        if (error) *error = path + ": unknown extension (use .png, .ppm, .pgm or .pnm)";
        return false;
    }
    return image::WriteImage(path, ToFile(image, format), error);
}

Image ConvertPlanes(const Image& image, int32_t planes) {
    if (planes <= 0 || image.planes <= 0 || planes == image.planes) return image;
    Image out = MakeImage(image.width, image.height, planes, 255);
    const bool colour = image.planes >= 3;
    const int32_t colourPlanes = colour ? 3 : 1;
    const size_t count = static_cast<size_t>(image.width) * image.height;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* s = image.pixels.data() + i * image.planes;
        uint8_t* d = out.pixels.data() + i * planes;
        if (planes == 1) {
            d[0] = colour ? static_cast<uint8_t>(0.299 * s[0] + 0.587 * s[1] + 0.114 * s[2] + 0.5) : s[0];
            continue;
        }
        for (int32_t p = 0; p < planes; ++p) {
            if (p < colourPlanes) {
                d[p] = s[p];
            } else if (!colour && p < 3) {
                d[p] = s[0];  // grey spread to colour
            } else if (p < image.planes) {
                d[p] = s[p];  // extra planes (alpha) kept in place
            }
        }
    }
    return out;
}

Image WidenImage(const Image& eightBit, int32_t depth) {
    if (depth != 16 && depth != 32) return eightBit;
    Image deep = eightBit;
    deep.sampleBytes = depth / 8;
    deep.pixels.assign(eightBit.pixels.size() * static_cast<size_t>(deep.sampleBytes), 0);
    for (size_t i = 0; i < eightBit.pixels.size(); ++i) {
        const uint32_t v = eightBit.pixels[i];
        if (depth == 16) {
            const uint16_t s = static_cast<uint16_t>((v * 32768u + 127u) / 255u);
            std::memcpy(&deep.pixels[i * 2], &s, 2);
        } else {
            const float f = static_cast<float>(kelvo::SrgbDecode(v / 255.0));
            std::memcpy(&deep.pixels[i * 4], &f, 4);
        }
    }
    return deep;
}

Image ReduceImage(const Image& deep) {
    if (deep.sampleBytes == 1) return deep;
    Image image = deep;
    image.sampleBytes = 1;
    const size_t count = deep.pixels.size() / static_cast<size_t>(deep.sampleBytes);
    image.pixels.assign(count, 0);
    const kelvo::U16Samples u16(32768);
    const kelvo::F32Samples f32{true};
    for (size_t i = 0; i < count; ++i)
        image.pixels[i] = deep.sampleBytes == 2 ? u16.Reduce8(&deep.pixels[i * 2]) : f32.Reduce8(&deep.pixels[i * 4]);
    return image;
}

}  // namespace kelvo::host
