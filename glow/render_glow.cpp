#include "render_glow.h"

#include "glow_parameters.h"
#include "glow_pass.h"
#include "pixel_area.h"

namespace glow {

bool RenderGlow(PluginGlobals* globals) {
    if (globals == nullptr) return true;
    const FilterRecord* record = globals->filterRecord;
    // The working view: the delivered buffers, their strides and the area's
    // size, this call's own.
    PixelArea view;
    if (!PixelAreaFromRecord(record, &view)) return true;
    CopyInputToOutput(view);
    const auto* settings = static_cast<const FilterParameters*>(SettingsBlock(record));
    if (settings == nullptr) return true;  // no record: the copy stands
    return GlowPass(view, settings, record);
}

}  // namespace glow
