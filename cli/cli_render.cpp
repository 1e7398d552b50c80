#include "cli_render.h"

#include "deep_samples.h"

namespace kelvo::cli {

bool RenderImage(const FilterSettings& settings, const image::Image& input, image::Image* output,
                 ProgressFunction progress, std::string* error) {
    if (!image::ImageIsValid(input)) {
        *error = "invalid input image";
        return false;
    }
    if (input.width > kMaxAreaSide || input.height > kMaxAreaSide) {
        *error = "the image is " + std::to_string(input.width) + " x " + std::to_string(input.height) +
                 " pixels; the filters take at most " + std::to_string(kMaxAreaSide) + " pixels per side";
        return false;
    }
    const size_t rowBytes = image::RowBytes(input);
    if (rowBytes > static_cast<size_t>(INT32_MAX)) {
        *error = "image rows too long for the filters";
        return false;
    }

    image::Image result;
    result.width = input.width;
    result.height = input.height;
    result.channels = input.channels;
    result.pixels.assign(image::ImageBytes(input), 0);

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
            (*static_cast<ProgressFunction*>(context))(done, total);
        };
    }
    if (!input.deep.empty() || !input.floats.empty()) {
        // A 16-bit image takes the deep path on its own samples (white
        // 65535), a floating-point one on its floats, taken as perceptual
        // values as their 8-bit reduction takes them (light above 1 is kept);
        // the 8-bit pixels are the result's reduction.
        const bool floats = !input.floats.empty();
        if (floats)
            result.floats.assign(input.floats.size(), 0.0f);
        else
            result.deep.assign(input.deep.size(), 0);
        kelvo::DeepArea deep;
        deep.in = floats ? reinterpret_cast<const uint8_t*>(input.floats.data())
                         : reinterpret_cast<const uint8_t*>(input.deep.data());
        deep.out = floats ? reinterpret_cast<uint8_t*>(result.floats.data())
                          : reinterpret_cast<uint8_t*>(result.deep.data());
        deep.inRowBytes = deep.outRowBytes = rowBytes * (floats ? sizeof(float) : sizeof(uint16_t));
        deep.width = input.width;
        deep.height = input.height;
        deep.planes = input.channels;
        deep.samples = floats ? kelvo::DeepSamples::F32 : kelvo::DeepSamples::U16;
        deep.white = 65535;
        deep.linear = false;
        const kelvo::RenderEnd end = settings.filter->renderDeep(deep, SettingsRecord(settings), callbacks);
        if (end == kelvo::RenderEnd::OutOfMemory) {
            *error = "out of memory";
            return false;
        }
        if (floats)
            for (size_t i = 0; i < result.floats.size(); ++i) result.pixels[i] = kelvo::ReduceUnit(result.floats[i]);
        else
            for (size_t i = 0; i < result.deep.size(); ++i) result.pixels[i] = kelvo::Reduce16(result.deep[i]);
    } else {
        settings.filter->render(area, SettingsRecord(settings), callbacks);
    }
    result.metadata = input.metadata;
    *output = std::move(result);
    return true;
}

}  // namespace kelvo::cli
