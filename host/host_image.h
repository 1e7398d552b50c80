// The test host's document: an 8-bit image with interleaved planes, any plane
// count a host may hand a filter (1 to 5 and more), read from and written to
// PNG and PPM/PGM files through the shared image reader and writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::host {

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;           // interleaved planes per pixel
    std::vector<uint8_t> pixels;  // width * height * planes * sampleBytes bytes, rows without gaps
    // Bytes per sample: 1 (8 bits), 2 (16 bits, 0..32768, a deep document's
    // scale) or 4 (32 bits: IEEE float, linear light, 1.0 white).
    int32_t sampleBytes = 1;
};

// An 8-bit image as a deep document holds it: 16 bits as (v * 32768 + 127) /
// 255, 32 bits as linear light (the sRGB curve undone), as an editor converts
// a document's depth. depth 8 gives the image as it is.
Image WidenImage(const Image& eightBit, int32_t depth);

// A deep document back in 8 bits: 16 bits as (v * 255 + 16384) / 32768, 32
// bits clamped to 0..1 and sRGB-encoded. An 8-bit image comes back as it is.
Image ReduceImage(const Image& deep);

// Makes a width x height x planes image filled with `value`.
Image MakeImage(int32_t width, int32_t height, int32_t planes, uint8_t value = 0);

// Reads a PNG or a binary PPM/PGM file (recognised by content). Grey files give
// one plane, grey with alpha two, colour three, colour with alpha four.
bool ReadImage(const std::string& path, Image* image, std::string* error);

// Writes by extension (".png", ".ppm", ".pgm", ".pnm"). Images of more than four
// planes are cut to their first three; a ".ppm" takes the colour planes of a
// four-plane image and spreads a grey one; a ".pgm" takes plane 0.
bool WriteImage(const std::string& path, const Image& image, std::string* error);

// Changes the plane count: to 1 by luma (0.299, 0.587, 0.114) from planes 0..2,
// up by repeating plane 0 for a grey source and adding planes of 255 after
// the colour planes.
Image ConvertPlanes(const Image& image, int32_t planes);

}  // namespace kelvo::host
