#include "render_glow.h"

#include "pixel_area.h"

namespace glow {

// Until the glow lands: the output is the input, row strides honoured.
void RenderGlow(PluginGlobals* globals) {
    PixelArea area;
    if (globals == nullptr || !PixelAreaFromRecord(globals->filterRecord, &area)) return;
    CopyInputToOutput(area);
}

}  // namespace glow
