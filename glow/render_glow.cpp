#include "render_glow.h"

#include "glow_parameters.h"
#include "glow_pass.h"
#include "pixel_area.h"

namespace glow {
namespace {

// The working view: the delivered buffers, their strides and the area's size,
// refreshed from the record at every render.
PixelArea gWorkingView;

}  // namespace

bool RenderGlow(PluginGlobals* globals) {
    if (globals == nullptr) return true;
    const FilterRecord* record = globals->filterRecord;
    if (!PixelAreaFromRecord(record, &gWorkingView)) return true;
    CopyInputToOutput(gWorkingView);
    const auto* settings = static_cast<const FilterParameters*>(SettingsBlock(record));
    if (settings == nullptr) return true;  // no record: the copy stands
    return GlowPass(gWorkingView, settings, record);
}

}  // namespace glow
