// The PiPL parser on the resources of the built modules, and on damaged
// property lists, which must give an error and never a read past the end.
#include <cstring>
#include <vector>

#include "host_test_support.h"
#include "pipl.h"

namespace kelvo::host {

namespace {

// Little-endian writer for hand-made property lists.
struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u16(uint16_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    Bytes& u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& raw(const char* s, size_t n) {
        b.insert(b.end(), s, s + n);
        return *this;
    }
    Bytes& property(const char (&key)[5], const char* value, uint32_t length) {
        u32(pipl::kVendorHost).u32(pipl::FourCC(key)).u32(0).u32(length).raw(value, length);
        while (b.size() % 4 != 2) b.push_back(0);  // values padded to 4 after the 10-byte header
        return *this;
    }
};

// The resource bytes as the host read them, and the host's own reading.
std::vector<uint8_t> ReadModulePipl(const char* path, pipl::PiplInfo* hostInfo, size_t* aeteSize) {
    std::string error;
    host::HostSession* host = host::OpenHost(hosttest::WinePath(path), host::HostOptions{}, &error);
    EXPECT_NE(host, nullptr) << error;
    if (host == nullptr) return {};
    std::vector<uint8_t> bytes = host::Module(host).piplBytes;
    *hostInfo = host::Module(host).pipl;
    *aeteSize = host::Module(host).aeteBytes.size();
    host::CloseHost(host);
    return bytes;
}

class ModulePipl : public ::testing::TestWithParam<hosttest::ModuleCase> {};

TEST_P(ModulePipl, ReadsTheModuleResource) {
    pipl::PiplInfo hostInfo;
    size_t aeteSize = 0;
    const std::vector<uint8_t> bytes = ReadModulePipl(GetParam().path, &hostInfo, &aeteSize);
    ASSERT_EQ(bytes.size(), 550u);
    // The scripting dictionary the 'hstm' names (its content: tests/modules).
    EXPECT_TRUE(hostInfo.hasTerminology);
    EXPECT_GT(aeteSize, 100u);
    pipl::PiplInfo info;
    std::string error;
    ASSERT_TRUE(pipl::ParsePipl(bytes.data(), bytes.size(), &info, &error)) << error;
    // The menu name as the host shows it: blanks kept, the closing zero gone.
    EXPECT_EQ(hostInfo.name, GetParam().menuName);
    EXPECT_EQ(hostInfo.category, "Kelvo ");
    EXPECT_EQ(info.leadingWord, 1);
    EXPECT_EQ(info.listVersion, 0u);
    ASSERT_EQ(info.properties.size(), 10u);
    EXPECT_TRUE(info.lengthsAligned);
    EXPECT_EQ(info.kind, pipl::kKindFilter);
    EXPECT_EQ(info.name, GetParam().menuName);
    EXPECT_EQ(info.category, "Kelvo ");
    EXPECT_EQ(info.version, 0x00040000u);
    EXPECT_EQ(pipl::EntryForThisArchitecture(info), "ENTRYPOINT");
    // Greyscale, RGB .. Lab, their 16-bit counterparts, RGB96 and Gray32; a
    // host that reads 'enbl' instead finds every 16- and 32-bit document too.
    for (int mode = 0; mode <= 17; ++mode) {
        const bool accepted = mode == 1 || mode >= 3;
        EXPECT_EQ(pipl::AcceptsMode(info, mode), accepted) << "mode " << mode;
    }
    EXPECT_NE(info.enable.find("RGB96Mode, Gray32Mode)"), std::string::npos) << info.enable;
    EXPECT_NE(info.enable.find("|| PSHOP_ImageDepth == 16 || PSHOP_ImageDepth == 32"), std::string::npos);
    ASSERT_EQ(info.filterCases.size(), 7u);
    for (const pipl::FilterCase& fc : info.filterCases) {
        EXPECT_EQ(fc.inputHandling, 1);
        EXPECT_EQ(fc.outputHandling, 1);
        EXPECT_EQ(fc.flags1, 1);
        EXPECT_EQ(fc.flags2, 0);
    }
    // The stated name length counts the closing zero.
    const pipl::Property& name = info.properties[1];
    EXPECT_EQ(name.key, pipl::kKeyName);
    EXPECT_EQ(name.length, 12u);
    EXPECT_EQ(bytes[name.offset], 11);
    EXPECT_EQ(bytes[name.offset + 11], 0);
}

INSTANTIATE_TEST_SUITE_P(BothModules, ModulePipl, ::testing::ValuesIn(hosttest::BothModules()),
                         hosttest::ModuleTestName);

TEST(PiplParser, HandMadeListsAndTheirFaults) {
    Bytes good;
    good.u16(1).u32(0).u32(3);
    good.property("kind", "MFB8", 4).property("name", "\005Glow\000", 6).property("8664", "Go\000\000", 4);
    pipl::PiplInfo info;
    std::string error;
    ASSERT_TRUE(pipl::ParsePipl(good.b.data(), good.b.size(), &info, &error)) << error;
    EXPECT_EQ(info.name, "Glow");
    EXPECT_FALSE(info.lengthsAligned) << "a 6-byte value must be flagged";
    EXPECT_EQ(info.entryX64, "Go");
    EXPECT_TRUE(info.entryWin32.empty());
    EXPECT_FALSE(pipl::AcceptsMode(info, 3)) << "no 'mode' property accepts nothing";

    // Every truncation of the list fails cleanly (or parses fewer bytes' worth).
    for (size_t n = 0; n < good.b.size(); ++n) {
        std::vector<uint8_t> cut(good.b.begin(), good.b.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(pipl::ParsePipl(cut.data(), cut.size(), &info, &error)) << "cut at " << n;
        EXPECT_FALSE(error.empty());
    }

    Bytes hugeCount;
    hugeCount.u16(1).u32(0).u32(0x7FFFFFFF);
    EXPECT_FALSE(pipl::ParsePipl(hugeCount.b.data(), hugeCount.b.size(), &info, &error));

    Bytes longName;  // the length byte claims more than the value holds
    longName.u16(1).u32(0).u32(1).property("name", "\050Glow", 5);
    EXPECT_FALSE(pipl::ParsePipl(longName.b.data(), longName.b.size(), &info, &error));

    Bytes longValue;  // the stated length runs past the resource
    longValue.u16(1).u32(0).u32(1).u32(pipl::kVendorHost).u32(pipl::kKeyKind).u32(0).u32(4000).raw("MFB8", 4);
    EXPECT_FALSE(pipl::ParsePipl(longValue.b.data(), longValue.b.size(), &info, &error));

    EXPECT_FALSE(pipl::ParsePipl(nullptr, 0, &info, &error));
}

TEST(PiplParser, ModeBitsCountFromTheFirstBytesHighBit) {
    Bytes list;
    list.u16(1).u32(0).u32(1).property("mode", "\x80\x01\000\000", 4);
    pipl::PiplInfo info;
    std::string error;
    ASSERT_TRUE(pipl::ParsePipl(list.b.data(), list.b.size(), &info, &error)) << error;
    EXPECT_TRUE(pipl::AcceptsMode(info, 0));
    EXPECT_FALSE(pipl::AcceptsMode(info, 1));
    EXPECT_TRUE(pipl::AcceptsMode(info, 15));
    EXPECT_FALSE(pipl::AcceptsMode(info, -1));
    EXPECT_FALSE(pipl::AcceptsMode(info, 40));
    EXPECT_EQ(pipl::FourCCText(pipl::kKindFilter), "8BFM");
}

}  // namespace

}  // namespace kelvo::host
