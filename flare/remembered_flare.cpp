#include "remembered_flare.h"

#include <cstring>

#include "remembered_settings.h"
#include "settings_file.h"

namespace kelvo::flare {

void EncodeRememberedFlare(const FilterParameters& record, unsigned char* bytes) {
    FilterParameters clean = DefaultFlareParameters();
    CopySettings(kFlareSettings, &record, &clean);
    EncodeSettingsFile(clean, bytes);
}

bool TakeRememberedFlare(const unsigned char* bytes, size_t size, FilterParameters* record) {
    if (bytes == nullptr || size != kSettingsFileSize || bytes[0] != kSettingsFileMarker) return false;
    FilterParameters remembered;
    std::memcpy(&remembered, bytes + 1, sizeof remembered);
    return TakeRememberedSettings(kFlareSettings, &remembered, record);
}

}  // namespace kelvo::flare
