#include "layer_render.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "deep_samples.h"

namespace kelvo_gegl {
namespace {

int FloorDiv(int v, int f) { return v >= 0 ? v / f : -((-v + f - 1) / f); }
int CeilDiv(int v, int f) { return -FloorDiv(-v, f); }

double LevelScale(int level) { return 1.0 / static_cast<double>(1 << level); }

void CopyThrough(GeglBuffer* input, GeglBuffer* output, const GeglRectangle& rect, int level, const Babl* format) {
    if (level == 0) {
        gegl_buffer_copy(input, &rect, GEGL_ABYSS_NONE, output, &rect);
        return;
    }
    try {
        std::vector<uint8_t> pixels(static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height) *
                                    static_cast<size_t>(babl_format_get_bytes_per_pixel(format)));
        gegl_buffer_get(input, &rect, LevelScale(level), format, pixels.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
        gegl_buffer_set(output, &rect, level, format, pixels.data(), GEGL_AUTO_ROWSTRIDE);
    } catch (const std::bad_alloc&) {
    }
}

PixelArea Area(const uint8_t* in, uint8_t* out, const GeglRectangle& rect, int planes) {
    PixelArea area;
    area.in = in;
    area.out = out;
    area.width = rect.width;
    area.height = rect.height;
    area.planes = planes;
    area.inRowBytes = area.outRowBytes = static_cast<size_t>(rect.width) * static_cast<size_t>(planes);
    return area;
}

}  // namespace

LayerFormat WorkingFormat(const Babl* source) {
    bool grey = false, alpha = true, eightBit = false, perceptual = false;
    if (source != nullptr) {
        const char* model = babl_get_name(babl_format_get_model(source));
        grey = model[0] == 'Y';
        alpha = babl_format_has_alpha(source) != 0;
        eightBit = babl_format_get_type(source, 0) == babl_type("u8");
        perceptual = std::strchr(model, '\'') != nullptr || std::strchr(model, '~') != nullptr;
    }
    LayerFormat format;
    format.deep = !(eightBit && perceptual);
    format.planes = (grey ? 1 : 3) + (alpha ? 1 : 0);
    std::string name = grey ? "Y'" : "R'G'B'";
    if (alpha) name += "A";
    name += format.deep ? " float" : " u8";
    format.format = source != nullptr ? babl_format_with_space(name.c_str(), source) : babl_format(name.c_str());
    return format;
}

GeglRectangle RectangleAtLevel(const GeglRectangle& extent, int level) {
    if (level <= 0) return extent;
    const int f = 1 << level;
    const int x0 = FloorDiv(extent.x, f), y0 = FloorDiv(extent.y, f);
    const int x1 = CeilDiv(extent.x + extent.width, f), y1 = CeilDiv(extent.y + extent.height, f);
    return GeglRectangle{x0, y0, x1 - x0, y1 - y0};
}

bool RenderLayer(GeglBuffer* input, GeglBuffer* output, const GeglRectangle& rect, int level,
                 const LayerFormat& format, const LayerRender& render) {
    if (rect.width <= 0 || rect.height <= 0) return true;
    if (rect.width > kMaxLayerSide || rect.height > kMaxLayerSide) {
        CopyThrough(input, output, rect, level, format.format);
        return false;
    }
    const size_t samples = static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height) *
                           static_cast<size_t>(format.planes);
    const double scale = LevelScale(level);
    try {
        if (!format.deep) {
            std::vector<uint8_t> in(samples), out(samples);
            gegl_buffer_get(input, &rect, scale, format.format, in.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
            render.render(Area(in.data(), out.data(), rect, format.planes), render.record, render.callbacks);
            gegl_buffer_set(output, &rect, level, format.format, out.data(), GEGL_AUTO_ROWSTRIDE);
            return true;
        }
        std::vector<float> deep(samples);
        gegl_buffer_get(input, &rect, scale, format.format, deep.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
        std::vector<uint8_t> before(samples), after(samples);
        for (size_t i = 0; i < samples; ++i) before[i] = kelvo::ReduceUnit(deep[i]);
        render.render(Area(before.data(), after.data(), rect, format.planes), render.record, render.callbacks);
        kelvo::AddChangeUnit(before.data(), after.data(), deep.data(), samples);
        gegl_buffer_set(output, &rect, level, format.format, deep.data(), GEGL_AUTO_ROWSTRIDE);
        return true;
    } catch (const std::bad_alloc&) {
        CopyThrough(input, output, rect, level, format.format);
        return false;
    }
}

}  // namespace kelvo_gegl
