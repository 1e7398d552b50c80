// The lens reflections: fifteen coloured discs and one banded ring placed along
// the line through the flare centre and the middle of the working area.
#pragma once

#include <cstdint>

#include "flare_parameters.h"
#include "flare_primitives.h"

namespace kelvo::flare {

// Profile of a reflection: 0 flat disc, 1 bright centre (c^(1 - q)), 2 bright
// rim (c^q), 4 thin ring in four colour bands.
struct Reflection {
    int32_t type;
    double position;  // along the line: 1 at the flare centre, 0 at the middle of the area
    double size;      // radius as a multiple of the size scale
    int32_t colour[3];
};

constexpr int32_t kReflectionCount = 16;
extern const Reflection kReflections[kReflectionCount];

// Where a reflection lands and how big it is, for a flare centre (cx, cy).
struct ReflectionPlacement {
    int32_t x;
    int32_t y;
    int32_t R;
};

// The placement of every table entry, in table order (cx = mX is moved one
// column to the right first, as the pass does).
void PlaceReflections(const WorkingView& view, const FilterParameters& settings, int32_t cx, int32_t cy,
                      ReflectionPlacement placements[kReflectionCount]);

// Progress reported before reflection `index`, against a total of 100: the flare
// pass has covered about three quarters of the bar, the reflections fill the rest
// (76, 78, 79, ..., 100).
inline int32_t ReflectionProgress(int32_t index) { return 75 + (index + 1) * 25 / kReflectionCount; }

// The brightness b the reflections are drawn with.
inline double ReflectionBrightness(const FilterParameters& settings) { return settings.reflectionsBright * 0.2; }

// The walk over the reflections that the 8-bit pass and the deep path share:
// in table order, the callbacks asked before each whether to stop (the walk
// ends there) and told the progress, then draw(reflection, placement).
template <typename Draw>
void ForEachReflection(const PassControl& control, const ReflectionPlacement placements[kReflectionCount], Draw draw) {
    for (int32_t e = 0; e < kReflectionCount; ++e) {
        if (PassAborted(control)) return;
        PassProgress(control, ReflectionProgress(e), 100);
        draw(kReflections[e], placements[e]);
    }
}

// Draws the sixteen reflections in table order, each followed by the softening
// of its own square; asks the callbacks before each whether to stop.
void ReflectionPass(const WorkingView& view, const FilterParameters& settings, const PassControl& control, int32_t cx, int32_t cy);

// A disc of radius R around (x, y), brightness b, profile `type` (0, 1 or 2),
// colour c; nothing is drawn for b <= 1, but its square is softened.
void DrawDiscReflection(const WorkingView& view, double b, int32_t x, int32_t y, int32_t type, int32_t R, int32_t c0, int32_t c1, int32_t c2,
                        double aspect);

// The four-band ring of radius R around (x, y); each band adds 15 * bi.
void DrawRingReflection(const WorkingView& view, int32_t bi, int32_t x, int32_t y, int32_t R, double aspect);

}  // namespace kelvo::flare
