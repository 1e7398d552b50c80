#include <gtest/gtest.h>

#include <cstdint>

#include "deep_samples.h"

TEST(DeepSamples, ReductionRoundsToNearestAndClamps) {
    for (uint32_t v8 = 0; v8 < 256; ++v8) EXPECT_EQ(kelvo::Reduce16(static_cast<uint16_t>(v8 * 257)), v8);
    EXPECT_EQ(kelvo::Reduce16(128), 0);  // 0.498 of a step
    EXPECT_EQ(kelvo::Reduce16(129), 1);
    EXPECT_EQ(kelvo::ReduceUnit(-0.5f), 0);
    EXPECT_EQ(kelvo::ReduceUnit(2.0f), 255);
    EXPECT_EQ(kelvo::ReduceUnit(0.5f), 128);
}

TEST(DeepSamples, UnchangedSamplesKeepTheirValuesAndLightIsAddedToTheOriginal) {
    const uint8_t before[4] = {10, 200, 250, 5};
    const uint8_t after[4] = {10, 230, 255, 0};  // untouched, lit, lit to the top, softened down
    uint16_t deep[4] = {2571, 51400, 65000, 300};
    kelvo::AddChange16(before, after, deep, 4);
    EXPECT_EQ(deep[0], 2571);
    EXPECT_EQ(deep[1], 51400 + 30 * 257);
    EXPECT_EQ(deep[2], 65535);
    EXPECT_EQ(deep[3], 0);

    float unit[2] = {0.123456f, 0.9f};
    const uint8_t b2[2] = {31, 229};
    const uint8_t a2[2] = {31, 255};
    kelvo::AddChangeUnit(b2, a2, unit, 2);
    EXPECT_EQ(unit[0], 0.123456f);
    EXPECT_FLOAT_EQ(unit[1], 0.9f + 26.0f / 255.0f);
}
