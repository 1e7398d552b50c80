// The settings-file reader over arbitrary files, followed by a small render
// with what it loaded: the record keeps its previewScale, and no loaded value
// may take the renderer outside its buffers.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "flare_parameters.h"
#include "render_flare.h"
#include "settings_file.h"

namespace {

// The reader takes a path: each input is written to this file first.
std::string ScratchPath() { return "/tmp/kelvo-fuzz-settings-" + std::to_string(getpid()) + ".lns"; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvo;
    static const std::string path = [] {
        std::atexit([] { std::remove(ScratchPath().c_str()); });
        return ScratchPath();
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);

    flare::FilterParameters settings = flare::DefaultFlareParameters();
    settings.previewScale = 2.0;
    const bool loaded = flare::LoadSettingsFile(path.c_str(), &settings);
    if (loaded != (size >= 1 && data[0] == flare::kSettingsFileMarker)) std::abort();
    if (settings.previewScale != 2.0) std::abort();
    if (!loaded) return 0;
    const size_t count = size - 1 < sizeof settings ? size - 1 : sizeof settings;
    for (size_t i = 0; i < count; ++i) {
        const size_t scale = offsetof(flare::FilterParameters, previewScale);
        if (i >= scale && i < scale + sizeof(double)) continue;
        if (reinterpret_cast<const uint8_t*>(&settings)[i] != data[1 + i]) std::abort();
    }

    // A 24 x 16 RGB render with the loaded settings.
    uint8_t in[24 * 16 * 3], out[24 * 16 * 3];
    for (size_t i = 0; i < sizeof in; ++i) in[i] = static_cast<uint8_t>(i * 7);
    flare::RenderFlareArea(PackedArea(in, out, 24, 16, 3), settings, RenderCallbacks{});
    return 0;
}
