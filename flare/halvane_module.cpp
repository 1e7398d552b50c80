// Halvane: the lens flare as a module (module_description.h).
#include <cstddef>

#include "flare_filter.h"
#include "flare_parameters.h"
#include "module_description.h"
#include "remembered_flare.h"
#include "settings_file.h"

namespace kelvo {

using HalvaneRemembered = plugin::RememberedEntries<flare::FilterParameters, flare::kSettingsFileSize,
                                                    flare::EncodeRememberedFlare, flare::TakeRememberedFlare>;

const plugin::ModuleDescription plugin::kModule = {
    &flare::kFlareFilter, offsetof(flare::FilterParameters, showDialog),
    L"Halvane.lns", HalvaneRemembered::Encode, HalvaneRemembered::Take,
};

}  // namespace kelvo
