// Emberlit's renderer entry.
#pragma once

#include "plugin.h"

namespace glow {

// Copies the delivered input to the output and makes the pixels inside the
// threshold windows glow onto their neighbours.
void RenderGlow(PluginGlobals* globals);

}  // namespace glow
