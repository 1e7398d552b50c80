// Emberlit's glow as every caller sees it (filter_description.h).
#pragma once

#include "filter_description.h"

namespace kelvo::glow {

extern const FilterDescription kGlowFilter;

}  // namespace kelvo::glow
