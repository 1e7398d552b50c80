#include <gtest/gtest.h>

#include <cstdint>

#include "deep_samples.h"

namespace kelvo {

TEST(DeepSamples, ReductionRoundsToNearestAndClamps) {
    for (uint32_t v8 = 0; v8 < 256; ++v8) EXPECT_EQ(kelvo::Reduce16(static_cast<uint16_t>(v8 * 257)), v8);
    EXPECT_EQ(kelvo::Reduce16(128), 0);  // 0.498 of a step
    EXPECT_EQ(kelvo::Reduce16(129), 1);
    EXPECT_EQ(kelvo::ReduceUnit(-0.5f), 0);
    EXPECT_EQ(kelvo::ReduceUnit(2.0f), 255);
    EXPECT_EQ(kelvo::ReduceUnit(0.5f), 128);
}

}  // namespace kelvo
