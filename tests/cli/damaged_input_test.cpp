// Damaged and hostile image files: every fault is named, nothing is decoded
// that the header already rules out, and reading stops where the header says.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "cli_test_support.h"
#include "image_io.h"
#include "png_chunks.h"

namespace kelvo {

namespace {

using image::Image;

void PutBigEndian(std::vector<uint8_t>* bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// Recomputes the CRC of the chunk at `at` after its bytes were edited.
void FixCrc(std::vector<uint8_t>* bytes, size_t at) {
    const uint32_t length = uint32_t{(*bytes)[at]} << 24 | uint32_t{(*bytes)[at + 1]} << 16 |
                            uint32_t{(*bytes)[at + 2]} << 8 | (*bytes)[at + 3];
    PutBigEndian(bytes, at + 8 + length, image::PngCrc(bytes->data() + at + 4, 4 + length));
}

std::vector<uint8_t> SmallPng() {
    std::vector<uint8_t> png;
    std::string error;
    EXPECT_TRUE(image::EncodeImage(clitest::PatternImage(12, 9, 3), image::ImageFormat::Png, &png, &error));
    return png;
}

std::string DecodeError(const std::vector<uint8_t>& bytes) {
    Image image;
    std::string error;
    EXPECT_FALSE(image::DecodeImage(bytes.data(), bytes.size(), &image, &error));
    return error;
}

// Signature, IHDR (at byte 8, 25 bytes), then the first data chunk at 33.
constexpr size_t kIdat = 33;

TEST(DamagedPng, EachFaultIsNamedWithItsChunkAndPlace) {
    const std::vector<uint8_t> good = SmallPng();
    ASSERT_EQ(0, std::memcmp(good.data() + kIdat + 4, "IDAT", 4));
    Image image;
    std::string error;
    ASSERT_TRUE(image::DecodeImage(good.data(), good.size(), &image, &error)) << error;

    std::vector<uint8_t> bytes(good.begin(), good.begin() + kIdat + 20);
    EXPECT_EQ(DecodeError(bytes).rfind("PNG file is truncated: chunk 'IDAT' at byte 33 needs", 0), 0u) << DecodeError(bytes);
    bytes.assign(good.begin(), good.end() - 12);
    EXPECT_NE(std::string::npos, DecodeError(bytes).find("truncated: it ends after")) << DecodeError(bytes);
    EXPECT_NE(std::string::npos, DecodeError(bytes).find("without an IEND chunk"));
    bytes.assign(good.begin(), good.begin() + 20);
    EXPECT_NE(std::string::npos, DecodeError(bytes).find("truncated")) << DecodeError(bytes);

    bytes = good;
    bytes[kIdat + 10] ^= 0x01;
    EXPECT_NE(std::string::npos, DecodeError(bytes).find("PNG chunk 'IDAT' at byte 33 is damaged: its CRC is 0x"))
        << DecodeError(bytes);
    bytes = good;
    bytes[20] ^= 0x40;  // the height in IHDR
    EXPECT_NE(std::string::npos, DecodeError(bytes).find("'IHDR' at byte 8 is damaged")) << DecodeError(bytes);

    bytes = good;
    std::memcpy(bytes.data() + kIdat + 4, "ID4T", 4);
    EXPECT_EQ("bad PNG chunk at byte 33: its type is not four letters", DecodeError(bytes));
    bytes = good;
    PutBigEndian(&bytes, kIdat, 0xFFFFFFF0u);
    EXPECT_NE(std::string::npos, DecodeError(bytes).find("length 4294967280 is out of range")) << DecodeError(bytes);
    bytes = good;
    std::memcpy(bytes.data() + kIdat + 4, "IDAX", 4);
    FixCrc(&bytes, kIdat);
    EXPECT_NE(std::string::npos, DecodeError(bytes).find("unknown critical chunk 'IDAX' at byte 33")) << DecodeError(bytes);

    // Chunks intact, the compressed data inside them not: the decoder speaks.
    bytes = good;
    for (size_t i = kIdat + 8; i < kIdat + 20; ++i) bytes[i] = 0xFF;
    FixCrc(&bytes, kIdat);
    EXPECT_NE(std::string::npos, DecodeError(bytes).find("cannot decode PNG")) << DecodeError(bytes);
}

// A PNG whose IHDR declares the given size, with a valid CRC and no pixel data.
std::vector<uint8_t> PngDeclaring(uint32_t width, uint32_t height) {
    std::vector<uint8_t> bytes = SmallPng();
    bytes.resize(kIdat);
    PutBigEndian(&bytes, 16, width);
    PutBigEndian(&bytes, 20, height);
    FixCrc(&bytes, 8);
    return bytes;
}

TEST(ImageLimits, HeadersDeclaringTooMuchAreRefusedBeforeDecoding) {
    // No pixel data follows these headers: the size is what is refused.
    std::string error = DecodeError(PngDeclaring(16384, 16384));
    EXPECT_EQ(0u, error.find("the image is 16384 x 16384 pixels; at most 134217728 pixels (128 megapixels)")) << error;
    error = DecodeError(PngDeclaring(40000, 2));
    EXPECT_NE(std::string::npos, error.find("at most 32767 pixels per side")) << error;
    const std::string pgm = "P5 11586 11586 255\n";
    error = DecodeError(std::vector<uint8_t>(pgm.begin(), pgm.end()));
    EXPECT_NE(std::string::npos, error.find("11586 x 11586")) << error;

    // The largest accepted header passes the check and fails on its data.
    error = DecodeError(PngDeclaring(32767, 4096));
    EXPECT_NE(std::string::npos, error.find("truncated")) << error;
}

TEST(ImageLimits, ReadingStopsWhereTheHeaderSays) {
    clitest::ScratchDir dir;
    Image image;
    std::string error;
    // An endless device.
    EXPECT_FALSE(image::ReadImage("/dev/zero", &image, &error));
    EXPECT_EQ("'/dev/zero': not a PNG, JPEG, TIFF, PGM or PPM file", error);

    // A 1 x 1 PGM followed by far more than its image needs.
    std::vector<uint8_t> pgm = {'P', '5', ' ', '1', ' ', '1', ' ', '2', '5', '5', '\n', 7};
    pgm.resize(pgm.size() + (3 << 20), 0);
    clitest::WriteBytes(dir.File("long.pgm"), pgm);
    EXPECT_FALSE(image::ReadImage(dir.File("long.pgm"), &image, &error));
    EXPECT_NE(std::string::npos, error.find("the file is longer than its image can be (more than 12 bytes)")) << error;

    // The header alone decides: a huge declared size in a long file.
    std::vector<uint8_t> png = PngDeclaring(16384, 16384);
    png.resize(png.size() + (2 << 20), 0);
    clitest::WriteBytes(dir.File("huge.png"), png);
    EXPECT_FALSE(image::ReadImage(dir.File("huge.png"), &image, &error));
    EXPECT_NE(std::string::npos, error.find("16384 x 16384")) << error;
}

TEST(Netpbm, CommentsStandWhereverTheFormatAllows) {
    const std::string header = "P6#after the magic number\n2#after the width\n\t1 #before the maximum\n#own line\n"
                               "255#after the maximum, before the one blank\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    const std::vector<uint8_t> samples = {'#', 1, 2, 3, 4, '\n'};  // samples are never comments
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    Image image;
    std::string error;
    ASSERT_TRUE(image::DecodeImage(bytes.data(), bytes.size(), &image, &error)) << error;
    EXPECT_EQ(2, image.width);
    EXPECT_EQ(1, image.height);
    EXPECT_EQ(samples, image.pixels);

    // A comment ends a number, as a blank does.
    const std::string split = "P5 1#c\n2 1 255\n";
    bytes.assign(split.begin(), split.end());
    bytes.insert(bytes.end(), {9, 9});
    ASSERT_TRUE(image::DecodeImage(bytes.data(), bytes.size(), &image, &error)) << error;
    EXPECT_EQ(1, image.width);
    EXPECT_EQ(2, image.height);

    for (const std::string bad : {"P5 2 1 255", "P5 2 1 255#no line end", "P5 2x 1 255\n", "P5 # 2 1 255\n"}) {
        bytes.assign(bad.begin(), bad.end());
        EXPECT_FALSE(image::DecodeImage(bytes.data(), bytes.size(), &image, &error)) << bad;
    }
}

std::vector<uint8_t> SmallJpeg() {
    std::vector<uint8_t> jpeg;
    std::string error;
    EXPECT_TRUE(image::EncodeImage(clitest::PatternImage(64, 48, 3), image::ImageFormat::Jpeg, &jpeg, &error));
    return jpeg;
}

// The same JPEG with its frame marker SOF0 made another.
std::vector<uint8_t> JpegFramed(uint8_t marker) {
    std::vector<uint8_t> jpeg = SmallJpeg();
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 1] = marker;
            break;
        }
    return jpeg;
}

// Files refused for what they are, each with the real cause: the output's
// limits judged from the header, and faults named as what they are.
TEST(ImageLimits, EachRefusalNamesItsRealCause) {
    std::vector<uint8_t> deepPng = PngDeclaring(8192, 16384);  // 2^27 pixels, 16-bit RGBA: no data needed
    deepPng[24] = 16;
    deepPng[25] = 6;
    FixCrc(&deepPng, 8);
    const std::vector<uint8_t> jpeg = SmallJpeg();
    std::vector<uint8_t> metadata(jpeg.begin(), jpeg.begin() + 2);  // 65 MiB of APP1 segments before the frame
    for (int i = 0; i < 1040; ++i) {
        metadata.insert(metadata.end(), {0xFF, 0xE1, 0xFF, 0xFF});
        metadata.resize(metadata.size() + 65533, 'm');
    }
    metadata.insert(metadata.end(), jpeg.begin() + 2, jpeg.end());
    std::string ppm = "P6\n#" + std::string(3 << 20, 'c') + "\n2 2\n255\n";
    ppm.resize(ppm.size() + 12, 'x');
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* output;
        const char* message;
    } cases[] = {
        {"past the PNG writer", deepPng, "out.png", "too large for our PNG writer: its rows take 1073758208 bytes"},
        {"a cut JPEG", {jpeg.begin(), jpeg.begin() + 400}, "out.png", "JPEG file is truncated: it ends at byte 400"},
        {"arithmetic coding", JpegFramed(0xC9), "out.png", "arithmetic-coded JPEG files are not supported"},
        {"lossless coding", JpegFramed(0xC3), "out.png", "lossless JPEG files are not supported"},
        {"64 MiB of metadata", metadata, "out.png", "metadata segments before its frame header take more than the 64 MiB"},
        {"a 3 MB netpbm comment", {ppm.begin(), ppm.end()}, "out.png", "netpbm header is longer than the 1 MiB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clitest::ScratchDir dir;
        clitest::WriteBytes(dir.File("in"), c.bytes);
        const clitest::RunResult r = clitest::RunCli({"--no-progress", dir.File("in"), dir.File(c.output)});
        EXPECT_EQ(1, r.code);
        EXPECT_NE(std::string::npos, r.err.find(c.message)) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.File(c.output)));
    }
}

}  // namespace

}  // namespace kelvo
