#include "render_glow.h"

#include "glow_pass.h"

namespace glow {

bool RenderGlowArea(const PixelArea& area, const FilterParameters& settings, const RenderCallbacks& callbacks) {
    CopyInputToOutput(area);
    return GlowPass(area, &settings, callbacks);
}

bool RenderGlow(PluginGlobals* globals) {
    if (globals == nullptr) return true;
    const FilterRecord* record = globals->filterRecord;
    PixelArea area;
    if (!PixelAreaFromRecord(record, &area)) return true;
    const auto* settings = static_cast<const FilterParameters*>(SettingsBlock(record));
    if (settings == nullptr) {  // no record: the copy stands
        CopyInputToOutput(area);
        return true;
    }
    return RenderGlowArea(area, *settings, HostCallbacks(record));
}

}  // namespace glow
