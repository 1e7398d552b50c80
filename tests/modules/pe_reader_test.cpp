// The PE reader against files built in memory, so that its answers can be
// trusted when it inspects the real modules.
#include "pe_reader.h"

#include <gtest/gtest.h>

#include "pe_test_image.h"

namespace {

using pe::ResourceId;
using pe::ResourceName;

std::vector<uint8_t> Bytes(const char* s) { return std::vector<uint8_t>(s, s + std::char_traits<char>::length(s)); }

petest::ImageLayout SampleSpec(bool pe32Plus) {
    petest::ImageLayout layout;
    layout.pe32Plus = pe32Plus;
    layout.machine = pe32Plus ? pe::kMachineAmd64 : pe::kMachineI386;
    layout.exports = {"ENTRYPOINT", "FilterProc", ""};
    layout.imports = {"KERNEL32.dll", "USER32.dll"};
    layout.delayImports = {"COMDLG32.dll"};
    layout.resources = {
        {ResourceName("PIPL"), ResourceId(16000), 1033, Bytes("\x01\x00pipl bytes")},
        {ResourceId(pe::kResourceString), ResourceId(1), 1033,
         petest::StringBlock({u"", u"About\nsecond line", u"Caption", u""})},
        {ResourceId(pe::kResourceString), ResourceId(1063), 1031,
         petest::StringBlock({u"", u"", u"", u"", u"Needs \u00e9 \U0001F600"})},
        {ResourceId(pe::kResourceDialog), ResourceName("FILTERPARAM"), 1033, Bytes("dialog")},
    };
    return layout;
}

class PeReaderSample : public ::testing::TestWithParam<bool> {};

TEST_P(PeReaderSample, ReadsHeadersExportsImportsAndResources) {
    const bool pe32Plus = GetParam();
    pe::PeFile file;
    std::string error;
    ASSERT_TRUE(pe::ParsePeFile(petest::BuildImage(SampleSpec(pe32Plus)), &file, &error)) << error;
    EXPECT_EQ(pe32Plus ? pe::kMachineAmd64 : pe::kMachineI386, file.machine);
    EXPECT_EQ(pe32Plus, file.pe32Plus);
    ASSERT_EQ(1u, file.sections.size());
    EXPECT_EQ(".data", file.sections[0].name);

    std::vector<pe::ExportEntry> exports;
    ASSERT_TRUE(pe::ReadExports(file, &exports, &error)) << error;
    ASSERT_EQ(3u, exports.size());
    EXPECT_EQ("ENTRYPOINT", exports[0].name);
    EXPECT_EQ(1u, exports[0].ordinal);
    EXPECT_EQ("FilterProc", exports[1].name);
    EXPECT_EQ(2u, exports[1].ordinal);
    EXPECT_EQ(0x2010u, exports[1].rva);
    EXPECT_EQ("", exports[2].name) << "exported by ordinal only";
    EXPECT_EQ(3u, exports[2].ordinal);

    std::vector<std::string> dlls;
    ASSERT_TRUE(pe::ReadImportedDlls(file, &dlls, &error)) << error;
    EXPECT_EQ((std::vector<std::string>{"KERNEL32.dll", "USER32.dll", "COMDLG32.dll"}), dlls);

    std::vector<pe::ResourceEntry> resources;
    ASSERT_TRUE(pe::ReadResources(file, &resources, &error)) << error;
    ASSERT_EQ(4u, resources.size());
    const pe::ResourceEntry* pipl = pe::FindResource(resources, ResourceName("pipl"), ResourceId(16000));
    ASSERT_NE(nullptr, pipl) << "type names compare without case";
    EXPECT_EQ(Bytes("\x01\x00pipl bytes"), pipl->data);
    EXPECT_EQ(1033, pipl->language);
    EXPECT_EQ(nullptr, pe::FindResource(resources, ResourceName("PIPL"), ResourceId(16001)));
    EXPECT_EQ(nullptr, pe::FindResource(resources, ResourceId(16000), ResourceId(16000)));
    const pe::ResourceEntry* dialog =
        pe::FindResource(resources, ResourceId(pe::kResourceDialog), ResourceName("FILTERPARAM"));
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(Bytes("dialog"), dialog->data);
    EXPECT_EQ(nullptr, pe::FindResource(resources, ResourceId(pe::kResourceDialog), ResourceId(1)));

    std::string text;
    uint16_t language = 0;
    ASSERT_TRUE(pe::FindString(resources, 1, &text, &language));
    EXPECT_EQ("About\nsecond line", text);
    EXPECT_EQ(1033, language);
    ASSERT_TRUE(pe::FindString(resources, 2, &text, &language));
    EXPECT_EQ("Caption", text);
    EXPECT_FALSE(pe::FindString(resources, 0, &text, &language)) << "empty entries are absent";
    EXPECT_FALSE(pe::FindString(resources, 3, &text, &language));
    EXPECT_FALSE(pe::FindString(resources, 15, &text, &language));
    EXPECT_FALSE(pe::FindString(resources, 16, &text, &language)) << "block 2 is missing";
    // 16996 lives in block 1063, entry 4.
    ASSERT_TRUE(pe::FindString(resources, 16996, &text, &language));
    EXPECT_EQ("Needs \xC3\xA9 \xF0\x9F\x98\x80", text);
    EXPECT_EQ(1031, language);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, PeReaderSample, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "PE32Plus" : "PE32"; });

TEST(PeReader, FilesWithoutDirectoriesGiveEmptyLists) {
    petest::ImageLayout layout;
    pe::PeFile file;
    std::string error;
    ASSERT_TRUE(pe::ParsePeFile(petest::BuildImage(layout), &file, &error)) << error;
    std::vector<pe::ExportEntry> exports{{"x", 1, 1}};
    std::vector<std::string> dlls{"x"};
    std::vector<pe::ResourceEntry> resources(1);
    EXPECT_TRUE(pe::ReadExports(file, &exports, &error));
    EXPECT_TRUE(pe::ReadImportedDlls(file, &dlls, &error));
    EXPECT_TRUE(pe::ReadResources(file, &resources, &error));
    EXPECT_TRUE(exports.empty());
    EXPECT_TRUE(dlls.empty());
    EXPECT_TRUE(resources.empty());
    std::string text;
    EXPECT_FALSE(pe::FindString(resources, 1, &text, nullptr));
}

TEST(PeReader, RefusesWhatIsNotAPeFile) {
    pe::PeFile file;
    std::string error;
    EXPECT_FALSE(pe::ParsePeFile({}, &file, &error));
    EXPECT_FALSE(pe::ParsePeFile(std::vector<uint8_t>(4096, 0), &file, &error));
    std::vector<uint8_t> bytes = petest::BuildImage(SampleSpec(false));
    bytes[0x80] = 'N';  // PE signature
    EXPECT_FALSE(pe::ParsePeFile(bytes, &file, &error));
    bytes = petest::BuildImage(SampleSpec(false));
    bytes[0x80 + 24] = 0x0C;  // optional header magic
    EXPECT_FALSE(pe::ParsePeFile(bytes, &file, &error));
    EXPECT_FALSE(pe::LoadPeFile("/nonexistent/module.8bf", &file, &error));
}

// Every shorter file and every single damaged byte must give answers or
// errors, never a read outside the buffer (the sanitizer build checks that).
TEST(PeReader, SurvivesTruncatedAndDamagedFiles) {
    const std::vector<uint8_t> good = petest::BuildImage(SampleSpec(true));
    auto readAll = [](std::vector<uint8_t> bytes) {
        pe::PeFile file;
        std::string error;
        if (!pe::ParsePeFile(std::move(bytes), &file, &error)) return false;
        std::vector<pe::ExportEntry> exports;
        std::vector<std::string> dlls;
        std::vector<pe::ResourceEntry> resources;
        const bool ok = pe::ReadExports(file, &exports, &error) && pe::ReadImportedDlls(file, &dlls, &error) &&
                        pe::ReadResources(file, &resources, &error);
        std::string text;
        for (uint16_t id : {1, 2, 16996}) pe::FindString(resources, id, &text, nullptr);
        return ok;
    };
    ASSERT_TRUE(readAll(good));
    for (size_t size = 0; size < good.size(); ++size) {
        const bool ok = readAll(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)));
        if (size < petest::kSectionFileOffset) {
            EXPECT_FALSE(ok) << "cut at " << size;
        }
    }
    for (size_t at = 0; at < good.size(); ++at) {
        for (uint8_t value : {uint8_t{0xFF}, uint8_t{0x80}}) {
            std::vector<uint8_t> bad = good;
            bad[at] = value;
            readAll(std::move(bad));
        }
    }
}

TEST(PeReader, Utf16Conversion) {
    const uint16_t text[] = {'A', 0xE9, 0x20AC, 0xD83D, 0xDE00, 0xD800, 'B', 0xDC00};
    EXPECT_EQ("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD" "B\xEF\xBF\xBD", pe::Utf16ToUtf8(text, 8));
    EXPECT_EQ("", pe::Utf16ToUtf8(text, 0));
}

}  // namespace
