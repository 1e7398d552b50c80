#include "render_flare.h"

#include "flare_parameters.h"
#include "flare_pass.h"
#include "flare_primitives.h"
#include "pixel_area.h"
#include "reflections.h"

namespace flare {

bool RenderFlare(PluginGlobals* globals) {
    if (globals == nullptr) return true;
    const FilterRecord* record = globals->filterRecord;
    PixelArea area;
    if (!PixelAreaFromRecord(record, &area)) return true;
    CopyInputToOutput(area);
    const void* block = SettingsBlock(record);
    if (block == nullptr) return true;  // no settings: the output stays a copy of the input
    const FilterParameters& settings = *static_cast<const FilterParameters*>(block);

    const WorkingView view = MakeWorkingView(area);
    PassHost host;
    host.abortProc = record->abortProc;
    host.progressProc = record->progressProc;
    bool stopped = false;
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

}  // namespace flare
