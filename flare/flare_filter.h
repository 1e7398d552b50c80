// Halvane's lens flare as every caller sees it (filter_description.h).
#pragma once

#include "filter_description.h"

namespace kelvo::flare {

extern const FilterDescription kFlareFilter;

}  // namespace kelvo::flare
