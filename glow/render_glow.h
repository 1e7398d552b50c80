// Emberlit's renderer: the library entry that every caller uses (the module,
// kelvo-render and the GEGL operation), and the module's adapter from the
// host's record to it.
#pragma once

#include "glow_parameters.h"
#include "pixel_area.h"
#include "plugin.h"
#include "render_callbacks.h"

namespace glow {

// Copies the area's input to its output (they must be distinct buffers: the
// glow reads the input while it writes the output) and makes the pixels
// inside the threshold windows glow onto their neighbours. Progress and abort
// are asked only at full size (previewScale 1). Returns false when the
// callbacks stopped the pass, true otherwise.
bool RenderGlowArea(const PixelArea& area, const FilterParameters& settings, const RenderCallbacks& callbacks);

// The module's entry: the area the host delivered and the settings record
// behind its `parameters`, with the host's abortProc and progressProc.
bool RenderGlow(PluginGlobals* globals);

}  // namespace glow
