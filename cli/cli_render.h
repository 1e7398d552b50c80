// Running a filter's renderer entry on a decoded image: the whole image is the
// filter area, rendered at full size in one piece.
#pragma once

#include <cstdint>
#include <string>

#include "cli_settings.h"
#include "image_io.h"

namespace kelvo::cli {

// Told `done` of `total` rows as the renderer goes.
using ProgressFunction = void (*)(int32_t done, int32_t total);

// Renders the filter over the whole input into *output (same size and channel
// count, and the input's metadata): every channel is an interleaved plane,
// rows are packed, nothing asks to stop, and progress goes to `progress`
// (null: dropped). A 16-bit input takes the filter's deep entry (renderDeep)
// on its samples, white 65535. Returns false with a message for an image the
// renderers cannot take or memory that runs out.
bool RenderImage(const FilterSettings& settings, const image::Image& input, image::Image* output,
                 ProgressFunction progress, std::string* error);

}  // namespace kelvo::cli
