// Scratch files for the command-line renderer's tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "image_io.h"

namespace kelvo::clitest {

// A fresh directory under the system's temporary folder, removed with its
// contents when the object goes.
struct ScratchDir {
    std::filesystem::path path;
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string File(const std::string& name) const { return (path / name).string(); }
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// An image whose samples all differ from their neighbours' (so that swapped
// rows, channels or offsets show), width x height x channels.
image::Image PatternImage(int32_t width, int32_t height, int32_t channels);

// What an in-process run of kelvo-render returned and printed.
struct RunResult {
    int code;
    std::string out;
    std::string err;
};

// Everything written to the stream so far.
std::string StreamText(std::FILE* f);

// Runs kelvo-render in-process with the given arguments (argv[0] added).
RunResult RunCli(const std::vector<std::string>& args);

// Reads or writes an image file, failing the test (with the reason) when that
// does not work.
image::Image ReadImageOrFail(const std::string& path);
void WriteImageOrFail(const std::string& path, const image::Image& image);

// A black RGB image with a few white pixels well inside it.
image::Image SparkImage(int32_t width, int32_t height);

}  // namespace kelvo::clitest
