// What each output format holds of an image's metadata. Whatever it cannot
// hold is taken out before encoding and named, so that nothing is dropped
// without a word.
#pragma once

#include <string>
#include <vector>

#include "image_io.h"

namespace kelvo::image {

// Removes from *metadata what `format` cannot store for `image` and
// appends one message per loss to *losses: any metadata in a netpbm file;
// PNG text, gamma and chromaticities, an oversized EXIF or XMP packet, and the
// samples' 16 bits in a JPEG; PNG text, gamma, chromaticities, JPEG APP13 and
// comments in a TIFF; floating-point samples anywhere but in a TIFF; a colour
// profile that does not describe the image's channels (a CMYK profile of a
// JPEG read as RGB, a grey profile of an image written as a colour JPEG)
// anywhere.
void FitMetadata(ImageFormat format, const Image& image, ImageMetadata* metadata, std::vector<std::string>* losses);

}  // namespace kelvo::image
