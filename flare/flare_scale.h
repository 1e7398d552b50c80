// Drawing a flare larger or smaller than its settings say, through the
// renderer's own reduction factor: previewScale = 1 / F draws it F times
// larger, sizes and pixel positions alike. kelvo-render's --scale and the
// GEGL operations' scale property both go through here.
#pragma once

#include <cstdint>

#include "flare_pass.h"

namespace kelvo::flare {

// The record position whose centre lands nearest `pixel` once the renderer
// divides it by `workingScale` and truncates toward zero (within
// 1 / (2 * workingScale) of it), kept within low..high.
int32_t PositionLandingOn(int64_t pixel, double workingScale, int32_t low, int32_t high);

}  // namespace kelvo::flare
