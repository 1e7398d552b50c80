#include "image_io.h"

#include <gtest/gtest.h>

#include <cstring>

#include "cli_test_support.h"

namespace kelvo {

namespace {

using image::Image;
using image::ImageFormat;

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// A file: header text followed by sample bytes.
std::vector<uint8_t> Pnm(const std::string& header, const std::vector<uint8_t>& samples) {
    std::vector<uint8_t> bytes = Bytes(header);
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
}

bool Decode(const std::vector<uint8_t>& bytes, Image* image, std::string* error) {
    return image::DecodeImage(bytes.data(), bytes.size(), image, error);
}

void ExpectSameImage(const Image& expected, const Image& actual) {
    EXPECT_EQ(expected.width, actual.width);
    EXPECT_EQ(expected.height, actual.height);
    EXPECT_EQ(expected.channels, actual.channels);
    EXPECT_TRUE(expected.pixels == actual.pixels) << "pixels differ";
}

TEST(ImageFormats, ExtensionPicksTheOutputFormat) {
    EXPECT_EQ(ImageFormat::Png, image::FormatFromPath("out.png"));
    EXPECT_EQ(ImageFormat::Png, image::FormatFromPath("dir.ppm/OUT.PNG"));
    EXPECT_EQ(ImageFormat::Ppm, image::FormatFromPath("a.b.Ppm"));
    EXPECT_EQ(ImageFormat::Pgm, image::FormatFromPath("grey.pgm"));
    EXPECT_EQ(ImageFormat::Pnm, image::FormatFromPath("any.pnm"));
    EXPECT_EQ(ImageFormat::Jpeg, image::FormatFromPath("photo.JPEG"));
    EXPECT_EQ(ImageFormat::Unknown, image::FormatFromPath("photo.gif"));
    EXPECT_EQ(ImageFormat::Unknown, image::FormatFromPath("png"));
    EXPECT_EQ(ImageFormat::Unknown, image::FormatFromPath(""));
}

TEST(ImageFormats, NetpbmFormatsRefuseWhatTheyCannotHold) {
    std::string error;
    for (int channels = 1; channels <= 4; ++channels)
        EXPECT_TRUE(image::FormatHoldsChannels(ImageFormat::Png, channels, &error)) << channels;
    EXPECT_TRUE(image::FormatHoldsChannels(ImageFormat::Ppm, 1, &error));  // grey widens losslessly
    EXPECT_TRUE(image::FormatHoldsChannels(ImageFormat::Ppm, 3, &error));
    EXPECT_FALSE(image::FormatHoldsChannels(ImageFormat::Ppm, 2, &error));
    EXPECT_FALSE(image::FormatHoldsChannels(ImageFormat::Ppm, 4, &error));
    EXPECT_NE(std::string::npos, error.find("4 channels")) << error;
    EXPECT_TRUE(image::FormatHoldsChannels(ImageFormat::Pgm, 1, &error));
    EXPECT_FALSE(image::FormatHoldsChannels(ImageFormat::Pgm, 3, &error));
    EXPECT_FALSE(image::FormatHoldsChannels(ImageFormat::Unknown, 3, &error));

    std::vector<uint8_t> bytes;
    EXPECT_FALSE(image::EncodeImage(clitest::PatternImage(4, 4, 4), ImageFormat::Ppm, &bytes, &error));
    EXPECT_FALSE(image::EncodeImage(clitest::PatternImage(4, 4, 2), ImageFormat::Pnm, &bytes, &error));
}

TEST(ImageRoundTrip, PngKeepsEveryChannelCount) {
    clitest::ScratchDir dir;
    for (int channels = 1; channels <= 4; ++channels) {
        SCOPED_TRACE(channels);
        const Image original = clitest::PatternImage(37, 23, channels);  // odd sizes: no row padding hides
        const std::string path = dir.File("c" + std::to_string(channels) + ".png");
        std::string error;
        ASSERT_TRUE(image::WriteImage(path, original, &error)) << error;
        Image back;
        ASSERT_TRUE(image::ReadImage(path, &back, &error)) << error;
        ExpectSameImage(original, back);
    }
}

TEST(ImageRoundTrip, PpmAndPgmKeepTheirSamples) {
    clitest::ScratchDir dir;
    std::string error;
    const Image rgb = clitest::PatternImage(31, 17, 3);
    ASSERT_TRUE(image::WriteImage(dir.File("a.ppm"), rgb, &error)) << error;
    const std::vector<uint8_t> file = clitest::ReadBytes(dir.File("a.ppm"));
    const std::string header = "P6\n31 17\n255\n";
    ASSERT_EQ(header.size() + rgb.pixels.size(), file.size());
    EXPECT_EQ(0, std::memcmp(file.data(), header.data(), header.size()));
    Image back;
    ASSERT_TRUE(image::ReadImage(dir.File("a.ppm"), &back, &error)) << error;
    ExpectSameImage(rgb, back);

    const Image grey = clitest::PatternImage(31, 17, 1);
    for (const char* name : {"g.pgm", "g.pnm"}) {
        ASSERT_TRUE(image::WriteImage(dir.File(name), grey, &error)) << error;
        EXPECT_EQ('5', clitest::ReadBytes(dir.File(name))[1]);
        ASSERT_TRUE(image::ReadImage(dir.File(name), &back, &error)) << error;
        ExpectSameImage(grey, back);
    }

    // Grey written as a PPM comes back as RGB with three equal samples.
    ASSERT_TRUE(image::WriteImage(dir.File("g.ppm"), grey, &error)) << error;
    ASSERT_TRUE(image::ReadImage(dir.File("g.ppm"), &back, &error)) << error;
    ASSERT_EQ(3, back.channels);
    for (size_t i = 0; i < grey.pixels.size(); ++i)
        for (size_t c = 0; c < 3; ++c) ASSERT_EQ(grey.pixels[i], back.pixels[3 * i + c]) << i;
}

TEST(NetpbmReading, HeaderMayCarryCommentsAndAnyBlanks) {
    Image image;
    std::string error;
    ASSERT_TRUE(Decode(Pnm("P5 # grey\n# size follows\n 3\t2\r\n255\n", std::vector<uint8_t>{1, 2, 3, 4, 5, 6}),
                       &image, &error))
        << error;
    EXPECT_EQ(3, image.width);
    EXPECT_EQ(2, image.height);
    EXPECT_EQ(1, image.channels);
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 5, 6}), image.pixels);

    // The single blank after the maximum value is the last header byte, even
    // when the first sample is a blank's value.
    ASSERT_TRUE(Decode(Pnm("P6 1 1 255 ", std::vector<uint8_t>{' ', '\n', '#'}), &image, &error)) << error;
    EXPECT_EQ((std::vector<uint8_t>{' ', '\n', '#'}), image.pixels);
}

TEST(NetpbmReading, SmallMaximumValuesAreStretchedToFullRange) {
    Image image;
    std::string error;
    ASSERT_TRUE(Decode(Pnm("P5 4 1 3\n", std::vector<uint8_t>{0, 1, 3, 9}), &image, &error)) << error;
    EXPECT_EQ((std::vector<uint8_t>{0, 85, 255, 255}), image.pixels);  // above the maximum: the maximum
}

TEST(NetpbmReading, RefusesWhatItCannotReadFaithfully) {
    Image image;
    std::string error;
    const std::vector<uint8_t> pixels(12, 7);
    EXPECT_FALSE(Decode(Pnm("P6 2 2 255\n", std::vector<uint8_t>(11, 7)), &image, &error));  // one byte short
    EXPECT_NE(std::string::npos, error.find("truncated")) << error;
    EXPECT_FALSE(Decode(Pnm("P6 2 2 65535\n", std::vector<uint8_t>(23, 7)), &image, &error));  // 16-bit, short
    EXPECT_FALSE(Decode(Pnm("P6 2 2 65536\n", std::vector<uint8_t>(24, 7)), &image, &error));
    EXPECT_FALSE(Decode(Pnm("P6 2 2 0\n", pixels), &image, &error));
    EXPECT_FALSE(Decode(Pnm("P6 0 2 255\n", pixels), &image, &error));
    EXPECT_FALSE(Decode(Pnm("P6 2 2 255", pixels), &image, &error));  // no blank before the samples
    EXPECT_FALSE(Decode(Pnm("P6 2 x 255\n", pixels), &image, &error));
    EXPECT_FALSE(Decode(Pnm("P6 99999999999 1 255\n", pixels), &image, &error));
    EXPECT_FALSE(Decode(Pnm("P6 4000000 4000000 255\n", pixels), &image, &error));
    EXPECT_FALSE(Decode(Bytes("P3 1 1 255\n1 2 3\n"), &image, &error));  // plain (ASCII) netpbm
    EXPECT_NE(std::string::npos, error.find("P5")) << error;
    EXPECT_FALSE(Decode(Bytes("P6"), &image, &error));
    EXPECT_FALSE(Decode(Bytes("GIF89a"), &image, &error));
    EXPECT_FALSE(Decode(std::vector<uint8_t>(), &image, &error));
    EXPECT_EQ(0, image.width) << "a refused file leaves the image alone";
}

TEST(PngReading, DamagedFilesAreRefused) {
    std::vector<uint8_t> png;
    std::string error;
    ASSERT_TRUE(image::EncodeImage(clitest::PatternImage(16, 16, 3), ImageFormat::Png, &png, &error)) << error;
    Image image;
    // Every prefix of the file must be refused (the signature alone, the
    // header without data, data cut short) without reading past the end.
    for (size_t size = 0; size + 12 < png.size(); size += 7) {
        const std::vector<uint8_t> cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(Decode(cut, &image, &error)) << size;
    }
    std::vector<uint8_t> broken = png;
    broken[20] ^= 0xFF;  // inside the header chunk: its checksum no longer matches or the size is absurd
    broken[40] ^= 0xFF;
    Decode(broken, &image, &error);  // may or may not decode; must not crash
}

TEST(ImageFiles, MissingAndUnwritablePathsGiveMessages) {
    clitest::ScratchDir dir;
    Image image;
    std::string error;
    EXPECT_FALSE(image::ReadImage(dir.File("none.png"), &image, &error));
    EXPECT_NE(std::string::npos, error.find("none.png")) << error;
    EXPECT_FALSE(image::ReadImage(dir.path.string(), &image, &error));  // a directory
    EXPECT_FALSE(image::WriteImage(dir.File("no/such/dir/out.png"), clitest::PatternImage(2, 2, 3), &error));
    EXPECT_FALSE(image::WriteImage(dir.File("out.gif"), clitest::PatternImage(2, 2, 3), &error));
    Image bad = clitest::PatternImage(2, 2, 3);
    bad.pixels.pop_back();
    EXPECT_FALSE(image::WriteImage(dir.File("out.png"), bad, &error));
}

}  // namespace

}  // namespace kelvo
