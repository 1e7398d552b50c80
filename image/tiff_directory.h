// TIFF directories read and written as bytes, without the codec: the first
// directory's size fields, judged before anything is decoded (and before a
// stream is read to its end), and the EXIF tags moved between a TIFF file's
// first directory and a stand-alone EXIF block (itself a small TIFF
// structure, as JPEG APP1 and PNG eXIf hold it). Portable, so that a build
// without the TIFF codec still recognises a TIFF file and says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::image {

// True when the data start with a TIFF header: "II" or "MM", then 42 (TIFF)
// or 43 (BigTIFF).
bool HasTiffSignature(const uint8_t* data, size_t size);

// What the first directory says of the image's size and samples.
struct TiffHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t samplesPerPixel = 1;
    uint32_t bitsPerSample = 1;    // 0 when stored out of reach
    uint32_t sampleFormat = 1;     // 1 unsigned, 2 signed, 3 floating point
    uint32_t photometric = 1;      // when absent: RGB (2) for 3 samples or more, else black is zero (1)
    uint32_t extraSamples = 0;     // samples besides the colour ones (alpha)
    uint64_t directoryEnd = 0;     // the byte just past the first directory's entries
};

// How the TIFF decoder reads a layout, and what it gives.
struct TiffDecoding {
    int32_t channels = 0;      // 0: a layout that is not read
    bool throughRgba = false;  // through libtiff's RGBA reader: 8-bit samples, a 4-byte raster a pixel besides
    bool deep = false;         // 16-bit samples
    bool floating = false;     // 32-bit floating-point samples
};

// Grey and RGB, with or without alpha, at 8 or 16 bits or as 32-bit floats,
// are read sample by sample; any other layout of up to 8 bits a sample goes
// through libtiff's RGBA reader and comes out grey (black is zero or white is
// zero) or RGB (palette, CMYK, YCbCr, Lab and the rest), with alpha when the
// file stores extra samples.
TiffDecoding TiffDecodingOf(uint32_t photometric, uint32_t samplesPerPixel, uint32_t bitsPerSample,
                            uint32_t sampleFormat, uint32_t extraSamples);

// Reads the first directory. When it lies (partly) beyond `size`, returns
// true with *incomplete set and only directoryEnd known: more of the file is
// to be read. False with a message for a header that is no TIFF we read.
bool ReadTiffHeader(const uint8_t* data, size_t size, TiffHeader* header, bool* incomplete, std::string* error);

// The tags of a classic TIFF's first directory, in the order stored; empty
// for a BigTIFF or a directory out of the data.
std::vector<uint16_t> TiffFirstDirectoryTags(const uint8_t* data, size_t size);

// An EXIF block made of the first directory's EXIF tags (ImageDescription,
// Make, Model, Orientation, Software, DateTime, Artist, HostComputer,
// Copyright, and the EXIF and GPS directories with what they point to), in
// the file's byte order; empty when the file has none of them or is BigTIFF.
std::vector<uint8_t> ExifFromTiff(const uint8_t* data, size_t size);

// True for an EXIF block in big-endian ("MM") byte order: the TIFF that is to
// take it is written in the same order, so that its values move unchanged.
bool ExifIsBigEndian(const std::vector<uint8_t>& exif);

// Adds the EXIF block's tags of that list to the first directory of a
// classic TIFF file in the same byte order: a new first directory is
// appended, holding the file's own entries (which win over the block's) and
// the block's, their values and sub-directories copied. False, the file
// untouched, when the block is no TIFF structure of that byte order.
bool AddExifToTiff(const std::vector<uint8_t>& exif, std::vector<uint8_t>* file);

}  // namespace kelvo::image
