#include "render_flare.h"

#include "flare_pass.h"
#include "flare_primitives.h"
#include "reflections.h"

namespace kelvo::flare {

bool RenderFlareArea(const PixelArea& area, const FilterParameters& settings, const RenderCallbacks& callbacks) {
    CopyInputToOutput(area);
    const WorkingView view = MakeWorkingView(area);
    bool stopped = false;
    const PassControl control{callbacks, &stopped};
    const WorkingCentre centre = FlareCentre(settings);

    // Flare first, reflections over it: each addition saturates and each
    // softening works on what was drawn before it.
    FlarePass(view, settings, control, centre.x, centre.y);
    ReflectionPass(view, settings, control, centre.x, centre.y);
    return !stopped;
}

}  // namespace kelvo::flare
