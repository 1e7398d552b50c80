#include "zeroed_floats.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

bool AllZero(const kelvo::ZeroedFloats& block) {
    for (size_t i = 0; i < block.count; ++i)
        if (block.data[i] != 0.0f) return false;
    return true;
}

// Small blocks come from the heap and large ones from fresh pages: both start
// at zero, a second allocation into a used block starts at zero again, and a
// request no memory can hold leaves the block empty.
TEST(ZeroedFloats, StartAtZeroWhateverTheirSize) {
    kelvo::ZeroedFloats block;
    for (size_t count : {size_t{1}, size_t{1000}, size_t{9} << 20, size_t{1000}}) {
        ASSERT_TRUE(kelvo::AllocateZeroedFloats(block, count));
        ASSERT_EQ(block.count, count);
        EXPECT_TRUE(AllZero(block)) << count;
        for (size_t i = 0; i < count; i += 997) block.data[i] = 1.0f;  // used before the next round
    }
    EXPECT_FALSE(kelvo::AllocateZeroedFloats(block, SIZE_MAX / 2));
    EXPECT_EQ(block.data, nullptr);
    EXPECT_EQ(block.count, 0u);
    EXPECT_TRUE(kelvo::AllocateZeroedFloats(block, 0));
    EXPECT_EQ(block.data, nullptr);
}

}  // namespace
