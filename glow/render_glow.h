// Emberlit's renderer: the core entry that every caller uses (the module,
// kelvo-render and the GEGL operation).
#pragma once

#include "glow_parameters.h"
#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo::glow {

// Copies the area's input to its output (they must be distinct buffers: the
// glow reads the input while it writes the output) and makes the pixels
// inside the threshold windows glow onto their neighbours. Progress and abort
// are asked only at full size (previewScale 1). Returns false when the
// callbacks stopped the pass, true otherwise.
bool RenderGlowArea(const PixelArea& area, const FilterParameters& settings, const RenderCallbacks& callbacks);

}  // namespace kelvo::glow
