// The version-resource reader on resources made here: the layout the system
// reads, and damaged resources that must give an error, not a stray read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pe_version.h"

namespace {

void Put16(std::vector<uint8_t>* b, uint16_t v) {
    b->push_back(static_cast<uint8_t>(v));
    b->push_back(static_cast<uint8_t>(v >> 8));
}
void Pad4(std::vector<uint8_t>* b) {
    while (b->size() % 4 != 0) b->push_back(0);
}

// One block: length, value length (in characters for text), type, key, value, children.
std::vector<uint8_t> VersionBlock(const std::string& key, bool text, const std::vector<uint8_t>& value,
                                  uint16_t valueLength, const std::vector<std::vector<uint8_t>>& children) {
    std::vector<uint8_t> b(6, 0);
    for (char c : key) Put16(&b, static_cast<uint8_t>(c));
    Put16(&b, 0);
    Pad4(&b);
    b.insert(b.end(), value.begin(), value.end());
    for (const auto& child : children) {
        Pad4(&b);
        b.insert(b.end(), child.begin(), child.end());
    }
    b[0] = static_cast<uint8_t>(b.size());
    b[1] = static_cast<uint8_t>(b.size() >> 8);
    b[2] = static_cast<uint8_t>(valueLength);
    b[3] = static_cast<uint8_t>(valueLength >> 8);
    b[4] = text ? 1 : 0;
    return b;
}

std::vector<uint8_t> Text(const std::string& key, const std::string& value) {
    std::vector<uint8_t> v;
    for (char c : value) Put16(&v, static_cast<uint8_t>(c));
    Put16(&v, 0);
    return VersionBlock(key, true, v, static_cast<uint16_t>(value.size() + 1), {});
}

std::vector<uint8_t> SampleResource() {
    std::vector<uint8_t> fixed;
    const uint16_t words[] = {0x04BD, 0xFEEF, 0, 1, 3, 2, 5, 4, 9, 8, 0, 0, 0x3F, 0, 0, 0, 4, 4, 2, 0, 0, 0, 0, 0, 0, 0};
    for (uint16_t w : words) Put16(&fixed, w);
    std::vector<uint8_t> translation;
    Put16(&translation, 0x0409);
    Put16(&translation, 1200);
    return VersionBlock(
        "VS_VERSION_INFO", false, fixed, static_cast<uint16_t>(fixed.size()),
        {VersionBlock("StringFileInfo", true, {}, 0,
                      {VersionBlock("040904B0", true, {}, 0, {Text("ProductName", "Kelvo filters"), Text("X", "")})}),
         VersionBlock("VarFileInfo", true, {}, 0, {VersionBlock("Translation", false, translation, 4, {})})});
}

TEST(VersionResource, ReadsNumbersTextsAndTranslation) {
    pe::VersionInfo info;
    std::string error;
    ASSERT_TRUE(pe::ParseVersionInfo(SampleResource(), &info, &error)) << error;
    EXPECT_EQ(2, info.fileVersion[0]);
    EXPECT_EQ(3, info.fileVersion[1]);
    EXPECT_EQ(4, info.fileVersion[2]);
    EXPECT_EQ(5, info.fileVersion[3]);
    EXPECT_EQ(8, info.productVersion[0]);
    EXPECT_EQ(9, info.productVersion[1]);
    EXPECT_EQ(0x40004u, info.fileOs);
    EXPECT_EQ(2u, info.fileType);
    ASSERT_EQ(2u, info.texts.size());
    EXPECT_EQ("040904B0", info.texts[0].table);
    ASSERT_NE(nullptr, pe::FindVersionText(info, "ProductName"));
    EXPECT_EQ("Kelvo filters", *pe::FindVersionText(info, "ProductName"));
    EXPECT_EQ("", *pe::FindVersionText(info, "X"));
    EXPECT_EQ(nullptr, pe::FindVersionText(info, "Missing"));
    ASSERT_EQ(1u, info.translations.size());
    EXPECT_EQ(0x0409, info.translations[0].first);
}

TEST(VersionResource, DamagedResourcesAreRefusedWithoutStrayReads) {
    const std::vector<uint8_t> good = SampleResource();
    pe::VersionInfo info;
    std::string error;
    // Every shortened copy (the root's length then claims too much).
    for (size_t size = 0; size < good.size(); ++size) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(pe::ParseVersionInfo(cut, &info, &error)) << size;
    }
    // Every length word of every block turned large or small: answered either
    // way, never read past the bytes (the sanitizer build checks that).
    for (size_t at = 0; at + 4 <= good.size(); at += 2) {
        for (uint16_t v : {0, 1, 7, 0x7FFF, 0xFFFF}) {
            std::vector<uint8_t> bad = good;
            bad[at] = static_cast<uint8_t>(v);
            bad[at + 1] = static_cast<uint8_t>(v >> 8);
            pe::ParseVersionInfo(bad, &info, &error);
        }
    }
    std::vector<uint8_t> wrongSignature = good;
    wrongSignature[40] ^= 0xFF;  // first byte of the fixed information
    EXPECT_FALSE(pe::ParseVersionInfo(wrongSignature, &info, &error));
}

}  // namespace
