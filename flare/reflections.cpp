#include "reflections.h"

#include <cmath>

#include "flare_pass.h"
#include "reflection_shapes.h"

namespace kelvo::flare {

const Reflection kReflections[kReflectionCount] = {
    {2, 1.2, 0.2, {20, 20, 0}},
    {0, 0.5, 0.15, {0, 0, 15}},
    {2, 0.35, 0.4, {0, 0, 20}},
    {0, 0.3, 0.25, {0, 0, 20}},
    {0, 0.2, 0.165, {25, 0, 0}},
    {1, 0.15, 0.125, {0, 120, 0}},
    {1, -0.15, 0.125, {0, 120, 0}},
    {2, -0.4, 0.25, {15, 15, 0}},
    {2, -0.45, 0.5, {25, 15, 0}},
    {0, -0.5, 0.165, {25, 0, 25}},
    {1, -0.58, 0.27, {50, 50, 180}},
    {2, -0.6, 0.165, {0, 0, 25}},
    {2, -0.65, 0.27, {0, 0, 45}},
    {2, -0.75, 0.125, {0, 0, 25}},
    {2, -0.9, 0.7, {15, 20, 7}},
    {4, -1.3, 1.75, {0, 0, 0}},
};

namespace {

void AddMirrored(const WorkingView& view, int32_t x, int32_t y, int64_t j, int64_t i, int32_t a0, int32_t a1, int32_t a2) {
    ForEachMirror(x, y, j, i, [&](int32_t tx, int32_t ty) { AddLight(view, tx, ty, a0, a1, a2); });
}

void SoftenSquare(const WorkingView& view, int32_t x, int32_t y, int32_t R) {
    const Square box = SquareAround(x, y, R);
    SoftenBox(view, box.x0, box.y0, box.x1, box.y1);
}

}  // namespace

void PlaceReflections(const WorkingView& view, const FilterParameters& settings, int32_t cx, int32_t cy,
                      ReflectionPlacement placements[kReflectionCount]) {
    const int32_t mX = view.width / 2;
    const int32_t mY = view.height / 2;
    const double sizeScale = settings.reflectionsSize * 8.0 / WorkingScale(settings);
    // The line needs a horizontal extent: a flare straight above or below the
    // middle is taken one column to the right.
    int64_t lineX = cx;
    if (lineX == mX) lineX += 1;
    const double run = static_cast<double>(lineX - mX);
    const double ratio = static_cast<double>(static_cast<int64_t>(cy) - mY) / run;
    for (int32_t e = 0; e < kReflectionCount; ++e) {
        const double offX = kReflections[e].position * run;
        placements[e].x = TruncToInt32(mX + offX);
        placements[e].y = TruncToInt32(mY + ratio * offX);
        placements[e].R = TruncToInt32(sizeScale * kReflections[e].size);
    }
}

void ReflectionPass(const WorkingView& view, const FilterParameters& settings, const PassControl& control, int32_t cx, int32_t cy) {
    ReflectionPlacement placements[kReflectionCount];
    PlaceReflections(view, settings, cx, cy, placements);
    const double b = ReflectionBrightness(settings);
    const double aspect = settings.positionAspect;
    ForEachReflection(control, placements, [&](const Reflection& r, const ReflectionPlacement& at) {
        if (r.type == 4) {
            DrawRingReflection(view, TruncToInt32(b), at.x, at.y, at.R, aspect);
        } else {
            DrawDiscReflection(view, b, at.x, at.y, r.type, at.R, r.colour[0], r.colour[1], r.colour[2], aspect);
        }
    });
}

void DrawDiscReflection(const WorkingView& view, double b, int32_t x, int32_t y, int32_t type, int32_t R, int32_t c0, int32_t c1, int32_t c2,
                        double aspect) {
    const int32_t colour[3] = {c0, c1, c2};
    DiscLight(view.width, view.height, b, x, y, type, R, colour, aspect, [&](int64_t j, int64_t i, const double a[3]) {
        AddMirrored(view, x, y, j, i, TruncToInt32(a[0]), TruncToInt32(a[1]), TruncToInt32(a[2]));
    });
    SoftenSquare(view, x, y, R);
}

void DrawRingReflection(const WorkingView& view, int32_t bi, int32_t x, int32_t y, int32_t R, double aspect) {
    RingLight(view.width, view.height, RingAmount(bi), x, y, R, aspect, [&](int64_t j, int64_t i, const double a[3]) {
        AddMirrored(view, x, y, j, i, static_cast<int32_t>(a[0]), static_cast<int32_t>(a[1]), static_cast<int32_t>(a[2]));
    });
    SoftenSquare(view, x, y, R);
}

}  // namespace kelvo::flare
