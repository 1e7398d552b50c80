// The record layouts are checked at compile time in the headers; these cover
// the small helpers whose argument order is easy to get wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin.h"

namespace kelvo::plugin {

TEST(HostRect, SetHostRectTakesLeftTopRightBottom) {
    Rect r{};
    SetHostRect(&r, 3, 1, 40, 20);
    EXPECT_EQ(r.top, 1);
    EXPECT_EQ(r.left, 3);
    EXPECT_EQ(r.bottom, 20);
    EXPECT_EQ(r.right, 40);
}

TEST(HostRect, ToFixedShiftsWholeNumbers) {
    EXPECT_EQ(ToFixed(1), 0x00010000);
    EXPECT_EQ(ToFixed(4), 0x00040000);
    EXPECT_EQ(ToFixed(-1), static_cast<int32_t>(0xFFFF0000u));
}

TEST(PluginHandle, RecordIsPointerSizePlusFourAndSignatureReadsOTOF) {
    EXPECT_EQ(sizeof(PluginHandle), sizeof(void*) + 4);
    const uint32_t signature = kPluginHandleSignature;
    unsigned char bytes[4];
    std::memcpy(bytes, &signature, 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "OTOF");
}

TEST(SettingsBlock, NullWithoutRecordOrParameters) {
    EXPECT_EQ(SettingsBlock(nullptr), nullptr);
    FilterRecord record{};
    EXPECT_EQ(SettingsBlock(&record), nullptr);
    int data = 0;
    PluginHandle handle{&data, kPluginHandleSignature};
    record.parameters = &handle;
    EXPECT_EQ(SettingsBlock(&record), &data);
}

}  // namespace kelvo::plugin
