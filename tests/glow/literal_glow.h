// The glow pass written the plain way: every source weighs every offset of its
// disc and adds plane by plane with saturation. Slow; kept as the reference
// that the production pass must match byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "glow_parameters.h"
#include "glow_pass.h"
#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo::glow_reference {

// The weight of an offset at squared distance d2 in a disc of squared radius r2.
inline double LiteralWeight(int32_t r2, int32_t d2) {
    const double t = static_cast<double>(r2 - d2) / r2;
    return t * ((3 - 2 * t) * t) * glow::kGlowScale;
}

// Adds one source's glow into the output. `colour` holds the source's light
// planes (planes 0, 1, 2, or the grey value alone when lanes is 1).
inline void LiteralAddGlowDisc(const PixelArea& area, int32_t x, int32_t y, float radius, const uint8_t* colour,
                               int32_t lanes) {
    const int32_t r = static_cast<int32_t>(radius);
    const int32_t r2 = static_cast<int32_t>(radius * radius);
    for (int32_t dy = -r; dy <= r; ++dy) {
        for (int32_t dx = -r; dx <= r; ++dx) {
            const int32_t d2 = dx * dx + dy * dy;
            if (d2 == 0 || d2 > r2) continue;
            const int32_t tx = x + dx;
            const int32_t ty = y + dy;
            if (ty < 0 || ty > area.height - 1 || tx < 0 || tx > area.width - 1) continue;
            const double k = LiteralWeight(r2, d2);
            uint8_t* target = area.out + static_cast<size_t>(ty) * area.outRowBytes +
                              static_cast<size_t>(tx) * static_cast<size_t>(area.planes);
            for (int32_t p = lanes - 1; p >= 0; --p) {
                double v = target[p] + colour[p] * k;
                if (v >= 255) v = 255;
                target[p] = static_cast<uint8_t>(v);
            }
        }
    }
}

// Same contract as glow::GlowPass.
inline void LiteralGlowPass(const PixelArea& area, const glow::FilterParameters* settings,
                            const RenderCallbacks& callbacks) {
    if (settings == nullptr || area.in == nullptr || area.out == nullptr || area.width <= 0 ||
        area.height <= 0 || area.planes <= 0)
        return;
    const int32_t radius = glow::GlowRadius(settings->glowLevel);
    const int32_t total = glow::GlowProgressTotal(area.height, radius);
    const int32_t lanes = LightPlanes(area);
    int32_t done = 0;
    for (int32_t y = area.height - 1; y >= 0; --y, ++done) {
        if (settings->previewScale == 1 && y > 0) {
            if (RenderAborted(callbacks)) return;
            RenderProgress(callbacks, done, total);
        }
        for (int32_t x = 0; x < area.width; ++x) {
            const uint8_t* px = area.in + static_cast<size_t>(y) * area.inRowBytes +
                                static_cast<size_t>(x) * static_cast<size_t>(area.planes);
            const uint8_t p0 = px[0];
            const uint8_t p1 = lanes == 3 ? px[1] : px[0];
            const uint8_t p2 = lanes == 3 ? px[2] : px[0];
            const bool source = (settings->redLower <= p0 && p0 <= settings->redUpper) ||
                                (settings->greenLower <= p1 && p1 <= settings->greenUpper) ||
                                (settings->blueLower <= p2 && p2 <= settings->blueUpper);
            if (!source) continue;
            const uint8_t colour[3] = {p0, p1, p2};
            LiteralAddGlowDisc(area, x, y, static_cast<float>(radius), colour, lanes);
        }
    }
}

}  // namespace kelvo::glow_reference
