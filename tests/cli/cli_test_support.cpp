#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "cli_app.h"

namespace kelvo::clitest {

image::Image ReadImageOrFail(const std::string& path) {
    image::Image image;
    std::string error;
    EXPECT_TRUE(image::ReadImage(path, &image, &error)) << error;
    return image;
}

void WriteImageOrFail(const std::string& path, const image::Image& image) {
    std::string error;
    EXPECT_TRUE(image::WriteImage(path, image, &error)) << error;
}

ScratchDir::ScratchDir() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path = std::filesystem::temp_directory_path() /
           ("kelvo-cli-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string StreamText(std::FILE* f) {
    std::string text;
    std::rewind(f);
    int c;
    while ((c = std::fgetc(f)) != EOF) text.push_back(static_cast<char>(c));
    return text;
}

RunResult RunCli(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"kelvo-render"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    RunResult r;
    r.code = cli::RunKelvoRender(static_cast<int>(argv.size()), argv.data(), out, err);
    r.out = StreamText(out);
    r.err = StreamText(err);
    std::fclose(out);
    std::fclose(err);
    return r;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

image::Image PatternImage(int32_t width, int32_t height, int32_t channels) {
    image::Image image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.resize(image::ImageBytes(image));
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>((i * 37 + i / 7) & 0xFF);
    return image;
}

image::Image SparkImage(int32_t width, int32_t height) {
    image::Image image;
    image.width = width;
    image.height = height;
    image.channels = 3;
    image.pixels.assign(image::ImageBytes(image), 0);
    const int32_t spots[][2] = {{width / 2, height / 2}, {width / 3, height / 4}, {2 * width / 3, 3 * height / 4}};
    for (const auto& s : spots) {
        const size_t at = (static_cast<size_t>(s[1]) * width + s[0]) * 3;
        image.pixels[at] = image.pixels[at + 1] = image.pixels[at + 2] = 255;
    }
    return image;
}

}  // namespace kelvo::clitest
