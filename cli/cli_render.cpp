#include "cli_render.h"

#include "deep_samples.h"
#include "render_flare.h"
#include "render_glow.h"

namespace cli {

bool RenderImage(const FilterSettings& settings, const imageio::Image& input, imageio::Image* output,
                 ProgressProc progress, std::string* error) {
    if (!imageio::ImageIsValid(input)) {
        *error = "invalid input image";
        return false;
    }
    if (input.width > kMaxRenderSide || input.height > kMaxRenderSide) {
        *error = "the image is " + std::to_string(input.width) + " x " + std::to_string(input.height) +
                 " pixels; the filters take at most " + std::to_string(kMaxRenderSide) + " pixels per side";
        return false;
    }
    const size_t rowBytes = imageio::RowBytes(input);
    if (rowBytes > static_cast<size_t>(INT32_MAX)) {
        *error = "image rows too long for the filters";
        return false;
    }

    imageio::Image result;
    result.width = input.width;
    result.height = input.height;
    result.channels = input.channels;
    result.pixels.assign(imageio::ImageBytes(input), 0);

    // The whole image is the filter area, at full size, in one piece.
    PixelArea area;
    area.in = input.pixels.data();
    area.out = result.pixels.data();
    area.inRowBytes = rowBytes;
    area.outRowBytes = rowBytes;
    area.width = input.width;
    area.height = input.height;
    area.planes = input.channels;

    RenderCallbacks callbacks;
    if (progress != nullptr) {
        callbacks.context = &progress;
        callbacks.progress = [](void* context, int32_t done, int32_t total) {
            (*static_cast<ProgressProc*>(context))(done, total);
        };
    }
    if (settings.filter == FilterChoice::Flare)
        flare::RenderFlareArea(area, settings.flare, callbacks);
    else
        glow::RenderGlowArea(area, settings.glow, callbacks);

    // A 16-bit image: the render's change added to the original samples.
    if (!input.deep.empty()) {
        result.deep = input.deep;
        kelvo::AddChange16(input.pixels.data(), result.pixels.data(), result.deep.data(), result.deep.size());
    }
    result.metadata = input.metadata;
    *output = std::move(result);
    return true;
}

}  // namespace cli
