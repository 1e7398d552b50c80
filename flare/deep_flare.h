// Halvane over 16-bit and floating-point images (deep_area.h).
#pragma once

#include "deep_area.h"
#include "flare_parameters.h"
#include "render_callbacks.h"

namespace kelvo::flare {

// Copies the area's input to its output (they may be one buffer) and draws
// the lens flare with the same settings, geometry, order of elements, progress
// and stops as RenderFlareArea. What differs from 8 bits: every amount stays a
// real number, the softening of each element's square works on the light
// drawn so far and never on the picture under it, and the light is added to
// the picture once, at the end, in the image's own scale. The light reaches as
// far as the 8-bit flare's (flare_reach.h: beyond it every amount is below one
// 8-bit step). Returns Stopped when the callbacks stopped it (the light drawn
// until then is added) and OutOfMemory, with the output a copy of the input,
// when its light layer cannot be had.
kelvo::RenderEnd RenderFlareDeep(const kelvo::DeepArea& area, const FilterParameters& settings,
                                 const RenderCallbacks& callbacks);

}  // namespace kelvo::flare
