#include "filter_list.h"

#include "flare_filter.h"
#include "glow_filter.h"

namespace kelvo {

namespace {

const FilterDescription* const kFilters[] = {
    &flare::kFlareFilter,
    &glow::kGlowFilter,
};

}  // namespace

const FilterList& AllFilters() {
    static const FilterList list = {kFilters, static_cast<int>(sizeof kFilters / sizeof kFilters[0])};
    return list;
}

const FilterDescription* FindFilter(const std::string& name) {
    for (const FilterDescription* filter : AllFilters())
        if (name == filter->name) return filter;
    return nullptr;
}

std::string FilterNames(const char* lastSeparator) {
    std::string names;
    const FilterList& list = AllFilters();
    for (int i = 0; i < list.count; ++i) {
        if (i > 0) names += i + 1 == list.count ? lastSeparator : ", ";
        names += list.filters[i]->name;
    }
    return names;
}

}  // namespace kelvo
