// Emberlit over 16-bit and floating-point images (deep_area.h).
#pragma once

#include "deep_area.h"
#include "glow_parameters.h"
#include "render_callbacks.h"

namespace kelvo::glow {

// Copies the area's input to its output (distinct buffers) and makes the
// pixels inside the threshold windows glow, with the same windows, radius,
// planes, order of rows, progress and stops as GlowPass. The windows are
// tested on each sample reduced to 0..255 (for linear light, of its sRGB
// encoding); a source adds its deep value times the weight (GlowWeight),
// not truncated, to each target, and each target's sum is added to it once,
// saturating at white in integer images. A source adds light from every
// light plane above 0, so a source whose 8-bit planes are all too dark to add
// a byte still adds its little light. Returns Stopped when the callbacks
// stopped it and OutOfMemory, with the output a copy of the input, when its
// row store cannot be had.
kelvo::RenderEnd RenderGlowDeep(const kelvo::DeepArea& area, const FilterParameters& settings,
                                const RenderCallbacks& callbacks);

}  // namespace kelvo::glow
