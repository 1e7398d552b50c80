// Photos through kelvo-render: JPEG, metadata carried across formats, 16-bit
// samples kept, placement as a share of each image, standard input and output.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_test_support.h"
#include "deep_flare.h"
#include "image_io.h"

namespace kelvo {

namespace {

using clitest::RunCli;
using image::Image;

// A colour profile of `size` bytes whose header names RGB pixels.
std::vector<uint8_t> RgbProfile(size_t size) {
    std::vector<uint8_t> profile(size);
    for (size_t i = 0; i < size; ++i) profile[i] = static_cast<uint8_t>(i * 7 + 3);
    std::copy_n("RGB ", 4, profile.begin() + 16);
    return profile;
}

Image PhotoWithMetadata() {
    Image image = clitest::SparkImage(48, 32);
    image.metadata.iccProfile = RgbProfile(70000);  // two JPEG segments
    image.metadata.iccName = "Wide RGB";
    image.metadata.exif = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 18, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0};
    image.metadata.hasResolution = true;
    image.metadata.pixelsPerUnitX = image.metadata.pixelsPerUnitY = 11811;  // 300 dpi
    image.metadata.resolutionUnit = 1;
    image.metadata.photoshop = {{'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0, '8', 'B', 'I', 'M'}};
    return image;
}



TEST(PhotoFiles, JpegRoundTripStaysCloseAndKeepsSize) {
    clitest::ScratchDir dir;
    const Image original = clitest::PatternImage(40, 24, 3);
    Image smooth = original;
    for (size_t i = 0; i < smooth.pixels.size(); ++i) smooth.pixels[i] = static_cast<uint8_t>(i / 3 % 40 * 5);
    clitest::WriteImageOrFail(dir.File("a.jpg"), smooth);
    const Image back = clitest::ReadImageOrFail(dir.File("a.jpg"));
    ASSERT_EQ(40, back.width);
    ASSERT_EQ(24, back.height);
    ASSERT_EQ(3, back.channels);
    int worst = 0;
    for (size_t i = 0; i < back.pixels.size(); ++i) worst = std::max(worst, std::abs(back.pixels[i] - smooth.pixels[i]));
    EXPECT_LE(worst, 12);
    std::string error;
    EXPECT_FALSE(image::WriteImage(dir.File("rgba.jpg"), clitest::PatternImage(4, 4, 4), &error));
    EXPECT_NE(std::string::npos, error.find("alpha")) << error;

    // Metadata beyond the first megabyte before the frame (a phone's depth
    // map): read on to the frame header.
    std::vector<uint8_t> bytes = clitest::ReadBytes(dir.File("a.jpg"));
    std::vector<uint8_t> padded(bytes.begin(), bytes.begin() + 2);
    for (int i = 0; i < 40; ++i) {
        padded.insert(padded.end(), {0xFF, 0xEF, 0xFF, 0xFF});
        padded.insert(padded.end(), 65533, uint8_t(i));
    }
    padded.insert(padded.end(), bytes.begin() + 2, bytes.end());
    clitest::WriteBytes(dir.File("padded.jpg"), padded);
    EXPECT_EQ(back.pixels, clitest::ReadImageOrFail(dir.File("padded.jpg")).pixels);

    // A Huffman table declaring more codes than exist would overrun the
    // decoder's tables: refused before decoding.
    const uint8_t dht[2] = {0xFF, 0xC4};
    auto table = std::search(bytes.begin(), bytes.end(), dht, dht + 2);
    ASSERT_NE(bytes.end(), table);
    std::fill(table + 5, table + 21, uint8_t{255});
    Image damaged;
    EXPECT_FALSE(image::DecodeImage(bytes.data(), bytes.size(), &damaged, &error));
    EXPECT_NE(std::string::npos, error.find("Huffman table")) << error;
}

TEST(PhotoFiles, ProfileExifAndResolutionAreCarriedAcrossFormats) {
    clitest::ScratchDir dir;
    Image photo = PhotoWithMetadata();
    clitest::WriteImageOrFail(dir.File("in.jpg"), photo);
    photo.metadata.hasGamma = true;
    photo.metadata.gamma = 45455;
    image::PngChunk text;
    std::copy_n("tEXt", 4, text.type);
    text.data = {'T', 'i', 't', 'l', 'e', 0, 'd', 'u', 's', 'k'};
    photo.metadata.pngText = {text};
    clitest::WriteImageOrFail(dir.File("in.png"), photo);

    const std::vector<std::string> runs[] = {{"in.jpg", "out.jpg"}, {"in.png", "out.png"}, {"in.jpg", "out.png"},
                                             {"in.png", "out.jpg"}};
    for (const std::vector<std::string>& run : runs) {
        const clitest::RunResult r = RunCli({dir.File(run[0]), dir.File(run[1]), "--set", "flareSize=1"});
        ASSERT_EQ(0, r.code) << r.err;
        const image::ImageMetadata m = clitest::ReadImageOrFail(dir.File(run[1])).metadata;
        EXPECT_EQ(photo.metadata.iccProfile, m.iccProfile) << run[0] << " to " << run[1];
        EXPECT_EQ(photo.metadata.exif, m.exif) << run[0] << " to " << run[1];
        EXPECT_EQ(11811u, m.pixelsPerUnitX) << run[0] << " to " << run[1];
        if (run[0] == "in.jpg" && run[1] == "out.jpg") {
            EXPECT_EQ(photo.metadata.photoshop, m.photoshop);
        }
        if (run[0] == "in.jpg" && run[1] == "out.png") {
            EXPECT_NE(std::string::npos, r.err.find("a PNG holds no JPEG APP13")) << r.err;
        }
        if (run[0] == "in.png" && run[1] == "out.png") {
            EXPECT_EQ("Wide RGB", m.iccName);
            EXPECT_EQ(45455u, m.gamma);
            ASSERT_EQ(1u, m.pngText.size());
            EXPECT_EQ(text.data, m.pngText[0].data);
        }
        if (run[1] == "out.jpg" && run[0] == "in.png") {
            EXPECT_NE(std::string::npos, r.err.find("warning: '" + dir.File("out.jpg") + "': a JPEG holds no PNG text"))
                << r.err;
        }
    }
    const clitest::RunResult r = RunCli({dir.File("in.png"), dir.File("out.ppm")});
    EXPECT_NE(std::string::npos, r.err.find("the colour profile")) << "netpbm drops it with a word: " << r.err;
}

// 16-bit PNG and netpbm files take the deep path on their own samples
// (white 65535): the output is the library's deep render, to the sample;
// where the flare adds no light the samples are the input's, and the light
// comes in steps finer than an 8-bit one.
TEST(PhotoFiles, SixteenBitFilesTakeTheDeepPath) {
    clitest::ScratchDir dir;
    Image deep = clitest::PatternImage(64, 40, 3);
    deep.deep.resize(deep.pixels.size());
    for (size_t i = 0; i < deep.deep.size(); ++i) deep.deep[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
    for (size_t i = 0; i < deep.deep.size(); ++i) deep.pixels[i] = static_cast<uint8_t>((deep.deep[i] * 255u + 32767) / 65535);
    flare::FilterParameters s = flare::DefaultFlareParameters();
    s.positionX = 5;
    s.positionY = 5;
    s.flareSize = 0.5;
    s.reflectionsBright = 0;
    s.previewScale = 1;
    std::vector<uint16_t> expected(deep.deep.size());
    kelvo::DeepArea area;
    area.in = reinterpret_cast<const uint8_t*>(deep.deep.data());
    area.out = reinterpret_cast<uint8_t*>(expected.data());
    area.inRowBytes = area.outRowBytes = 64 * 3 * 2;
    area.width = 64;
    area.height = 40;
    area.planes = 3;
    area.white = 65535;
    ASSERT_EQ(kelvo::RenderEnd::Done, flare::RenderFlareDeep(area, s, RenderCallbacks{}));
    const std::vector<std::string> settings = {"--set", "positionX=5", "--set", "positionY=5", "--set", "flareSize=0.5",
                                               "--set", "reflectionsBright=0"};
    for (const char* name : {"deep.png", "deep.ppm"}) {
        clitest::WriteImageOrFail(dir.File(name), deep);
        std::vector<std::string> args = {dir.File(name), dir.File(std::string("out-") + name)};
        args.insert(args.end(), settings.begin(), settings.end());
        ASSERT_EQ(0, RunCli(args).code);
        const Image result = clitest::ReadImageOrFail(args[1]);
        ASSERT_EQ(expected, result.deep) << name;
        size_t kept = 0, finer = 0;
        for (size_t i = 0; i < deep.deep.size(); ++i) {
            kept += result.deep[i] == deep.deep[i];
            finer += result.deep[i] != 65535 && (result.deep[i] - deep.deep[i]) % 257 != 0;
        }
        EXPECT_GT(kept, 0u) << name;
        EXPECT_GT(finer, 100u) << name;
    }
}

TEST(PhotoFiles, PercentPlacementIsThePixelShareOfEachImage) {
    clitest::ScratchDir dir;
    clitest::WriteImageOrFail(dir.File("in.png"), clitest::SparkImage(101, 61));
    ASSERT_EQ(0, RunCli({dir.File("in.png"), dir.File("pc.png"), "--set", "positionX=50%", "--set", "positionY=50%"}).code);
    ASSERT_EQ(0, RunCli({dir.File("in.png"), dir.File("px.png"), "--set", "positionX=50", "--set", "positionY=30"}).code);
    EXPECT_EQ(clitest::ReadImageOrFail(dir.File("px.png")).pixels, clitest::ReadImageOrFail(dir.File("pc.png")).pixels);
    // With --scale 2 the pixel position doubles; a percentage stays where it is.
    ASSERT_EQ(0, RunCli({dir.File("in.png"), dir.File("s.png"), "--scale", "2", "--set", "positionX=25",
                         "--set", "positionY=15", "--set", "flareSize=1"}).code);
    ASSERT_EQ(0, RunCli({dir.File("in.png"), dir.File("sp.png"), "--scale", "2", "--set", "positionX=50%",
                         "--set", "positionY=50%", "--set", "flareSize=1"}).code);
    EXPECT_EQ(clitest::ReadImageOrFail(dir.File("s.png")).pixels, clitest::ReadImageOrFail(dir.File("sp.png")).pixels);
    // --scale-from 50 on this 101-pixel-wide image is --scale 2.02.
    ASSERT_EQ(0, RunCli({dir.File("in.png"), dir.File("sf.png"), "--scale-from", "50", "--set", "flareSize=1"}).code);
    ASSERT_EQ(0, RunCli({dir.File("in.png"), dir.File("sx.png"), "--scale", "2.02", "--set", "flareSize=1"}).code);
    EXPECT_EQ(clitest::ReadImageOrFail(dir.File("sx.png")).pixels, clitest::ReadImageOrFail(dir.File("sf.png")).pixels);
}

TEST(PhotoFiles, StandardStreamsFoldersAndListedValues) {
    clitest::ScratchDir dir;
    clitest::WriteImageOrFail(dir.File("in.png"), clitest::SparkImage(30, 20));
    ASSERT_EQ(0, RunCli({dir.File("in.png"), dir.File("ref.png")}).code);
    const std::string program = std::string("\"") + KELVO_RENDER_PATH + "\" ";
    int status = std::system((program + "- '" + dir.File("a.png") + "' < '" + dir.File("in.png") + "'").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    status = std::system((program + "--format png - - < '" + dir.File("in.png") + "' > '" + dir.File("b.png") + "'").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(clitest::ReadImageOrFail(dir.File("ref.png")).pixels, clitest::ReadImageOrFail(dir.File("a.png")).pixels);
    EXPECT_EQ(clitest::ReadImageOrFail(dir.File("ref.png")).pixels, clitest::ReadImageOrFail(dir.File("b.png")).pixels);

    const clitest::RunResult folder = RunCli({dir.path.string(), dir.File("o.png")});
    EXPECT_NE(std::string::npos, folder.err.find("is a folder")) << folder.err;
    // Values are listed with the fewest digits that read back exactly (other
    // tools build on the listing).
    const clitest::RunResult list = RunCli({"--set", "flareSize=7.5", "--set", "positionY=25%", "--set",
                                            "flareHue=0.123456789", "--set", "haloHue=0.1", "--list"});
    EXPECT_NE(std::string::npos, list.out.find("flareSize                7.5")) << list.out;
    EXPECT_NE(std::string::npos, list.out.find("flareHue           0.123456789 ")) << list.out;
    EXPECT_NE(std::string::npos, list.out.find("haloHue                  0.1 ")) << list.out;
    EXPECT_NE(std::string::npos, list.out.find("positionY                25%")) << list.out;
}

// What other programs write into JPEG files reaches the PNG, or is named: a
// profile numbered "0 of 0", comments in UTF-8, with a C string's end, or
// with a zero byte inside.
TEST(PhotoFiles, JpegProfilesAndCommentsAsOtherProgramsWriteThem) {
    Image photo = clitest::SparkImage(16, 16);
    photo.metadata.iccProfile = RgbProfile(600);
    const std::string cafe = "caf\xC3\xA9 \xE2\x98\x95";
    for (const std::string& text : {cafe, std::string("plain"), std::string("c string\0", 9), std::string("in\0side", 7)})
        photo.metadata.comments.emplace_back(text.begin(), text.end());
    std::vector<uint8_t> jpeg;
    std::string error;
    ASSERT_TRUE(image::EncodeImage(photo, image::ImageFormat::Jpeg, &jpeg, &error)) << error;
    const auto icc = std::search(jpeg.begin(), jpeg.end(), "ICC_PROFILE", "ICC_PROFILE" + 11);
    ASSERT_NE(jpeg.end(), icc);
    icc[12] = icc[13] = 0;  // after the name's zero: "0 of 0"

    Image read;
    ASSERT_TRUE(image::DecodeImage(jpeg.data(), jpeg.size(), &read, &error)) << error;
    EXPECT_EQ(photo.metadata.iccProfile, read.metadata.iccProfile);
    EXPECT_TRUE(read.metadata.notCarried.empty());
    std::vector<std::string> losses;
    image::EncodeOptions options;
    options.losses = &losses;
    std::vector<uint8_t> png;
    ASSERT_TRUE(image::EncodeImage(read, image::ImageFormat::Png, &png, &error, options)) << error;
    ASSERT_TRUE(image::DecodeImage(png.data(), png.size(), &read, &error)) << error;
    std::vector<std::string> texts;
    for (const auto& chunk : read.metadata.pngText) texts.push_back(chunk.type + std::string(chunk.data.begin(), chunk.data.end()));
    EXPECT_EQ((std::vector<std::string>{std::string("iTXtComment\0\0\0\0\0", 16) + cafe, std::string("tEXtComment\0plain", 17),
                                        std::string("tEXtComment\0c string", 20)}),
              texts);
    ASSERT_EQ(1u, losses.size());
    EXPECT_EQ("1 JPEG comment holds a zero byte inside its text, which PNG text cannot hold: dropped", losses[0]);
}

}  // namespace

}  // namespace kelvo
