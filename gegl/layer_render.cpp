#include "layer_render.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>


namespace kelvo::gegl {
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

namespace {

// The models whose colour components come first and stand alone (not
// premultiplied): their colour part, and whether it is grey.
struct ColourModel {
    const char* model;
    const char* colour;
    bool grey;
};
const ColourModel kColourModels[] = {
    {"RGBA", "RGB", false},    {"RGB", "RGB", false},          {"R'G'B'A", "R'G'B'", false},
    {"R'G'B'", "R'G'B'", false}, {"R~G~B~A", "R~G~B~", false}, {"R~G~B~", "R~G~B~", false},
    {"YA", "Y", true},         {"Y", "Y", true},               {"Y'A", "Y'", true},
    {"Y'", "Y'", true},        {"Y~A", "Y~", true},            {"Y~", "Y~", true},
};

// Grey models whose components are premultiplied: grey, but converted whole.
bool PremultipliedGrey(const char* model) {
    return std::strcmp(model, "YaA") == 0 || std::strcmp(model, "Y'aA") == 0 || std::strcmp(model, "Y~aA") == 0;
}

const Babl* Named(const std::string& name, const Babl* space) {
    if (!babl_format_exists(name.c_str())) return nullptr;
    return space != nullptr ? babl_format_with_space(name.c_str(), space) : babl_format(name.c_str());
}

}  // namespace

LayerFormat WorkingFormat(const Babl* source) {
    if (source == nullptr) source = babl_format("RGBA float");
    const char* model = babl_get_name(babl_format_get_model(source));
    const char* type = babl_get_name(babl_format_get_type(source, 0));
    const bool alpha = babl_format_has_alpha(source) != 0;
    const ColourModel* known = nullptr;
    for (const ColourModel& m : kColourModels)
        if (std::strcmp(m.model, model) == 0) known = &m;
    LayerFormat format;
    const bool perceptual = known == nullptr || std::strchr(known->colour, '\'') != nullptr ||
                            std::strchr(known->colour, '~') != nullptr;
    if (known != nullptr && perceptual && std::strcmp(type, "u8") == 0) {
        // 8-bit perceptual: the 8-bit renderers, as kelvo-render renders it.
        std::string name = known->grey ? "Y'" : "R'G'B'";
        if (alpha) name += "A";
        name += " u8";
        format.format = babl_format_with_space(name.c_str(), source);
        format.planes = (known->grey ? 1 : 3) + (alpha ? 1 : 0);
        return format;
    }
    format.deep = true;
    format.format = source;
    if (known != nullptr && perceptual && std::strcmp(type, "u16") == 0) {
        format.samples16 = true;
        format.work = source;
        format.planes = babl_format_get_n_components(source);
        return format;
    }
    if (known != nullptr) {
        // Colour first: rendered in float in the layer's own light, and the
        // lit pixels' colour converted back into the layer's type alone.
        format.work = Named(std::string(known->colour) + " float", source);
        format.colour = Named(std::string(known->colour) + " " + type, source);
        format.linear = !perceptual;
        format.planes = known->grey ? 1 : 3;
        if (format.work != nullptr && format.colour != nullptr) return format;
    }
    // Anything else (premultiplied, Y'CbCr, CMYK, Lab, HSV, ...): rendered as
    // perceptual RGB (grey only for grey models) with alpha, and each lit
    // pixel converted back whole.
    const bool grey = (known != nullptr && known->grey) || PremultipliedGrey(model);
    format.work = babl_format_with_space(grey ? "Y'A float" : "R'G'B'A float", source);
    format.colour = nullptr;
    format.linear = false;
    format.planes = grey ? 2 : 4;
    return format;
}

GeglRectangle RectangleAtLevel(const GeglRectangle& extent, int level) {
    if (level <= 0) return extent;
    const int f = 1 << level;
    const int x0 = FloorDiv(extent.x, f), y0 = FloorDiv(extent.y, f);
    const int x1 = CeilDiv(extent.x + extent.width, f), y1 = CeilDiv(extent.y + extent.height, f);
    return GeglRectangle{x0, y0, x1 - x0, y1 - y0};
}

namespace {

// The deep path: the layer's bytes, read once; the render in float; the lit
// pixels converted back and written over those bytes; the bytes set whole.
bool RenderDeepLayer(GeglBuffer* input, GeglBuffer* output, const GeglRectangle& rect, int level,
                     const LayerFormat& format, const LayerRender& render) {
    const size_t pixels = static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height);
    const size_t layerBytes = static_cast<size_t>(babl_format_get_bytes_per_pixel(format.format));
    const size_t planes = static_cast<size_t>(format.planes);
    std::vector<uint8_t> raw(pixels * layerBytes);
    gegl_buffer_get(input, &rect, LevelScale(level), format.format, raw.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
    kelvo::DeepArea area;
    area.width = rect.width;
    area.height = rect.height;
    area.planes = format.planes;
    if (format.samples16) {
        const std::vector<uint8_t> in = raw;
        area.in = in.data();
        area.out = raw.data();
        area.inRowBytes = area.outRowBytes = static_cast<size_t>(rect.width) * layerBytes;
        area.samples = kelvo::DeepSamples::U16;
        area.white = 65535;
        if (render.renderDeep(area, render.record, render.callbacks) == kelvo::RenderEnd::OutOfMemory)
            throw std::bad_alloc();
        gegl_buffer_set(output, &rect, level, format.format, raw.data(), GEGL_AUTO_ROWSTRIDE);
        return true;
    }
    std::vector<float> in(pixels * planes), out(pixels * planes);
    babl_process(babl_fish(format.format, format.work), raw.data(), in.data(), static_cast<long>(pixels));

    area.in = reinterpret_cast<const uint8_t*>(in.data());
    area.out = reinterpret_cast<uint8_t*>(out.data());
    area.inRowBytes = area.outRowBytes = static_cast<size_t>(rect.width) * planes * sizeof(float);
    area.samples = kelvo::DeepSamples::F32;
    area.linear = format.linear;
    if (render.renderDeep(area, render.record, render.callbacks) == kelvo::RenderEnd::OutOfMemory)
        throw std::bad_alloc();

    // The pixels whose light planes changed, packed, converted, put back.
    const size_t lightBytes = (planes >= 3 ? 3 : 1) * sizeof(float);
    std::vector<size_t> lit;
    for (size_t i = 0; i < pixels; ++i)
        if (std::memcmp(&in[i * planes], &out[i * planes], lightBytes) != 0) lit.push_back(i);
    if (!lit.empty()) {
        const Babl* target = format.colour != nullptr ? format.colour : format.format;
        const size_t targetBytes = static_cast<size_t>(babl_format_get_bytes_per_pixel(target));
        std::vector<float> packed(lit.size() * planes);
        for (size_t k = 0; k < lit.size(); ++k)
            std::memcpy(&packed[k * planes], &out[lit[k] * planes], planes * sizeof(float));
        std::vector<uint8_t> converted(lit.size() * targetBytes);
        babl_process(babl_fish(format.work, target), packed.data(), converted.data(), static_cast<long>(lit.size()));
        for (size_t k = 0; k < lit.size(); ++k)
            std::memcpy(&raw[lit[k] * layerBytes], &converted[k * targetBytes], targetBytes);
    }
    gegl_buffer_set(output, &rect, level, format.format, raw.data(), GEGL_AUTO_ROWSTRIDE);
    return true;
}

}  // namespace

bool RenderLayer(GeglBuffer* input, GeglBuffer* output, const GeglRectangle& rect, int level,
                 const LayerFormat& format, const LayerRender& render) {
    if (rect.width <= 0 || rect.height <= 0) return true;
    if (rect.width > kMaxAreaSide || rect.height > kMaxAreaSide) {
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
        return RenderDeepLayer(input, output, rect, level, format, render);
    } catch (const std::bad_alloc&) {
        CopyThrough(input, output, rect, level, format.format);
        return false;
    }
}

}  // namespace kelvo::gegl
