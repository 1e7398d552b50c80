// Halvane's renderer: the core entry that every caller uses (the module,
// kelvo-render and the GEGL operation).
#pragma once

#include "flare_parameters.h"
#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo::flare {

// Copies the area's input to its output (the two may be one buffer) and draws
// the lens flare over it with `settings`, at the scale given by their
// previewScale (from kMinWorkingScale up; below 1 enlarges the flare, below
// kMinWorkingScale or not a number: full size). The flare's centre and the reflections'
// axis are in the area's own pixels. Returns false when the callbacks stopped
// the render (the passes end where they were told to), true otherwise.
bool RenderFlareArea(const PixelArea& area, const FilterParameters& settings, const RenderCallbacks& callbacks);

}  // namespace kelvo::flare
