#include "render_glow.h"

#include "glow_parameters.h"
#include "glow_pass.h"
#include "pixel_area.h"

namespace glow {

void RenderGlow(PluginGlobals* globals) {
    if (globals == nullptr) return;
    const FilterRecord* record = globals->filterRecord;
    // The working view: the delivered buffers, their strides and the area's
    // size, this call's own.
    PixelArea view;
    if (!PixelAreaFromRecord(record, &view)) return;
    CopyInputToOutput(view);
    const auto* settings = static_cast<const FilterParameters*>(SettingsBlock(record));
    if (settings == nullptr) return;  // no record: the copy stands
    GlowPass(view, settings, record);
}

}  // namespace glow
