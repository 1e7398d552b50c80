#include "remembered_glow.h"

#include <cstring>

#include "remembered_settings.h"

namespace kelvo::glow {
namespace {

constexpr char kMarker[8] = {'E', 'M', 'B', 'E', 'R', 'L', 'I', 'T'};
constexpr size_t kValuesAt = sizeof kMarker + 2;

void PutLittle(unsigned char* at, uint32_t v, int count) {
    for (int i = 0; i < count; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t GetLittle(const unsigned char* at, int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) v |= static_cast<uint32_t>(at[i]) << (8 * i);
    return v;
}

}  // namespace

void EncodeRememberedGlow(const FilterParameters& record, unsigned char* bytes) {
    std::memcpy(bytes, kMarker, sizeof kMarker);
    PutLittle(bytes + sizeof kMarker, kRememberedGlowVersion, 2);
    for (int i = 0; i < kGlowSettings.count; ++i) {
        const auto v = static_cast<int32_t>(ReadSetting(kGlowSettings.fields[i], &record));
        PutLittle(bytes + kValuesAt + 4 * i, static_cast<uint32_t>(v), 4);
    }
}

bool TakeRememberedGlow(const unsigned char* bytes, size_t size, FilterParameters* record) {
    static_assert(kValuesAt + 4 * kGlowSettingCount == kRememberedGlowSize, "every setting");
    if (bytes == nullptr || size != kRememberedGlowSize) return false;
    if (std::memcmp(bytes, kMarker, sizeof kMarker) != 0) return false;
    if (GetLittle(bytes + sizeof kMarker, 2) != kRememberedGlowVersion) return false;
    FilterParameters remembered{};
    for (int i = 0; i < kGlowSettings.count; ++i) {
        const auto v = static_cast<int32_t>(GetLittle(bytes + kValuesAt + 4 * i, 4));
        WriteSetting(kGlowSettings.fields[i], &remembered, v);
    }
    return TakeRememberedSettings(kGlowSettings, &remembered, record);
}

}  // namespace kelvo::glow
