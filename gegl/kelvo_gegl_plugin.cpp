// The GEGL plug-in module: GEGL loads every library in its plug-ins folders
// and calls these two functions, which register kelvo:lens-flare and kelvo:glow.
#include <gegl-plugin.h>

#include "kelvo_operations.h"

namespace {
const GeglModuleInfo kModuleInfo = {GEGL_MODULE_ABI_VERSION};
}

extern "C" {

G_MODULE_EXPORT const GeglModuleInfo* gegl_module_query(GTypeModule*) { return &kModuleInfo; }

G_MODULE_EXPORT gboolean gegl_module_register(GTypeModule* module) {
    kelvo_gegl::RegisterTableOperation(module, &kelvo_gegl::kLensFlareOperation);
    kelvo_gegl::RegisterTableOperation(module, &kelvo_gegl::kGlowOperation);
    return TRUE;
}

}  // extern "C"
