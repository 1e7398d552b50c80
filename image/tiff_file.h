// TIFF files, in memory, through libtiff: read and written at 8 or 16 bits
// a sample (unsigned integers) or 32-bit floating point, grey, grey + alpha,
// RGB and RGBA, in strips or tiles, interleaved or in planes, uncompressed or
// compressed by any codec the libtiff build has (LZW, Deflate and PackBits
// always). Grey stored white-is-zero is turned around; premultiplied alpha is
// divided out. Other layouts of at most 8 bits a sample (palette, bilevel,
// CMYK, YCbCr, old-style JPEG) are read through libtiff's RGBA reader as
// 8-bit grey or RGB, with alpha where the file has it. Only a file's first
// image is read; the others are named as not carried.
//
// Metadata: the ICC profile (tag 34675), XMP (tag 700), the resolution and
// the EXIF tags of the first directory with the EXIF and GPS directories
// (tiff_directory.h) are read into ImageMetadata and written back.
//
// Written: the compression of a TIFF input when it was one of uncompressed,
// LZW, Deflate or PackBits, otherwise Deflate; LZW and Deflate with the
// differencing predictor (the floating-point one for float samples). Strips
// of about 256 KiB, samples interleaved, unassociated alpha, and the EXIF
// block's byte order (little-endian when there is none).
//
// libtiff's errors reach the caller's message (with its first warnings when
// a file cannot be read) through handlers given to each opened file, never
// the process's standard error; warnings about a file that reads are left
// out, the tags they concern being named as not carried.
//
// A Windows build made without libtiff's source (image/CMakeLists.txt) has
// TiffCodecBuilt() false: it recognises a TIFF file and says that this build
// reads and writes none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image_io.h"

namespace kelvo::image {

// True when this build reads and writes TIFF.
bool TiffCodecBuilt();

// What a build without the codec says of a TIFF file.
constexpr const char* kNoTiffMessage = "this build of kelvo-render reads and writes no TIFF (convert it to PNG first)";

// Decodes the first image of a TIFF file whose header ReadTiffHeader accepted
// and whose size DimensionsFit judged.
bool DecodeTiff(const uint8_t* data, size_t size, Image* image, std::string* error);

// Encodes the image with `metadata` (fitted to TIFF by FitMetadata): 8, 16 or
// 32-bit float samples as the image holds them. What cannot be written after
// all (an EXIF block that is no TIFF structure) is named in *losses.
bool EncodeTiff(const Image& image, const ImageMetadata& metadata, std::vector<uint8_t>* bytes, std::string* error,
                std::vector<std::string>* losses);

}  // namespace kelvo::image
