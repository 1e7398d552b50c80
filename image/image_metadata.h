// What an image file says about its pixels besides the pixels: colour profile,
// camera data, text, resolution and gamma. Read from PNG and JPEG files and
// written back into the output so that a render changes only the pixels; the
// orientation tag inside EXIF is carried as it is (the pixels are never turned).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::image {

// The PNG names of the chunks carried from a PNG to a PNG unchanged.
struct PngChunk {
    char type[5] = {};          // "tEXt", "zTXt", "iTXt"
    std::vector<uint8_t> data;  // the chunk's data, as stored
};

struct ImageMetadata {
    std::vector<uint8_t> iccProfile;       // the ICC profile, uncompressed; empty: none
    std::string iccName;                   // PNG iCCP profile name (1..79 Latin-1 characters)
    std::vector<uint8_t> exif;             // EXIF as a TIFF structure (PNG eXIf; JPEG APP1 after "Exif\0\0")
    std::vector<uint8_t> xmp;              // an XMP packet (PNG iTXt "XML:com.adobe.xmp", JPEG APP1)
    std::vector<PngChunk> pngText;         // tEXt, zTXt and iTXt chunks other than XMP
    std::vector<std::vector<uint8_t>> comments;  // JPEG COM segments
    std::vector<std::vector<uint8_t>> photoshop; // JPEG APP13 segments (IPTC captions, keywords), JPEG to JPEG

    // Pixel density, as PNG pHYs holds it: unit 1 is per metre, 0 only an aspect.
    bool hasResolution = false;
    uint32_t pixelsPerUnitX = 0;
    uint32_t pixelsPerUnitY = 0;
    uint8_t resolutionUnit = 0;

    bool hasGamma = false;
    uint32_t gamma = 0;                    // PNG gAMA: gamma times 100000
    bool hasChromaticities = false;
    uint8_t chromaticities[32] = {};       // PNG cHRM data, as stored
    bool hasSrgbIntent = false;
    uint8_t srgbIntent = 0;                // PNG sRGB rendering intent

    // A TIFF's compression (libtiff's number), taken again when the image is
    // written as TIFF; 0 for the other formats.
    uint16_t tiffCompression = 0;

    // What the reader found and could not take along (a damaged profile, a
    // profile in pieces that are missing), one message each.
    std::vector<std::string> notCarried;
};

// The four-letter colour space in an ICC profile's header ("RGB ", "GRAY",
// "CMYK"), or "" for a profile too short to have one.
std::string IccColourSpace(const std::vector<uint8_t>& profile);

// True when the profile describes pixels of that many channels: a grey
// profile for 1 or 2, an RGB profile for 3 or 4.
bool IccFitsChannels(const std::vector<uint8_t>& profile, int32_t channels);

// The largest ICC profile read or written: what 255 JPEG APP2 segments hold.
constexpr size_t kMaxIccProfileBytes = 255 * size_t{65519};

}  // namespace kelvo::image
