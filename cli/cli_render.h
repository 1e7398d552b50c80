// Running a filter's renderer entry without a host: the command-line renderer
// plays the host's part itself, delivering the whole image at full size in one
// piece, as the modules' run driver has the host do for a final run.
#pragma once

#include <cstdint>
#include <string>

#include "cli_settings.h"
#include "host_interface.h"
#include "image_io.h"

namespace cli {

// The widest and tallest image the host interface's 16-bit rectangles can describe.
constexpr int32_t kMaxRenderSide = static_cast<int32_t>(imageio::kMaxDecodeSide);

// Renders the filter over the whole input into *output (same size and channel
// count). The renderer gets a FilterRecord with filterRect, inRect and outRect
// all (0, 0, height, width), every channel as an interleaved plane, packed
// rows, an abort callback that never asks to stop and the given progress
// callback (null: progress is dropped), and `parameters` pointing to a handle
// whose block is a copy of the chosen settings record. Returns false with a
// message for an image the interface cannot carry.
bool RenderImage(const FilterSettings& settings, const imageio::Image& input, imageio::Image* output,
                 ProgressProc progress, std::string* error);

}  // namespace cli
