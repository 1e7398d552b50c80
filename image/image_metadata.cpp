#include "image_metadata.h"

namespace kelvo::image {

std::string IccColourSpace(const std::vector<uint8_t>& profile) {
    if (profile.size() < 20) return std::string();
    return std::string(reinterpret_cast<const char*>(profile.data() + 16), 4);
}

bool IccFitsChannels(const std::vector<uint8_t>& profile, int32_t channels) {
    const std::string space = IccColourSpace(profile);
    if (channels == 1 || channels == 2) return space == "GRAY";
    if (channels == 3 || channels == 4) return space == "RGB ";
    return false;
}

}  // namespace kelvo::image
