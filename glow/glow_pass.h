// Emberlit's glow pass: every input pixel inside one of the three threshold
// windows adds its own colour, weighted by a smoothstep of the distance, to the
// output pixels within glowLevel of it, saturating at 255.
#pragma once

#include "exact_arithmetic.h"

#include <cstddef>
#include <cstdint>

#include "glow_parameters.h"
#include "host_interface.h"
#include "pixel_area.h"
#include "render_callbacks.h"

namespace glow {

// Largest radius the pass draws: the dialog's typed range ends here.
constexpr int32_t kMaxGlowRadius = 30;

// 0.01 rounded to single precision, the scale of the glow weight.
constexpr double kGlowScale = static_cast<double>(0.01f);

// glowLevel as the pass uses it. Records are not trusted: a negative level is
// taken as 0 (no glow) and anything above kMaxGlowRadius as kMaxGlowRadius, so
// no level can make a disc larger than the tables or overflow R * R.
int32_t GlowRadius(int32_t glowLevel);

// The total handed to progressProc for an area `height` rows high: height - 2R.
// When that is zero or negative (short areas, wide glow), the number of source
// rows, height - 1, is passed instead, so that the total is always positive.
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
// and tells them the progress before each source row. Sources are visited from the bottom row up; after an
// abort, exactly the rows already visited have added their glow.
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

}  // namespace glow
