#include "render_flare.h"

#include "pixel_area.h"

namespace flare {

// Until the flare lands: the output is the input, row strides honoured.
void RenderFlare(PluginGlobals* globals) {
    PixelArea area;
    if (globals == nullptr || !PixelAreaFromRecord(globals->filterRecord, &area)) return;
    CopyInputToOutput(area);
}

}  // namespace flare
