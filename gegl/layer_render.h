// A layer through an 8-bit renderer. Perceptual 8-bit layers are rendered as
// they are, byte for byte as kelvo-render renders the same image. Every other
// layer (16-bit, floating point, linear light) is read in floating point,
// reduced to 8 bits for the renderer, and what the render changed is added
// back to the floating-point samples (deep_samples.h): untouched pixels keep
// their values, and light lands on the original ones.
#pragma once

#include <babl/babl.h>
#include <gegl.h>

#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo_gegl {

struct LayerFormat {
    const Babl* format = nullptr;  // R'G'B'A, R'G'B', Y'A or Y', u8 or float
    int planes = 0;
    bool deep = false;  // float samples, reduced for the renderer
};

// The format the layer is worked in, from the format it arrives in (null:
// RGBA, floating point), in the arriving format's colour space.
LayerFormat WorkingFormat(const Babl* source);

// The rectangle covering `extent` (level-0 pixels) at a mipmap level.
GeglRectangle RectangleAtLevel(const GeglRectangle& extent, int level);

// The largest side rendered; a larger layer is passed through unchanged.
constexpr int kMaxLayerSide = 32767;

struct LayerRender {
    bool (*render)(const PixelArea& area, const void* record, const RenderCallbacks& callbacks) = nullptr;
    const void* record = nullptr;
    RenderCallbacks callbacks;
};

// Reads `rect` (pixels of `level`) from the input, renders it and writes the
// result to the output at the same level. Returns false, with the output a
// copy of the input, when the rectangle is too large or memory runs out.
bool RenderLayer(GeglBuffer* input, GeglBuffer* output, const GeglRectangle& rect, int level,
                 const LayerFormat& format, const LayerRender& render);

}  // namespace kelvo_gegl
