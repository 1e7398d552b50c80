// Emberlit's renderer entry.
#pragma once

#include "plugin.h"

namespace glow {

// Copies the delivered input to the output and makes the pixels inside the
// threshold windows glow onto their neighbours. Returns false when the host's
// abortProc stopped the pass, true otherwise.
bool RenderGlow(PluginGlobals* globals);

}  // namespace glow
