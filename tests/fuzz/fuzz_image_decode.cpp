// The image decoders (PNG chunks, pixels and metadata chunks, JPEG segments
// and pixels, TIFF directories, strips, tiles and EXIF tags through libtiff,
// netpbm headers and samples) over arbitrary files. An odd first byte has
// every PNG chunk's CRC put right before decoding, so that the mutations
// reach the pixel decoder and not only the checksum test. A decoded image
// must encode as PNG and decode back to the same pixels, 16-bit samples and
// carried metadata (a float image: to its size), encode as TIFF and decode
// back to the same samples bit for bit, and encode as JPEG (grey or RGB) to a
// file of its size.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image_io.h"
#include "jpeg_file.h"
#include "png_chunks.h"
#include "tiff_directory.h"

namespace kelvo {
namespace {

uint32_t BigEndian32(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }

void RepairCrcs(std::vector<uint8_t>* bytes) {
    size_t pos = 8;
    while (bytes->size() - pos >= 12) {
        const uint32_t length = BigEndian32(bytes->data() + pos);
        if (length > bytes->size() - pos - 12) return;
        const uint32_t crc = image::PngCrc(bytes->data() + pos + 4, 4 + static_cast<size_t>(length));
        for (int i = 0; i < 4; ++i) (*bytes)[pos + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        pos += 12 + static_cast<size_t>(length);
    }
}

}  // namespace
}  // namespace kelvo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvo;
    if (size < 1) return 0;
    std::vector<uint8_t> bytes(data + 1, data + size);
    if ((data[0] & 1) != 0 && image::HasPngSignature(bytes.data(), bytes.size())) RepairCrcs(&bytes);

    // Keep the fuzzer's memory and time small: the size limits themselves are
    // tested, here only images up to 4 megapixels are decoded, TIFFs (up to 16
    // bytes a pixel, written back three ways) up to 1 megapixel.
    image::PngHeader header;
    image::JpegHeader jpeg;
    std::string error;
    if (image::ReadPngHeader(bytes.data(), bytes.size(), &header, &error) &&
        uint64_t{header.width} * header.height > (uint64_t{1} << 22))
        return 0;
    if (image::ReadJpegHeader(bytes.data(), bytes.size(), &jpeg, &error) &&
        uint64_t{jpeg.width} * jpeg.height > (uint64_t{1} << 22))
        return 0;
    image::TiffHeader tiff;
    bool incomplete = false;
    if (image::ReadTiffHeader(bytes.data(), bytes.size(), &tiff, &incomplete, &error) && !incomplete &&
        uint64_t{tiff.width} * tiff.height > (uint64_t{1} << 20))
        return 0;

    image::Image image;
    if (!image::DecodeImage(bytes.data(), bytes.size(), &image, &error)) {
        if (error.empty()) std::abort();  // every failure says why
        return 0;
    }
    if (!image::ImageIsValid(image)) std::abort();
    std::vector<uint8_t> encoded;
    if (!image::EncodeImage(image, image::ImageFormat::Png, &encoded, &error)) std::abort();
    image::Image again;
    if (!image::DecodeImage(encoded.data(), encoded.size(), &again, &error)) std::abort();
    if (again.width != image.width || again.height != image.height || again.channels != image.channels ||
        (image.floats.empty() && (again.pixels != image.pixels || again.deep != image.deep)))
        std::abort();
    const image::ImageMetadata& m = image.metadata;
    bool iccCarried = m.iccProfile.empty() || image::IccFitsChannels(m.iccProfile, image.channels);
    if ((iccCarried && again.metadata.iccProfile != m.iccProfile) || again.metadata.exif != m.exif ||
        again.metadata.xmp != m.xmp)
        std::abort();
    if (!image::EncodeImage(image, image::ImageFormat::Tiff, &encoded, &error)) std::abort();
    image::Image tiffAgain;
    if (!image::DecodeImage(encoded.data(), encoded.size(), &tiffAgain, &error)) std::abort();
    if (tiffAgain.width != image.width || tiffAgain.height != image.height || tiffAgain.channels != image.channels ||
        tiffAgain.pixels != image.pixels || tiffAgain.deep != image.deep ||
        tiffAgain.floats.size() != image.floats.size() ||
        (!image.floats.empty() &&
         std::memcmp(tiffAgain.floats.data(), image.floats.data(), image.floats.size() * sizeof(float)) != 0) ||
        tiffAgain.metadata.xmp != m.xmp || (iccCarried && tiffAgain.metadata.iccProfile != m.iccProfile))
        std::abort();
    if (image.channels == 1 || image.channels == 3) {
        if (!image::EncodeImage(image, image::ImageFormat::Jpeg, &encoded, &error)) std::abort();
        if (!image::DecodeImage(encoded.data(), encoded.size(), &again, &error) || again.width != image.width ||
            again.height != image.height)
            std::abort();
    }
    return 0;
}
