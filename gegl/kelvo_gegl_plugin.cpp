// The GEGL plug-in module: GEGL loads every library in its plug-ins folders
// and calls these two functions, which register an operation per filter of
// the list: kelvo:lens-flare and kelvo:glow.
#include <gegl-plugin.h>

#include "filter_list.h"
#include "table_operation.h"

namespace kelvo::gegl {
namespace {
const GeglModuleInfo kModuleInfo = {GEGL_MODULE_ABI_VERSION};
}
}  // namespace kelvo::gegl

extern "C" {

G_MODULE_EXPORT const GeglModuleInfo* gegl_module_query(GTypeModule*) { return &kelvo::gegl::kModuleInfo; }

G_MODULE_EXPORT gboolean gegl_module_register(GTypeModule* module) {
    for (const kelvo::FilterDescription* filter : kelvo::AllFilters())
        kelvo::gegl::RegisterTableOperation(module, filter);
    return TRUE;
}

}  // extern "C"
