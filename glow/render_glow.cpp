#include "render_glow.h"

#include "glow_pass.h"

namespace kelvo::glow {

bool RenderGlowArea(const PixelArea& area, const FilterParameters& settings, const RenderCallbacks& callbacks) {
    CopyInputToOutput(area);
    return GlowPass(area, &settings, callbacks);
}

}  // namespace kelvo::glow
