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
#include "image_io.h"

namespace {

using clitest::RunCli;
using imageio::Image;

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
    EXPECT_FALSE(imageio::WriteImage(dir.File("rgba.jpg"), clitest::PatternImage(4, 4, 4), &error));
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
    EXPECT_FALSE(imageio::DecodeImage(bytes.data(), bytes.size(), &damaged, &error));
    EXPECT_NE(std::string::npos, error.find("Huffman table")) << error;
}

TEST(PhotoFiles, ProfileExifAndResolutionAreCarriedAcrossFormats) {
    clitest::ScratchDir dir;
    Image photo = PhotoWithMetadata();
    clitest::WriteImageOrFail(dir.File("in.jpg"), photo);
    photo.metadata.hasGamma = true;
    photo.metadata.gamma = 45455;
    imageio::PngChunk text;
    std::copy_n("tEXt", 4, text.type);
    text.data = {'T', 'i', 't', 'l', 'e', 0, 'd', 'u', 's', 'k'};
    photo.metadata.pngText = {text};
    clitest::WriteImageOrFail(dir.File("in.png"), photo);

    const std::vector<std::string> runs[] = {{"in.jpg", "out.jpg"}, {"in.png", "out.png"}, {"in.jpg", "out.png"},
                                             {"in.png", "out.jpg"}};
    for (const std::vector<std::string>& run : runs) {
        const clitest::RunResult r = RunCli({dir.File(run[0]), dir.File(run[1]), "--set", "flareSize=1"});
        ASSERT_EQ(0, r.code) << r.err;
        const imageio::ImageMetadata m = clitest::ReadImageOrFail(dir.File(run[1])).metadata;
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

// The 16-bit output against the same render of the 8-bit reduction: where
// that changed nothing the samples are exactly the input's, elsewhere they
// moved by the same amount.
TEST(PhotoFiles, SixteenBitSamplesKeepTheirValuesWhereNoLightLands) {
    clitest::ScratchDir dir;
    Image deep = clitest::PatternImage(64, 40, 3);
    deep.deep.resize(deep.pixels.size());
    for (size_t i = 0; i < deep.deep.size(); ++i) deep.deep[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
    for (size_t i = 0; i < deep.deep.size(); ++i) deep.pixels[i] = static_cast<uint8_t>((deep.deep[i] * 255u + 32767) / 65535);
    Image reduced = deep;
    reduced.deep.clear();
    clitest::WriteImageOrFail(dir.File("reduced.png"), reduced);
    const std::vector<std::string> settings = {"--set", "positionX=5", "--set", "positionY=5", "--set", "flareSize=0.5",
                                               "--set", "reflectionsBright=0"};
    std::vector<std::string> args = {dir.File("reduced.png"), dir.File("out8.png")};
    args.insert(args.end(), settings.begin(), settings.end());
    ASSERT_EQ(0, RunCli(args).code);
    const Image rendered8 = clitest::ReadImageOrFail(dir.File("out8.png"));
    for (const char* name : {"deep.png", "deep.ppm"}) {
        clitest::WriteImageOrFail(dir.File(name), deep);
        args[0] = dir.File(name);
        args[1] = dir.File(std::string("out-") + name);
        ASSERT_EQ(0, RunCli(args).code);
        const Image result = clitest::ReadImageOrFail(args[1]);
        ASSERT_EQ(deep.deep.size(), result.deep.size()) << name << " comes back with 16 bits";
        size_t kept = 0;
        for (size_t i = 0; i < deep.deep.size(); ++i) {
            const int change = (rendered8.pixels[i] - reduced.pixels[i]) * 257;
            const int expected = std::min(65535, std::max(0, deep.deep[i] + change));
            ASSERT_EQ(expected, result.deep[i]) << name << " sample " << i;
            kept += change == 0;
        }
        EXPECT_GT(kept, 0u) << name;
        EXPECT_LT(kept, deep.deep.size()) << name;
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
    const clitest::RunResult list = RunCli({"--set", "flareSize=7.5", "--set", "positionY=25%", "--list"});
    EXPECT_NE(std::string::npos, list.out.find("flareSize                7.5")) << list.out;
    EXPECT_NE(std::string::npos, list.out.find("positionY                25%")) << list.out;
}

}  // namespace
