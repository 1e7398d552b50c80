// JPEG files, in memory: baseline and progressive JPEG read, baseline JPEG
// written, with the metadata segments carried (APP0 JFIF density, APP1 EXIF
// and XMP, APP2 ICC profile in as many pieces as it takes, COM).
//
// The codec is stb's (stb_image reads baseline and progressive files,
// stb_image_write writes baseline ones), already our PNG decoder, fuzzed here
// and built unchanged for every target, Windows included: Debian has no mingw
// build of libjpeg-turbo, and building that from source for two Windows
// targets would add a cross build of its own for what stb does well enough.
// What it costs: the writer chooses the chroma sampling from the quality
// (4:4:4 above 90, 4:2:0 at 90 and below), so the default quality of 92 keeps
// full colour resolution whatever the input had, and grey images are written
// as colour JPEGs with neutral chroma. 12-bit, lossless, hierarchical and
// arithmetic-coded JPEGs are refused from their frame header; CMYK ones are
// read as RGB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image_io.h"

namespace kelvo::image {

constexpr int kDefaultJpegQuality = 92;

struct JpegHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;
    uint8_t frameMarker = 0;  // SOF0..SOF15
};

// True when the data start with a JPEG start-of-image marker.
bool HasJpegSignature(const uint8_t* data, size_t size);

// True when the data are the start of a JPEG file that ends inside or right
// after its metadata segments, before the frame header: more is to be read.
bool JpegPrefixIncomplete(const uint8_t* data, size_t size);

// The most bytes read before a JPEG's frame header: its metadata segments
// (a phone's depth map in extended XMP can take several megabytes).
constexpr size_t kMaxJpegPrefixBytes = size_t{64} << 20;

// Walks the segments up to the frame header and reads the size from it.
// Frames stb cannot decode (lossless, arithmetic-coded, hierarchical, more
// than 8 bits a sample) are refused here, named.
bool ReadJpegHeader(const uint8_t* data, size_t size, JpegHeader* header, std::string* error);

// Decodes the pixels (1 or 3 channels) and the metadata segments.
bool DecodeJpeg(const uint8_t* data, size_t size, Image* image, std::string* error);

// Encodes a grey or RGB image at quality 1..100 with `metadata`, which stands
// for the image's own (fitted to JPEG by FitMetadata).
bool EncodeJpeg(const Image& image, const ImageMetadata& metadata, int quality, std::vector<uint8_t>* bytes,
                std::string* error);

// The most data one segment carries of EXIF (after "Exif\0\0") and of XMP
// (after its namespace name).
constexpr size_t kMaxJpegExifBytes = 65533 - 6;
constexpr size_t kMaxJpegXmpBytes = 65533 - 29;

}  // namespace kelvo::image
