// Every filter there is, in the order kelvo-render and the GEGL plug-in name
// them. A new filter is one line in filter_list.cpp.
#pragma once

#include <string>

#include "filter_description.h"

namespace kelvo {

struct FilterList {
    const FilterDescription* const* filters;
    int count;
    const FilterDescription* const* begin() const { return filters; }
    const FilterDescription* const* end() const { return filters + count; }
};

const FilterList& AllFilters();

// The filter of that name, or null.
const FilterDescription* FindFilter(const std::string& name);

// The filters' names, "flare or glow", for messages.
std::string FilterNames(const char* lastSeparator);

}  // namespace kelvo
