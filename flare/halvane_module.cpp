// Halvane: the lens flare as a module (module_description.h).
#include "flare_filter.h"
#include "module_description.h"
#include "remembered_flare.h"
#include "settings_file.h"

const kelvo::plugin::ModuleDescription kelvo::plugin::kModule =
    DescribeModule<flare::FilterParameters, flare::kSettingsFileSize, flare::EncodeRememberedFlare,
                   flare::TakeRememberedFlare>(&flare::kFlareFilter, L"Halvane.lns");
