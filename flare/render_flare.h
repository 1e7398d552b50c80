// Halvane's renderer entry.
#pragma once

#include "plugin.h"

namespace flare {

// Copies the delivered input to the output and draws the lens flare over it,
// with the settings record behind the host's `parameters`, at the scale given by
// its previewScale. Reports progress and polls for abort through the host.
// Returns false when the host's abortProc stopped the render (the passes end
// where they were told to), true otherwise.
bool RenderFlare(PluginGlobals* globals);

}  // namespace flare
