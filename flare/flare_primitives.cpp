#include "flare_primitives.h"

#include <cmath>

#include "lit_edges.h"

namespace kelvo::flare {

WorkingView MakeWorkingView(const PixelArea& area) {
    WorkingView view;
    view.out = area.out;
    view.rowBytes = area.outRowBytes;
    view.pixelBytes = static_cast<size_t>(area.planes);
    view.width = area.width;
    view.height = area.height;
    view.lightPlanes = LightPlanes(area);
    return view;
}

namespace {

inline uint8_t* PixelAt(const WorkingView& view, int32_t x, int32_t y) {
    return view.out + static_cast<size_t>(y) * view.rowBytes + static_cast<size_t>(x) * view.pixelBytes;
}

// Stored byte plus amount, clamped to 0..255; the sum is formed in 64 bits so
// that any int32 amount is safe.
inline uint8_t Saturate(uint8_t stored, int32_t amount) {
    const int64_t v = static_cast<int64_t>(stored) + amount;
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

}  // namespace

void AddLight(const WorkingView& view, int32_t x, int32_t y, int32_t a0, int32_t a1, int32_t a2) {
    if (!kelvo::ReceivesLight(x, y, view.width, view.height)) return;
    uint8_t* p = PixelAt(view, x, y);
    if (view.lightPlanes >= 3) {
        p[0] = Saturate(p[0], a0);
        p[1] = Saturate(p[1], a1);
        p[2] = Saturate(p[2], a2);
    } else {
        // Grey images: the single light plane takes the brightest amount.
        int32_t a = a0 > a1 ? a0 : a1;
        a = a > a2 ? a : a2;
        p[0] = Saturate(p[0], a);
    }
}

void SoftenBox(const WorkingView& view, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (!SoftenBounds(view.width, view.height, &x0, &y0, &x1, &y1)) return;

    const ptrdiff_t px = static_cast<ptrdiff_t>(view.pixelBytes);
    const ptrdiff_t row = static_cast<ptrdiff_t>(view.rowBytes);
    // Planes 2, 1, 0 on colour images; plane 0 alone on grey ones. Each plane
    // only reads its own neighbours, so the planes are independent.
    const int32_t planes = view.lightPlanes >= 3 ? 3 : 1;
    for (int32_t y = y0; y < y1; ++y) {
        uint8_t* p = PixelAt(view, x0, y);
        for (int32_t x = x0; x < x1; ++x, p += px) {
            for (int32_t k = planes - 1; k >= 0; --k) {
                uint8_t* c = p + k;
                const uint32_t s = static_cast<uint32_t>(c[-row - px]) + c[-row] + c[-row + px] + c[-px] + c[px] +
                                   c[row - px] + c[row] + c[row + px];
                *c = static_cast<uint8_t>((*c + s / 8) / 2);
            }
        }
    }
}

Rgb HslToRgb(double h, double s, double l) {
    const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
    if (m2 <= 0.0) return Rgb{0.0, 0.0, 0.0};
    const double m1 = 2.0 * l - m2;
    // Hues outside 0..1 (only a damaged record holds them) wrap around the
    // colour circle; a hue that is not a number is taken as 0. A hue of exactly
    // 1 is the same as 0.
    if (!(h == h) || std::isinf(h)) h = 0.0;
    if (h < 0.0 || h > 1.0) h -= std::floor(h);
    int32_t sextant = TruncToInt32(6.0 * h);
    double f = 6.0 * h - sextant;
    if (h == 1.0 || sextant < 0 || sextant > 5) {
        sextant = 0;
        f = 0.0;
    }
    const double vsf = ((m2 - m1) / m2) * f * m2;
    const double mid1 = m1 + vsf;
    const double mid2 = m2 - vsf;
    switch (sextant) {
        case 0: return Rgb{m2, mid1, m1};
        case 1: return Rgb{mid2, m2, m1};
        case 2: return Rgb{m1, m2, mid1};
        case 3: return Rgb{m1, mid2, m2};
        case 4: return Rgb{mid1, m1, m2};
        default: return Rgb{m2, m1, mid2};
    }
}

}  // namespace kelvo::flare
