// Halvane's renderer: the library entry that every caller uses (the module,
// kelvo-render and the GEGL operation), and the module's adapter from the
// host's record to it.
#pragma once

#include "flare_parameters.h"
#include "pixel_area.h"
#include "plugin.h"
#include "render_callbacks.h"

namespace flare {

// Copies the area's input to its output (the two may be one buffer) and draws
// the lens flare over it with `settings`, at the scale given by their
// previewScale (from kMinWorkingScale up; below 1 enlarges the flare, below
// kMinWorkingScale or not a number: full size). The flare's centre and the reflections'
// axis are in the area's own pixels. Returns false when the callbacks stopped
// the render (the passes end where they were told to), true otherwise.
bool RenderFlareArea(const PixelArea& area, const FilterParameters& settings, const RenderCallbacks& callbacks);

// The module's entry: the area the host delivered and the settings record
// behind its `parameters`, with the host's abortProc and progressProc. With no
// area it does nothing; with no record the output is a copy of the input.
bool RenderFlare(PluginGlobals* globals);

}  // namespace flare
