// The two operations of the plug-in.
#pragma once

#include "table_operation.h"

namespace kelvo_gegl {

extern const OperationDescription kLensFlareOperation;
extern const OperationDescription kGlowOperation;

}  // namespace kelvo_gegl
