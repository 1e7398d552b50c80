// GIMP's zoomed-out preview (a mipmap level above 0) as the full render
// reduced: the layer is rendered at full size into a buffer of its own and
// read back at the level, through GEGL's own reduction, the one GIMP uses to
// show the image zoomed out. So the preview shows what OK gives; a render of
// the reduced image at previewScale 2^level, as the modules' dialogs draw
// their previews, places and shapes the thin rays differently.
#pragma once

#include <cstdint>

#include <gegl.h>

#include "layer_render.h"

namespace kelvo::gegl {

// The largest layer (level-0 pixels) whose previews are rendered at full
// size: 32 megapixels, a render of about a second at the busiest settings.
// Larger layers preview at previewScale 2^level.
constexpr int64_t kMaxFullPreviewPixels = int64_t{1} << 25;

bool FullPreviewFits(const GeglRectangle& whole);

// Renders `whole` (level-0 pixels) at full size and writes it to the output
// reduced to `level`. Returns false, as RenderLayer does, when the layer is too
// large or memory runs out.
bool RenderReducedFromFull(GeglBuffer* input, GeglBuffer* output, const GeglRectangle& whole, int level,
                           const LayerFormat& format, const LayerRender& render);

}  // namespace kelvo::gegl
