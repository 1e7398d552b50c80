#include "render_flare.h"

#include "flare_pass.h"
#include "flare_primitives.h"
#include "reflections.h"

namespace flare {

bool RenderFlareArea(const PixelArea& area, const FilterParameters& settings, const RenderCallbacks& callbacks) {
    CopyInputToOutput(area);
    const WorkingView view = MakeWorkingView(area);
    bool stopped = false;
    PassControl control;
    control.callbacks = callbacks;
    control.stopped = &stopped;

    // The flare centre in working pixels, truncated toward zero.
    const double scale = WorkingScale(settings);
    const int32_t cx = TruncToInt32(settings.positionX / scale);
    const int32_t cy = TruncToInt32(settings.positionY / scale);

    // Flare first, reflections over it: each addition saturates and each
    // softening works on what was drawn before it.
    FlarePass(view, settings, control, cx, cy);
    ReflectionPass(view, settings, control, cx, cy);
    return !stopped;
}

}  // namespace flare
