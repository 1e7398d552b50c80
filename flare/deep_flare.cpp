#include "deep_flare.h"

#include "deep_sample_types.h"
#include "flare_light.h"
#include "flare_pass.h"
#include "flare_reach.h"
#include "light_layer.h"
#include "lit_edges.h"
#include "reflection_shapes.h"
#include "reflections.h"

namespace kelvo::flare {
namespace {

// The largest light (1.0 = white) a pixel holds; only damaged records come near.
constexpr double kMaxLight = 1e6;

template <typename Samples>
struct DeepCanvas {
    const kelvo::DeepArea& area;
    const Samples& samples;
    kelvo::LightLayer& layer;
    size_t sampleBytes;
    size_t pixelBytes;

    // The picture under (x, y): the input, which the output copies until the
    // light is added at the end.
    const uint8_t* Picture(int32_t x, int32_t y) const {
        return area.in + static_cast<size_t>(y) * area.inRowBytes + static_cast<size_t>(x) * pixelBytes;
    }
};

inline double Bounded(double v, double lo, double hi) {
    if (v > hi) v = hi;
    if (v < lo) v = lo;
    return v;
}

// Adds light a[0..2] (1.0 = white) to pixel (x, y): picture and light stay
// within what the sample holds, as each 8-bit addition saturates. Grey images
// take the brightest amount. Pixels outside the lit part of the area, and
// amounts that are not numbers, add nothing.
// Adds light a[0..2] (1.0 = white) to a pixel's light, given the picture
// under it: picture and light stay within what the sample holds, as each
// 8-bit addition saturates. Grey images take the brightest amount. Amounts
// that are not numbers add nothing.
template <typename Samples>
inline void AddToLight(const DeepCanvas<Samples>& c, float* light, const uint8_t* picture, const double a[3]) {
    double amount[3] = {a[0], a[1], a[2]};
    int32_t planes = 3;
    if (c.layer.planes < 3) {
        const double m = a[0] > a[1] ? a[0] : a[1];
        amount[0] = m > a[2] ? m : a[2];
        planes = 1;
    }
    for (int32_t p = 0; p < planes; ++p) {
        if (!(amount[p] == amount[p])) continue;
        const uint8_t* sample = picture + static_cast<size_t>(p) * c.sampleBytes;
        const double lo = c.samples.Footroom(sample);
        const double hi = c.samples.Headroom(sample);
        const double v = Bounded(light[p] + amount[p], lo > -kMaxLight ? lo : -kMaxLight, hi < kMaxLight ? hi : kMaxLight);
        light[p] = static_cast<float>(v);
    }
}

// The same for pixel (x, y); pixels outside the lit part of the area, or not
// held, receive nothing.
template <typename Samples>
void AddDeepLight(const DeepCanvas<Samples>& c, int32_t x, int32_t y, const double a[3]) {
    if (!kelvo::ReceivesLight(x, y, c.area.width, c.area.height)) return;
    float* light = kelvo::LightAt(c.layer, x, y);
    if (light != nullptr) AddToLight(c, light, c.Picture(x, y), a);
}

// The softening of SoftenBox on the light alone: each plane becomes (own +
// sum of the eight neighbours / 8) / 2 in raster order, over the same pixels.
void SoftenLight(kelvo::LightLayer& layer, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (!SoftenBounds(layer.width, layer.height, &x0, &y0, &x1, &y1)) return;
    const ptrdiff_t px = layer.planes;
    for (int32_t y = y0; y < y1; ++y) {
        float* up = kelvo::LightAt(layer, x0, y - 1);
        float* here = kelvo::LightAt(layer, x0, y);
        float* down = kelvo::LightAt(layer, x0, y + 1);
        if (up == nullptr || here == nullptr || down == nullptr) continue;  // held with every box
        for (int32_t x = x0; x < x1; ++x, up += px, here += px, down += px) {
            for (ptrdiff_t k = px - 1; k >= 0; --k) {
                const double s = static_cast<double>(up[k - px]) + up[k] + up[k + px] + here[k - px] + here[k + px] +
                                 down[k - px] + down[k] + down[k + px];
                here[k] = static_cast<float>((here[k] + s / 8.0) / 2.0);
            }
        }
    }
}

// The light layer holds a softened box and its neighbours.
void HoldSoftened(kelvo::LightLayer& layer, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (!SoftenBounds(layer.width, layer.height, &x0, &y0, &x1, &y1)) return;
    kelvo::HoldLight(layer, static_cast<int64_t>(x0) - 1, static_cast<int64_t>(y0) - 1, x1, y1);
}

template <typename Samples>
kelvo::RenderEnd DrawDeepFlare(const kelvo::DeepArea& area, const Samples& samples, const FilterParameters& settings,
                               const RenderCallbacks& callbacks) {
    const int32_t w = area.width;
    const int32_t h = area.height;
    kelvo::LightLayer layer;
    if (!kelvo::BeginLightLayer(layer, w, h, kelvo::DeepLightPlanes(area))) return kelvo::RenderEnd::OutOfMemory;
    bool stopped = false;
    const PassControl control{callbacks, &stopped};

    // The same centre, quantities, reach and placements as the 8-bit render.
    const WorkingCentre centre = FlareCentre(settings);
    const int32_t cx = centre.x;
    const int32_t cy = centre.y;
    const FlareQuantities q = ComputeFlareQuantities(settings);
    const FlareLightSetup setup = MakeFlareLightSetup(q);
    const FlareReach reach = setup.drawsLight ? ComputeFlareReach(q) : FlareReach{};
    WorkingView geometry;
    geometry.width = w;
    geometry.height = h;
    geometry.lightPlanes = layer.planes;
    ReflectionPlacement placements[kReflectionCount];
    PlaceReflections(geometry, settings, cx, cy, placements);

    // What the layer holds: the flare's reach in every lit row, and every
    // softened square with its neighbours.
    auto rowColumns = [&](int32_t y, int32_t* first, int32_t* last) {
        const double dy = static_cast<double>(static_cast<int64_t>(cy) - y);
        *first = kelvo::kFirstLitColumn;
        *last = w - 1;
        ReachColumns(reach, cx, q.aspect * (dy * dy), w, first, last);
        if (*first < kelvo::kFirstLitColumn) *first = kelvo::kFirstLitColumn;
    };
    if (setup.drawsLight) {
        for (int32_t y = kelvo::kFirstLitRow; y < h; ++y) {
            int32_t first = 0, last = -1;
            rowColumns(y, &first, &last);
            kelvo::HoldLight(layer, first, y, last, y);
        }
    }
    const Square flareBox = SquareAround(cx, cy, q.R);
    HoldSoftened(layer, flareBox.x0, flareBox.y0, flareBox.x1, flareBox.y1);
    for (const ReflectionPlacement& at : placements) {
        const Square box = SquareAround(at.x, at.y, at.R);
        kelvo::HoldLight(layer, box.x0, box.y0, box.x1, box.y1);
        HoldSoftened(layer, box.x0, box.y0, box.x1, box.y1);
    }
    if (!kelvo::AllocateLightLayer(layer)) {
        kelvo::CopyDeepInputToOutput(area);
        return kelvo::RenderEnd::OutOfMemory;
    }
    kelvo::CopyDeepInputToOutput(area);
    const size_t sampleBytes = kelvo::DeepSampleBytes(area.samples);
    const DeepCanvas<Samples> canvas{area, samples, layer, sampleBytes, sampleBytes * static_cast<size_t>(area.planes)};

    // The flare proper, row by row, with the 8-bit pass's progress and stops.
    const int32_t progressTotal = TruncToInt32(h * 1.33);
    for (int32_t y = 0; y < h; ++y) {
        if (PassAborted(control)) break;
        PassProgress(control, y, progressTotal);
        if (!setup.drawsLight || y < kelvo::kFirstLitRow) continue;
        const double dy = static_cast<double>(static_cast<int64_t>(cy) - y);
        const double ady2 = q.aspect * (dy * dy);
        int32_t first = 0, last = -1;
        rowColumns(y, &first, &last);
        if (first > last) continue;
        float* light = kelvo::LightAt(layer, first, y);  // the row's reach is held
        const uint8_t* picture = canvas.Picture(first, y);
        for (int32_t x = first; x <= last; ++x, light += layer.planes, picture += canvas.pixelBytes) {
            double s[3];
            FlareLightAt(q, setup, static_cast<double>(static_cast<int64_t>(cx) - x), dy, ady2, s);
            if (s[0] != 0.0 || s[1] != 0.0 || s[2] != 0.0) AddToLight(canvas, light, picture, s);
        }
    }
    SoftenLight(layer, flareBox.x0, flareBox.y0, flareBox.x1, flareBox.y1);

    // The reflections in table order, each followed by the softening of its square.
    const double b = ReflectionBrightness(settings);
    const double aspect = settings.positionAspect;
    ForEachReflection(control, placements, [&](const Reflection& r, const ReflectionPlacement& at) {
        auto emit = [&](int64_t j, int64_t i, const double a[3]) {
            const double unit[3] = {a[0] / 255.0, a[1] / 255.0, a[2] / 255.0};
            ForEachMirror(at.x, at.y, j, i, [&](int32_t tx, int32_t ty) { AddDeepLight(canvas, tx, ty, unit); });
        };
        if (r.type == 4) {
            RingLight(w, h, RingAmount(b), at.x, at.y, at.R, aspect, emit);
        } else {
            DiscLight(w, h, b, at.x, at.y, r.type, at.R, r.colour, aspect, emit);
        }
        const Square box = SquareAround(at.x, at.y, at.R);
        SoftenLight(layer, box.x0, box.y0, box.x1, box.y1);
    });

    // The light onto the picture.
    for (int32_t y = 0; y < h; ++y) {
        const size_t row = static_cast<size_t>(y);
        if (layer.first[row] > layer.last[row]) continue;
        const float* light = layer.light.data + layer.start[row];
        uint8_t* px = area.out + row * area.outRowBytes + static_cast<size_t>(layer.first[row]) * canvas.pixelBytes;
        for (int32_t x = layer.first[row]; x <= layer.last[row]; ++x, px += canvas.pixelBytes, light += layer.planes)
            for (int32_t p = 0; p < layer.planes; ++p)
                samples.AddLight(px + static_cast<size_t>(p) * sampleBytes, light[p]);
    }
    return stopped ? kelvo::RenderEnd::Stopped : kelvo::RenderEnd::Done;
}

}  // namespace

kelvo::RenderEnd RenderFlareDeep(const kelvo::DeepArea& area, const FilterParameters& settings,
                                 const RenderCallbacks& callbacks) {
    return kelvo::DrawWithSamples(area,
                                  [&](const auto& samples) { return DrawDeepFlare(area, samples, settings, callbacks); });
}

}  // namespace kelvo::flare
