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
    return RenderFlareArea(area, *static_cast<const FilterParameters*>(block), HostCallbacks(record));
}

}  // namespace flare
