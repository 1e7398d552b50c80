// A layer through the renderers. Perceptual 8-bit RGB and grey layers are
// rendered as they are, byte for byte as kelvo-render renders the same image.
// Every other layer takes the deep path in floating point, in its own format:
// the output starts as the input's exact bytes, and only the pixels that
// receive light are converted back into the layer's format and written, so
// untouched pixels keep their values to the bit whatever the format (u8, u16,
// u32, half, float, double; linear or perceptual; grey or RGB; with or
// without alpha; and formats GIMP never gives a layer, such as Y'CbCr, CMYK,
// Lab or HSV, which are rendered as RGB and never taken for grey).
#pragma once

#include <babl/babl.h>
#include <gegl.h>

#include "deep_area.h"
#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo::gegl {

struct LayerFormat {
    // The format of the operation's buffers: R'G'B'(A) or Y'(A) u8 for 8-bit
    // perceptual layers, otherwise the layer's own format.
    const Babl* format = nullptr;
    int planes = 0;     // 8-bit: planes of `format`; deep: planes of `work`
    bool deep = false;
    // Deep layers: the float format rendered in (RGB or grey, the layer's
    // linear or perceptual light; with alpha when `colour` is null), whether it
    // holds linear light, and the layer's colour components alone in its own
    // type, or null when the whole pixel is converted back from `work`.
    const Babl* work = nullptr;
    bool linear = false;
    const Babl* colour = nullptr;
    // Perceptual 16-bit RGB and grey layers are rendered on their own samples
    // (white 65535), as kelvo-render renders a 16-bit file; `planes` then
    // counts every component, alpha included.
    bool samples16 = false;
};

// The format the layer is worked in, from the format it arrives in (null:
// RGBA, floating point, linear), in the arriving format's colour space.
LayerFormat WorkingFormat(const Babl* source);

// The rectangle covering `extent` (level-0 pixels) at a mipmap level.
GeglRectangle RectangleAtLevel(const GeglRectangle& extent, int level);

struct LayerRender {
    bool (*render)(const PixelArea& area, const void* record, const RenderCallbacks& callbacks) = nullptr;
    kelvo::RenderEnd (*renderDeep)(const kelvo::DeepArea& area, const void* record,
                                   const RenderCallbacks& callbacks) = nullptr;
    const void* record = nullptr;
    RenderCallbacks callbacks;
};

// Reads `rect` (pixels of `level`) from the input, renders it and writes the
// result to the output at the same level. Returns false, with the output a
// copy of the input, when a side is longer than kMaxAreaSide or memory runs
// out.
bool RenderLayer(GeglBuffer* input, GeglBuffer* output, const GeglRectangle& rect, int level,
                 const LayerFormat& format, const LayerRender& render);

}  // namespace kelvo::gegl
