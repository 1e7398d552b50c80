#include "render_flare.h"

#include "flare_pass.h"
#include "flare_primitives.h"
#include "reflections.h"

namespace flare {

bool RenderFlareArea(const PixelArea& area, const FilterParameters& settings, const RenderCallbacks& callbacks) {
    CopyInputToOutput(area);
    const WorkingView view = MakeWorkingView(area);
    bool stopped = false;
    PassHost host;
    host.callbacks = callbacks;
    host.stopped = &stopped;

    // The flare centre in working pixels, truncated toward zero.
    const double scale = WorkingScale(settings);
    const int32_t cx = TruncToInt32(settings.positionX / scale);
    const int32_t cy = TruncToInt32(settings.positionY / scale);

    // Flare first, reflections over it: each addition saturates and each
    // softening works on what was drawn before it.
    FlarePass(view, settings, host, cx, cy);
    ReflectionPass(view, settings, host, cx, cy);
    return !stopped;
}

bool RenderFlare(PluginGlobals* globals) {
    if (globals == nullptr) return true;
    const FilterRecord* record = globals->filterRecord;
    PixelArea area;
    if (!PixelAreaFromRecord(record, &area)) return true;
    const void* block = SettingsBlock(record);
    if (block == nullptr) {  // no settings: the output stays a copy of the input
        CopyInputToOutput(area);
        return true;
    }
    // The host's record renders at full size or reduced, never enlarged: a
    // preview scale below 1 there counts as 1, as it always has.
    FilterParameters settings = *static_cast<const FilterParameters*>(block);
    if (!(settings.previewScale >= 1.0)) settings.previewScale = 1.0;
    return RenderFlareArea(area, settings, HostCallbacks(record));
}

}  // namespace flare
