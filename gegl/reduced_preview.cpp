#include "reduced_preview.h"

#include <new>
#include <vector>

namespace kelvo::gegl {

bool FullPreviewFits(const GeglRectangle& whole) {
    return static_cast<int64_t>(whole.width) * whole.height <= kMaxFullPreviewPixels;
}

bool RenderReducedFromFull(GeglBuffer* input, GeglBuffer* output, const GeglRectangle& whole, int level,
                           const LayerFormat& format, const LayerRender& render) {
    GeglBuffer* full = gegl_buffer_new(&whole, format.format);
    const bool rendered = RenderLayer(input, full, whole, 0, format, render);
    const GeglRectangle rect = RectangleAtLevel(whole, level);
    bool written = false;
    try {
        std::vector<uint8_t> pixels(static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height) *
                                    static_cast<size_t>(babl_format_get_bytes_per_pixel(format.format)));
        gegl_buffer_get(full, &rect, 1.0 / static_cast<double>(1 << level), format.format, pixels.data(),
                        GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
        gegl_buffer_set(output, &rect, level, format.format, pixels.data(), GEGL_AUTO_ROWSTRIDE);
        written = true;
    } catch (const std::bad_alloc&) {
    }
    g_object_unref(full);
    return rendered && written;
}

}  // namespace kelvo::gegl
