// TIFF through kelvo-render: files written by libtiff itself in every depth,
// colour type and compression come back from a render in the same layout,
// with their metadata, and untouched samples bit for bit; EXIF moves between
// TIFF and the other formats; damaged files are named, never printed about.
#include <gtest/gtest.h>

#include <tiffio.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "cli_test_support.h"
#include "deep_flare.h"
#include "image_io.h"
#include "tiff_directory.h"

namespace kelvo {

namespace {

using clitest::RunCli;
using image::Image;

struct Layout {
    uint16_t bits;
    uint16_t channels;
    uint16_t compression;
};

std::vector<uint8_t> Profile(uint16_t channels) {
    std::vector<uint8_t> profile(600);
    for (size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<uint8_t>(i * 13 + 1);
    std::memcpy(profile.data() + 16, channels >= 3 ? "RGB " : "GRAY", 4);
    return profile;
}

const std::string kXmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF/></x:xmpmeta>";

// Samples that differ from their neighbours, floats partly above 1, written
// with libtiff in strips of 5 rows with a profile, XMP, 300 dpi and a maker.
void WriteWithLibtiff(const std::string& path, const Layout& l, uint32_t width, uint32_t height) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(nullptr, tif);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.channels);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, l.bits == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.channels >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 5u);
    if (l.channels == 2 || l.channels == 4) {
        const uint16_t alpha[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, alpha);
    }
    const std::vector<uint8_t> profile = Profile(l.channels);
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(profile.size()), profile.data());
    TIFFSetField(tif, TIFFTAG_XMLPACKET, static_cast<uint32_t>(kXmp.size()), kXmp.data());
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 300.0);
    TIFFSetField(tif, TIFFTAG_MAKE, "Kelvo Test Camera");
    const size_t rowSamples = size_t{width} * l.channels;
    std::vector<uint8_t> row(rowSamples * l.bits / 8);
    for (uint32_t y = 0; y < height; ++y) {
        for (size_t i = 0; i < rowSamples; ++i) {
            const uint32_t k = static_cast<uint32_t>((y * rowSamples + i) * 2654435761u);
            if (l.bits == 8) row[i] = static_cast<uint8_t>(k >> 24);
            if (l.bits == 16) reinterpret_cast<uint16_t*>(row.data())[i] = static_cast<uint16_t>(k >> 16);
            if (l.bits == 32) reinterpret_cast<float*>(row.data())[i] = static_cast<float>(k >> 8) / (1 << 24) * 1.5f;
        }
        ASSERT_GE(TIFFWriteScanline(tif, row.data(), y, 0), 0);
    }
    TIFFClose(tif);
}

TEST(TiffFiles, EveryDepthColourAndCompressionComesBackFromARender) {
    clitest::ScratchDir dir;
    const uint16_t compressions[] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS};
    for (uint16_t bits : {8, 16, 32})
        for (uint16_t channels : {1, 2, 3, 4})
            for (uint16_t compression : compressions) {
                const Layout l{bits, channels, compression};
                const std::string name = std::to_string(bits) + "-" + std::to_string(channels) + "-" +
                                         std::to_string(compression);
                SCOPED_TRACE(name);
                WriteWithLibtiff(dir.File(name + ".tif"), l, 40, 23);
                const std::vector<std::string> settings = {"--set", "positionX=8", "--set", "positionY=6", "--set",
                                                           "flareSize=0.5", "--set", "reflectionsBright=0"};
                std::vector<std::string> args = {dir.File(name + ".tif"), dir.File(name + "-out.tif")};
                args.insert(args.end(), settings.begin(), settings.end());
                const clitest::RunResult r = RunCli(args);
                ASSERT_EQ(0, r.code) << r.err;
                EXPECT_EQ("", r.err);

                // The layout and metadata, as libtiff reads them.
                TIFF* tif = TIFFOpen(dir.File(name + "-out.tif").c_str(), "r");
                ASSERT_NE(nullptr, tif);
                uint16_t outBits = 0, outChannels = 0, outCompression = 0, format = 0, unit = 0;
                TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &outBits);
                TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &outChannels);
                TIFFGetField(tif, TIFFTAG_COMPRESSION, &outCompression);
                TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
                EXPECT_EQ(bits, outBits);
                EXPECT_EQ(channels, outChannels);
                EXPECT_EQ(compression, outCompression) << "the input's compression is kept";
                EXPECT_EQ(bits == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT, format);
                uint32_t count = 0;
                void* data = nullptr;
                ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_ICCPROFILE, &count, &data));
                EXPECT_EQ(Profile(channels), std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + count));
                ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_XMLPACKET, &count, &data));
                EXPECT_EQ(kXmp, std::string(static_cast<char*>(data), count));
                float dpi = 0;
                TIFFGetField(tif, TIFFTAG_XRESOLUTION, &dpi);
                TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
                EXPECT_NEAR(300.0, dpi, 0.01);
                EXPECT_EQ(RESUNIT_INCH, unit);
                char* make = nullptr;
                ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_MAKE, &make));
                EXPECT_STREQ("Kelvo Test Camera", make);
                EXPECT_EQ(1, TIFFNumberOfDirectories(tif));
                TIFFClose(tif);

                // 8 bits: the same render as a PNG's. 16 and 32 bits: the
                // library's deep render of the file's own samples (white
                // 65535; floats as perceptual values), to the sample.
                const Image in = clitest::ReadImageOrFail(dir.File(name + ".tif"));
                const Image out = clitest::ReadImageOrFail(dir.File(name + "-out.tif"));
                ASSERT_EQ(in.deep.size(), out.deep.size());
                ASSERT_EQ(in.floats.size(), out.floats.size());
                size_t kept = 0;
                if (bits == 8) {
                    clitest::WriteImageOrFail(dir.File(name + "-8.png"), in);
                    args[0] = dir.File(name + "-8.png");
                    args[1] = dir.File(name + "-8-out.png");
                    ASSERT_EQ(0, RunCli(args).code);
                    const Image rendered8 = clitest::ReadImageOrFail(args[1]);
                    ASSERT_EQ(rendered8.pixels, out.pixels);
                    for (size_t i = 0; i < in.pixels.size(); ++i) kept += in.pixels[i] == out.pixels[i];
                } else {
                    flare::FilterParameters s = flare::DefaultFlareParameters();
                    s.positionX = 8;
                    s.positionY = 6;
                    s.flareSize = 0.5;
                    s.reflectionsBright = 0;
                    s.previewScale = 1;
                    const size_t sampleBytes = bits / 8;
                    const uint8_t* source = bits == 16 ? reinterpret_cast<const uint8_t*>(in.deep.data())
                                                       : reinterpret_cast<const uint8_t*>(in.floats.data());
                    std::vector<uint8_t> expected(in.pixels.size() * sampleBytes);
                    kelvo::DeepArea area;
                    area.in = source;
                    area.out = expected.data();
                    area.inRowBytes = area.outRowBytes = size_t{40} * channels * sampleBytes;
                    area.width = 40;
                    area.height = 23;
                    area.planes = channels;
                    area.samples = bits == 16 ? kelvo::DeepSamples::U16 : kelvo::DeepSamples::F32;
                    area.white = 65535;
                    ASSERT_EQ(kelvo::RenderEnd::Done, flare::RenderFlareDeep(area, s, RenderCallbacks{}));
                    const uint8_t* result = bits == 16 ? reinterpret_cast<const uint8_t*>(out.deep.data())
                                                       : reinterpret_cast<const uint8_t*>(out.floats.data());
                    ASSERT_EQ(0, std::memcmp(expected.data(), result, expected.size()));
                    for (size_t i = 0; i < in.pixels.size(); ++i)
                        kept += std::memcmp(source + i * sampleBytes, result + i * sampleBytes, sampleBytes) == 0;
                }
                EXPECT_GT(kept, 0u);
                EXPECT_LT(kept, in.pixels.size());
                if (bits == 32) {
                    EXPECT_GT(*std::max_element(out.floats.begin(), out.floats.end()), 1.2f) << "light above 1 is kept";
                }
            }
}

// 8-bit samples of a photometric interpretation, one square page of each
// side (a palette file gets a grey ramp for its colour map).
void WritePages(const std::string& path, uint16_t photometric, uint16_t samples, std::vector<uint32_t> sides) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(nullptr, tif);
    std::vector<uint16_t> ramp(256);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint16_t>(i * 257);
    for (const uint32_t side : sides) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, side);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, side);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
        if (photometric == PHOTOMETRIC_PALETTE) TIFFSetField(tif, TIFFTAG_COLORMAP, ramp.data(), ramp.data(), ramp.data());
        std::vector<uint8_t> row(size_t{side} * samples);
        for (uint32_t y = 0; y < side; ++y) {
            for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(y * 31 + i * 5);
            ASSERT_GE(TIFFWriteScanline(tif, row.data(), y, 0), 0);
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

TEST(TiffFiles, LayoutsReadAsColourAreJudgedByTheChannelsTheyDecodeTo) {
    clitest::ScratchDir dir;
    struct Case {
        uint16_t photometric, samples;
        const char* output;
        int code;  // a refusal before the render is a usage error
    } cases[] = {
        {PHOTOMETRIC_SEPARATED, 4, "cmyk.jpg", 0},
        {PHOTOMETRIC_SEPARATED, 4, "cmyk.pgm", 2},
        {PHOTOMETRIC_PALETTE, 1, "palette.ppm", 0},
        {PHOTOMETRIC_PALETTE, 1, "palette.pgm", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        WritePages(dir.File("in.tif"), c.photometric, c.samples, {12});
        const clitest::RunResult r = RunCli({dir.File("in.tif"), dir.File(c.output), "--no-progress"});
        EXPECT_EQ(c.code, r.code) << r.err;
        if (c.code == 0) {
            EXPECT_EQ(3, clitest::ReadImageOrFail(dir.File(c.output)).channels);
        } else {
            EXPECT_NE(std::string::npos, r.err.find("this image has 3 channels")) << r.err;
        }
    }
}

// An EXIF block (big-endian) with the maker and orientation in the first
// directory, an exposure time in the EXIF directory and a latitude reference
// in the GPS directory; the offsets are laid out by hand.
std::vector<uint8_t> ExifBlock() {
    std::vector<uint8_t> b = {'M', 'M', 0, 42, 0, 0, 0, 8,
                              // first directory at 8: 4 entries
                              0, 4,
                              1, 15, 0, 2, 0, 0, 0, 4, 'K', 'l', 'v', 0,        // Make "Klv"
                              1, 18, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0,              // Orientation 6
                              0x87, 0x69, 0, 4, 0, 0, 0, 1, 0, 0, 0, 62,        // EXIF directory at 62
                              0x88, 0x25, 0, 4, 0, 0, 0, 1, 0, 0, 0, 88,        // GPS directory at 88
                              0, 0, 0, 0,
                              // EXIF directory at 62: exposure time 1/250 at 80
                              0, 1, 0x82, 0x9A, 0, 5, 0, 0, 0, 1, 0, 0, 0, 80, 0, 0, 0, 0,
                              0, 0, 0, 1, 0, 0, 0, 250,
                              // GPS directory at 88: latitude reference "N"
                              0, 1, 0, 1, 0, 2, 0, 0, 0, 2, 'N', 0, 0, 0, 0, 0, 0, 0};
    return b;
}

TEST(TiffFiles, ExifTravelsBetweenTiffAndTheOtherFormats) {
    clitest::ScratchDir dir;
    Image photo = clitest::SparkImage(30, 20);
    photo.metadata.exif = ExifBlock();
    clitest::WriteImageOrFail(dir.File("in.jpg"), photo);
    const clitest::RunResult r = RunCli({dir.File("in.jpg"), dir.File("out.tif")});
    ASSERT_EQ(0, r.code) << r.err;

    // libtiff finds the tags where a TIFF keeps them.
    TIFF* tif = TIFFOpen(dir.File("out.tif").c_str(), "r");
    ASSERT_NE(nullptr, tif);
    EXPECT_FALSE(TIFFIsBigEndian(tif) == 0) << "written in the EXIF block's byte order";
    uint16_t compression = 0, orientation = 0;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    EXPECT_EQ(COMPRESSION_ADOBE_DEFLATE, compression) << "the default for a file that was no TIFF";
    TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation);
    EXPECT_EQ(6, orientation);
    char* make = nullptr;
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_MAKE, &make));
    EXPECT_STREQ("Klv", make);
    toff_t exifAt = 0;
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_EXIFIFD, &exifAt));
    ASSERT_TRUE(TIFFReadEXIFDirectory(tif, exifAt));
    float exposure = 0;
    ASSERT_TRUE(TIFFGetField(tif, EXIFTAG_EXPOSURETIME, &exposure));
    EXPECT_NEAR(1.0 / 250, exposure, 1e-7);
    TIFFClose(tif);

    // And back: TIFF to PNG carries the block read from the TIFF unchanged,
    // TIFF to TIFF gives the same block again.
    ASSERT_EQ(0, RunCli({dir.File("out.tif"), dir.File("again.tif")}).code);
    ASSERT_EQ(0, RunCli({dir.File("out.tif"), dir.File("out.png")}).code);
    const std::vector<uint8_t> fromTiff = clitest::ReadImageOrFail(dir.File("out.tif")).metadata.exif;
    const std::vector<uint8_t> gps = {0, 1, 0, 1, 0, 2, 0, 0, 0, 2, 'N', 0};
    EXPECT_NE(fromTiff.end(), std::search(fromTiff.begin(), fromTiff.end(), gps.begin(), gps.end()));
    EXPECT_EQ(fromTiff, clitest::ReadImageOrFail(dir.File("again.tif")).metadata.exif);
    EXPECT_EQ(fromTiff, clitest::ReadImageOrFail(dir.File("out.png")).metadata.exif);

    // Float samples in a PNG: clipped, with a word.
    Image hdr = clitest::PatternImage(8, 8, 3);
    hdr.floats.assign(hdr.pixels.size(), 2.0f);
    clitest::WriteImageOrFail(dir.File("hdr.tif"), hdr);
    const clitest::RunResult png = RunCli({dir.File("hdr.tif"), dir.File("hdr.png")});
    EXPECT_NE(std::string::npos, png.err.find("floating-point samples are written at 16 bits")) << png.err;
}

// Decodes with the process's standard error sent to a file, which must stay
// empty: libtiff speaks through our message only.
std::string DecodeQuietly(const std::vector<uint8_t>& bytes, const std::string& errorFile) {
    std::fflush(stderr);
    const int saved = dup(2);
    std::FILE* sink = std::fopen(errorFile.c_str(), "w");
    dup2(fileno(sink), 2);
    Image image;
    std::string error;
    EXPECT_FALSE(image::DecodeImage(bytes.data(), bytes.size(), &image, &error));
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::fclose(sink);
    EXPECT_TRUE(clitest::ReadBytes(errorFile).empty()) << std::string(clitest::ReadBytes(errorFile).begin(),
                                                                      clitest::ReadBytes(errorFile).end());
    return error;
}

TEST(TiffFiles, DamagedAndOversizedFilesAreNamed) {
    clitest::ScratchDir dir;
    WriteWithLibtiff(dir.File("lzw.tif"), Layout{16, 3, COMPRESSION_LZW}, 64, 40);
    std::vector<uint8_t> bytes = clitest::ReadBytes(dir.File("lzw.tif"));

    // Strips overwritten with noise: the LZW decoder's complaint is the message.
    std::vector<uint8_t> noisy = bytes;
    for (size_t i = 8; i < 4000; ++i) noisy[i] = static_cast<uint8_t>(i * 7919 >> 3);
    std::string error = DecodeQuietly(noisy, dir.File("stderr1"));
    EXPECT_EQ(0u, error.find("cannot decode TIFF: ")) << error;

    // The first directory beyond the end of the file.
    error = DecodeQuietly(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1000), dir.File("stderr2"));
    EXPECT_NE(std::string::npos, error.find("TIFF file is truncated")) << error;

    // A header declaring 40000 x 40000 pixels is refused before decoding.
    std::vector<uint8_t> huge = {'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0,
                                 0, 1, 4, 0, 1, 0, 0, 0, 0x40, 0x9C, 0, 0,
                                 1, 1, 4, 0, 1, 0, 0, 0, 0x40, 0x9C, 0, 0, 0, 0, 0, 0};
    error = DecodeQuietly(huge, dir.File("stderr3"));
    EXPECT_EQ(0u, error.find("the image is 40000 x 40000 pixels")) << error;

    // Read from a file, a directory after 1.2 MB of samples is read on to;
    // one that would lie beyond what the largest image's file can take is
    // refused before the file is read further.
    WriteWithLibtiff(dir.File("big.tif"), Layout{16, 4, COMPRESSION_NONE}, 500, 300);
    EXPECT_EQ(500, clitest::ReadImageOrFail(dir.File("big.tif")).width);
    huge[4] = 0;
    huge[5] = huge[6] = huge[7] = 0xFF;
    huge.resize(3 << 20);
    clitest::WriteBytes(dir.File("far.tif"), huge);
    Image image;
    EXPECT_FALSE(image::ReadImage(dir.File("far.tif"), &image, &error));
    EXPECT_NE(std::string::npos, error.find("beyond any image that is read")) << error;

    // Pages after the first make the file longer than the first page can be
    // (a thumbnail, then 72 MB): only the first is read, with a warning.
    WritePages(dir.File("pages.tif"), PHOTOMETRIC_MINISBLACK, 1, {8, 8500});
    ASSERT_TRUE(image::ReadImage(dir.File("pages.tif"), &image, &error)) << error;
    EXPECT_EQ(8, image.width);
    std::string warnings;
    for (const std::string& w : image.metadata.notCarried) warnings += w + "; ";
    EXPECT_NE(std::string::npos, warnings.find("holds 2 images")) << warnings;
}

}  // namespace

}  // namespace kelvo
