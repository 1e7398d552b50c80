// Emberlit's glow as every caller sees it (filter_description.h).
#pragma once

#include "filter_description.h"

namespace glow {

extern const FilterDescription kGlowFilter;

}  // namespace glow
