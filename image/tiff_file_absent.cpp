// The TIFF codec of a build without libtiff (the Windows programs): a TIFF
// file is recognised by its header and refused with a plain message.
#include "tiff_file.h"

namespace kelvo::image {

bool TiffCodecBuilt() { return false; }

bool DecodeTiff(const uint8_t*, size_t, Image*, std::string* error) {
    *error = kNoTiffMessage;
    return false;
}

bool EncodeTiff(const Image&, const ImageMetadata&, std::vector<uint8_t>*, std::string* error, std::vector<std::string>*) {
    *error = kNoTiffMessage;
    return false;
}

}  // namespace kelvo::image
