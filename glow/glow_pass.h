// Emberlit's glow pass: every input pixel inside one of the three threshold
// windows adds its own colour, weighted by a smoothstep of the distance, to the
// output pixels within glowLevel of it, saturating at 255.
#pragma once

#include "exact_arithmetic.h"

#include <cstddef>
#include <cstdint>

#include "glow_parameters.h"
#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo::glow {

// Largest glow level: the dialog's typed range ends here.
constexpr int32_t kMaxGlowRadius = 30;

// Largest radius the pass draws: the largest level enlarged four times (the
// GEGL operations' scale property draws level x scale). Its tables hold
// half-widths in a byte and its counters 16 bits a plane, which this bounds.
constexpr int32_t kMaxDrawnGlowRadius = 4 * kMaxGlowRadius;

// 0.01 rounded to single precision, the scale of the glow weight.
constexpr double kGlowScale = static_cast<double>(0.01f);

// The share of a source's value that reaches a target at squared distance d2
// (0 < d2 <= r2) in a disc of squared radius r2: a smoothstep of the distance,
// 0 at the rim. The 8-bit pass truncates value * weight to a whole byte per
// source; the deep pass adds it as it is.
inline double GlowWeight(int32_t r2, int32_t d2) {
    const double t = static_cast<double>(r2 - d2) / r2;
    return t * ((3.0 - 2.0 * t) * t) * kGlowScale;
}

// glowLevel as the pass uses it. Records are not trusted: a negative level is
// taken as 0 (no glow) and anything above kMaxDrawnGlowRadius as
// kMaxDrawnGlowRadius, so no level can make a disc larger than the tables or
// overflow R * R. (The dialog, --set and the settings table stop at
// kMaxGlowRadius; only an enlarged level goes beyond.)
int32_t GlowRadius(int32_t glowLevel);

// The level that draws `glowLevel` `scale` times larger: the level (taken as
// GlowRadius does, up to kMaxGlowRadius) times the scale, rounded to the
// nearest pixel and kept within 0..kMaxDrawnGlowRadius. A scale that is not a
// positive number leaves the level as it is.
int32_t ScaledGlowLevel(int32_t glowLevel, double scale);

// The total handed to progressProc for an area `height` rows high: height - 2R.
// When that is zero or negative (short areas, wide glow), the number of rows
// that report progress, height - 1, is passed instead, so that the total is
// always positive.
int32_t GlowProgressTotal(int32_t height, int32_t radius);

// How GlowPass gathers the light. Both give the same bytes.
enum class GlowMethod : uint8_t {
    Auto,        // Accumulate when its row store can be allocated, else Direct
    Accumulate,  // per-row counts as run boundaries, summed and clamped once per row
    Direct,      // saturating additions over the runs of each disc, straight into the output
};

// The glow over an area whose output already holds the copy of the input.
// Reads the windows and the level from `settings` once and previewScale at
// every source row; while previewScale is 1, asks the callbacks whether to stop
// and tells them the progress before each source row but row 0. Sources are
// visited from the bottom row up; after an abort, exactly the rows already
// visited have added their glow. Every pixel of the area can be a source and a
// target.
//
// Pixels: planes 0, 1 and 2 take part when the area has three planes or more
// (the Red window is tested against plane 0, Green against plane 1, Blue
// against plane 2) and further planes are left alone. With one or two planes,
// plane 0 is grey: it is tested as the pixel (v, v, v) and it alone receives
// light; a second plane (transparency) is left alone.
//
// Returns false when the callbacks stopped the pass, true otherwise.
//
// Keeps nothing between calls, so passes may run on several threads at once.
// The accumulating method's row store is taken from `memory` for the run and
// given back after it; when `memory` has none to give, the pass adds straight
// into the output, with the same bytes.
struct GlowMemory {
    void* (*allocate)(size_t bytes);  // null, or nullptr returned: no memory
    void (*release)(void* block);
};
extern const GlowMemory kHeapMemory;  // malloc and free

bool GlowPass(const PixelArea& area, const FilterParameters* settings, const RenderCallbacks& callbacks,
              GlowMethod method = GlowMethod::Auto, const GlowMemory& memory = kHeapMemory);

}  // namespace kelvo::glow
