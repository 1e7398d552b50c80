// How far GIMP's zoomed-out preview of kelvo:lens-flare lies from the result:
// a 1600 x 1200 grey layer, the flare at (1000, 500) with rays count 6 and
// rays brightness 60, rendered at mipmap level 2 (what GIMP asks for at 25 %)
// and at full size. The full render is reduced 4 x 4 by the mean of each
// block; the gap is the mean absolute difference per sample between that and
// the level-2 render, over the lit pixels (where the reduced full render is
// brighter than the grey) and over the rays (where it is brighter than the
// same flare without rays), counting all light and light above 4 levels.
// With --max-lit and --max-rays it fails when the latter two lie above them.
// Usage: preview_gap [--max-lit G] [--max-rays G]   (XDG_DATA_HOME: a folder with gegl-0.4/plug-ins)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gegl.h>

namespace {

constexpr int kWidth = 1600, kHeight = 1200, kFactor = 4;
static_assert(kFactor == 4, "mipmap level 2");
constexpr int kSmallWidth = kWidth / kFactor, kSmallHeight = kHeight / kFactor;
constexpr int kGrey = 128;
constexpr int kVisible = 4;  // levels of light counted as visibly lit

// The flare over the grey layer, rendered at a mipmap level (0, or 2 for the
// reduction by kFactor) as GIMP's display asks for it.
std::vector<unsigned char> Render(GeglBuffer* layer, double raysBright, int level) {
    GeglNode* graph = gegl_node_new();
    GeglNode* source = gegl_node_new_child(graph, "operation", "gegl:buffer-source", "buffer", layer, nullptr);
    GeglNode* flare = gegl_node_new_child(graph, "operation", "kelvo:lens-flare", "position-x", 1000, "position-y",
                                          500, "rays-count", 6, "rays-bright", raysBright, nullptr);
    gegl_node_link(source, flare);
    const int w = level == 0 ? kWidth : kSmallWidth, h = level == 0 ? kHeight : kSmallHeight;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3);
    const GeglRectangle roi{0, 0, w, h};
    gegl_node_blit(flare, 1.0 / (1 << level), &roi, babl_format("R'G'B' u8"), pixels.data(), GEGL_AUTO_ROWSTRIDE,
                   GEGL_BLIT_DEFAULT);
    g_object_unref(graph);
    return pixels;
}

// Each kFactor x kFactor block's mean, rounded.
std::vector<unsigned char> Reduce(const std::vector<unsigned char>& full) {
    std::vector<unsigned char> small(static_cast<size_t>(kSmallWidth) * kSmallHeight * 3);
    for (int y = 0; y < kSmallHeight; ++y)
        for (int x = 0; x < kSmallWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < kFactor; ++dy)
                    for (int dx = 0; dx < kFactor; ++dx)
                        sum += full[((static_cast<size_t>(y) * kFactor + dy) * kWidth + x * kFactor + dx) * 3 + c];
                small[(static_cast<size_t>(y) * kSmallWidth + x) * 3 + c] =
                    static_cast<unsigned char>((sum + kFactor * kFactor / 2) / (kFactor * kFactor));
            }
    return small;
}

}  // namespace

int main(int argc, char** argv) {
    double maxLit = INFINITY, maxRays = INFINITY;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--max-lit") == 0) maxLit = std::atof(argv[i + 1]);
        if (std::strcmp(argv[i], "--max-rays") == 0) maxRays = std::atof(argv[i + 1]);
    }
    gegl_init(&argc, &argv);
    // As GIMP sets it: a reduced view renders at a mipmap level.
    g_object_set(gegl_config(), "mipmap-rendering", TRUE, nullptr);
    if (!gegl_has_operation("kelvo:lens-flare")) {
        std::fprintf(stderr, "preview_gap: kelvo:lens-flare is not loaded (XDG_DATA_HOME)\n");
        return 1;
    }
    const GeglRectangle extent{0, 0, kWidth, kHeight};
    GeglBuffer* layer = gegl_buffer_new(&extent, babl_format("R'G'B' u8"));
    const std::vector<unsigned char> grey(static_cast<size_t>(kWidth) * kHeight * 3, kGrey);
    gegl_buffer_set(layer, &extent, 0, babl_format("R'G'B' u8"), grey.data(), GEGL_AUTO_ROWSTRIDE);

    const std::vector<unsigned char> full = Reduce(Render(layer, 60, 0));
    const std::vector<unsigned char> noRays = Reduce(Render(layer, 0, 0));
    const std::vector<unsigned char> preview = Render(layer, 60, 2);

    // Lit: the flare brightens a sample of the pixel by more than `visible`
    // levels; a ray pixel: the rays add more than that to one of its samples.
    double litGap = 0, rayGap = 0;
    for (const int visible : {0, kVisible}) {
        double litSum = 0, raySum = 0;
        long lit = 0, rays = 0;
        for (size_t p = 0; p < full.size(); p += 3) {
            bool isLit = false, isRay = false;
            double gap = 0;
            for (int c = 0; c < 3; ++c) {
                isLit = isLit || full[p + c] - kGrey > visible;
                isRay = isRay || full[p + c] - noRays[p + c] > visible;
                gap += std::abs(static_cast<int>(full[p + c]) - preview[p + c]);
            }
            if (isLit) litSum += gap / 3, ++lit;
            if (isRay) raySum += gap / 3, ++rays;
        }
        litGap = lit > 0 ? litSum / lit : 0;
        rayGap = rays > 0 ? raySum / rays : 0;
        std::printf("light above %d levels: gap %.2f over %ld lit pixels, %.2f over %ld ray pixels\n", visible, litGap,
                    lit, rayGap, rays);
    }
    g_object_unref(layer);
    gegl_exit();
    return litGap <= maxLit && rayGap <= maxRays ? 0 : 1;
}
