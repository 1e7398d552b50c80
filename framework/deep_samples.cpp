#include "deep_samples.h"

namespace kelvo {

void AddChange16(const uint8_t* before, const uint8_t* after, uint16_t* deep, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const int32_t change = static_cast<int32_t>(after[i]) - before[i];
        if (change == 0) continue;
        int32_t v = deep[i] + change * 257;
        v = v < 0 ? 0 : (v > 65535 ? 65535 : v);
        deep[i] = static_cast<uint16_t>(v);
    }
}

void AddChangeUnit(const uint8_t* before, const uint8_t* after, float* deep, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const int32_t change = static_cast<int32_t>(after[i]) - before[i];
        if (change != 0) deep[i] += static_cast<float>(change) / 255.0f;
    }
}

}  // namespace kelvo
