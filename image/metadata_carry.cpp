#include "metadata_carry.h"

#include <algorithm>

#include "jpeg_file.h"

namespace kelvo::image {
namespace {

bool HasAny(const ImageMetadata& m) {
    return !m.iccProfile.empty() || !m.exif.empty() || !m.xmp.empty() || !m.pngText.empty() || !m.comments.empty() ||
           !m.photoshop.empty() ||
           m.hasResolution || m.hasGamma || m.hasChromaticities || m.hasSrgbIntent;
}

std::string Trimmed(std::string space) {
    while (!space.empty() && space.back() == ' ') space.pop_back();
    return space.empty() ? "unknown" : space;
}

// JPEG comments as PNG text holds them: zero bytes at a comment's end end
// its text (C strings) and are dropped; a comment with a zero byte inside
// cannot be PNG text, and is dropped with a warning.
void FitCommentsToPng(std::vector<std::vector<uint8_t>>* comments, std::vector<std::string>* losses) {
    size_t dropped = 0;
    for (auto it = comments->begin(); it != comments->end();) {
        while (!it->empty() && it->back() == 0) it->pop_back();
        if (std::find(it->begin(), it->end(), 0) == it->end()) {
            ++it;
            continue;
        }
        it = comments->erase(it);
        ++dropped;
    }
    if (dropped > 0)
        losses->push_back(std::to_string(dropped) + " JPEG comment" + (dropped == 1 ? " holds" : "s hold") +
                          " a zero byte inside its text, which PNG text cannot hold: dropped");
}

}  // namespace

void FitMetadata(ImageFormat format, const Image& image, ImageMetadata* metadata, std::vector<std::string>* losses) {
    ImageMetadata& m = *metadata;
    m.notCarried.clear();
    const bool jpeg = format == ImageFormat::Jpeg;
    if (!image.floats.empty() && format != ImageFormat::Tiff)
        losses->push_back(std::string("the floating-point samples are written at ") + (jpeg ? "8" : "16") +
                          " bits: values below 0 or above 1 are clipped (write a .tif to keep them)");
    if (format == ImageFormat::Ppm || format == ImageFormat::Pgm || format == ImageFormat::Pnm) {
        if (HasAny(m))
            losses->push_back(std::string("netpbm files hold no metadata: ") +
                              (m.iccProfile.empty() ? "" : "the colour profile (colours may look different), ") +
                              "EXIF, text, resolution and gamma are dropped (write a .png or .jpg to keep them)");
        m = ImageMetadata{};
        return;
    }
    // A JPEG from stb always has three colour components.
    const int32_t stored = jpeg ? 3 : image.channels;
    if (!m.iccProfile.empty() && !IccFitsChannels(m.iccProfile, stored)) {
        losses->push_back("the colour profile is for " + Trimmed(IccColourSpace(m.iccProfile)) + " pixels and this " +
                          (jpeg ? "JPEG" : "image") + " holds " + (stored >= 3 ? "RGB" : "grey") +
                          " pixels: the profile is dropped and colours may look different");
        m.iccProfile.clear();
    }
    if (format == ImageFormat::Tiff) {
        if (!m.pngText.empty())
            losses->push_back("a TIFF holds no PNG text chunks: " + std::to_string(m.pngText.size()) + " dropped");
        if ((m.hasGamma || m.hasChromaticities) && m.iccProfile.empty() && !m.hasSrgbIntent)
            losses->push_back("a TIFF holds no gamma or chromaticities (PNG gAMA, cHRM): dropped, colours may look different");
        if (!m.photoshop.empty())
            losses->push_back("a TIFF is written without JPEG APP13 (IPTC captions and keywords): dropped");
        if (!m.comments.empty())
            losses->push_back("a TIFF holds no JPEG comments: " + std::to_string(m.comments.size()) + " dropped");
        m.pngText.clear();
        m.photoshop.clear();
        m.comments.clear();
        m.hasGamma = m.hasChromaticities = m.hasSrgbIntent = false;
        return;
    }
    if (!jpeg) {
        FitCommentsToPng(&m.comments, losses);
        if (!m.photoshop.empty())
            losses->push_back("a PNG holds no JPEG APP13 (IPTC captions and keywords): dropped");
        m.photoshop.clear();
        return;
    }
    if (!image.deep.empty()) losses->push_back("a JPEG holds 8 bits a sample: the 16-bit samples are rounded to 8 bits");
    if (m.iccProfile.size() > kMaxIccProfileBytes) {
        losses->push_back("the colour profile is too large for a JPEG and is dropped");
        m.iccProfile.clear();
    }
    if (m.exif.size() > kMaxJpegExifBytes) {
        losses->push_back("the EXIF data (" + std::to_string(m.exif.size()) +
                          " bytes) do not fit a JPEG segment and are dropped");
        m.exif.clear();
    }
    if (m.xmp.size() > kMaxJpegXmpBytes) {
        losses->push_back("the XMP packet does not fit a JPEG segment and is dropped");
        m.xmp.clear();
    }
    if (!m.pngText.empty())
        losses->push_back("a JPEG holds no PNG text chunks: " + std::to_string(m.pngText.size()) + " dropped");
    if ((m.hasGamma || m.hasChromaticities) && m.iccProfile.empty() && !m.hasSrgbIntent)
        losses->push_back("a JPEG holds no gamma or chromaticities (PNG gAMA, cHRM): dropped, colours may look different");
    m.pngText.clear();
    m.hasGamma = m.hasChromaticities = m.hasSrgbIntent = false;
}

}  // namespace kelvo::image
