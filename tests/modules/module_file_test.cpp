// Inspects the built plug-in modules of both targets: what a host sees before
// it loads one (the PiPL resource, the exports, the DLLs it needs) and the
// string and dialog resources that the module itself loads.
//
// The module folders come from the build (KELVO_WIN32_MODULES and
// KELVO_WIN64_MODULES, also taken from the environment). A missing module is
// skipped unless KELVO_REQUIRE_MODULES=1; Emberlit is always optional.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "aete.h"
#include "flare_parameters.h"
#include "glow_parameters.h"
#include "kelvo_version.h"
#include "pe_reader.h"
#include "pe_version.h"
#include "pipl.h"
#include "script_parameters.h"

namespace kelvo {

namespace {

using pe::ResourceId;
using pe::ResourceName;
using plugin::FourCharCode;
using plugin::ScriptDescriptorType;
using plugin::ScriptKeyCode;
using plugin::ScriptUnit;

constexpr uint16_t kLanguageEnglishUs = 1033;

struct Target {
    const char* label;
    const char* folderVariable;  // environment variable that overrides the folder
    const char* folder;
    uint16_t machine;
    bool pe32Plus;
    const char* codeKey;  // the PiPL property that names the entry point
};

struct Module {
    const char* label;
    const char* fileName;
    bool alwaysOptional;  // not built yet on every branch
    const char* menuName;  // ten characters
    const char* aboutFirstLine;
    const char* caption;
    const char* settingsFilter;  // null: no string 3
    const char* versionDescription;  // FileDescription of the version resource
    uint16_t lastDialogString;       // the dialog's own texts are strings 4 to this one
    const char* eventName;           // the actions' event: its name in the AETE resource,
    const char* eventId;             //   its four-character code,
    const char* scope;               //   and the scope of its keys
    const SettingsTable* settings;   // the parameters the AETE resource names
};

const Target kTargets[] = {
    {"Win32", "KELVO_WIN32_MODULES", KELVO_WIN32_MODULES, pe::kMachineI386, false, "wx86"},
    {"x64", "KELVO_WIN64_MODULES", KELVO_WIN64_MODULES, pe::kMachineAmd64, true, "8664"},
};

const Module kModules[] = {
    {"Halvane", "Halvane.8bf", false, "Lens Flare", "Kelvo Lens Flare Filter " KELVO_VERSION_SHORT " .",
     "Lens Flare Filter", "Lens Flare Files (*.LNS)|*.lns|", "Kelvo Lens Flare filter plug-in (Halvane)", 9,
     "Lens Flare", "kvLF", "Kelvo Halvane", &flare::kFlareSettings},
    {"Emberlit", "Emberlit.8bf", true, "Glow      ", "Kelvo Glow Filter " KELVO_VERSION_SHORT ".", "Glow Filter",
     nullptr, "Kelvo Glow filter plug-in (Emberlit)", 4, "Glow", "kvGL", "Kelvo Emberlit", &glow::kGlowSettings},
};

const struct {
    uint16_t id;
    const char* text;
} kHostStrings[] = {
    {16996, "This plug-in requires Adobe Photoshop 3.04 or later functionality."},
    {16997, "This plug-in requires Adobe Photoshop 2.5 or later functionality"},
    {16998, "This plug-in is incompatible with this version of the host program"},
    {16999, "This plug-in requires Adobe Photoshop 2.5.2 or later functionality"},
};

std::string ModuleFolder(const Target& target) {
    const char* fromEnvironment = std::getenv(target.folderVariable);
    return fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : target.folder;
}

bool ModulesRequired() {
    const char* value = std::getenv("KELVO_REQUIRE_MODULES");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

// ---- The expected PiPL, from the table of properties ---------------------------------

void PutInt16(std::vector<uint8_t>* b, uint16_t v) {
    b->push_back(static_cast<uint8_t>(v));
    b->push_back(static_cast<uint8_t>(v >> 8));
}
void PutInt32(std::vector<uint8_t>* b, uint32_t v) {
    PutInt16(b, static_cast<uint16_t>(v));
    PutInt16(b, static_cast<uint16_t>(v >> 16));
}
// A four-character code as the 32-bit integer it stands for, little-endian.
void PutCode(std::vector<uint8_t>* b, const char* code) {
    PutInt32(b, static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24 |
                    static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16 |
                    static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8 | static_cast<uint8_t>(code[3]));
}
void PutProperty(std::vector<uint8_t>* b, const char* key, const std::vector<uint8_t>& value) {
    PutCode(b, "8BIM");
    PutCode(b, key);
    PutInt32(b, 0);
    PutInt32(b, static_cast<uint32_t>(value.size()));
    b->insert(b->end(), value.begin(), value.end());
    while (b->size() % 4 != 2) b->push_back(0);  // values padded to 4 (the record starts with a 2-byte word)
}

std::vector<uint8_t> ExpectedPipl(const Module& module, const Target& target) {
    std::vector<uint8_t> pipl;
    PutInt16(&pipl, 1);
    PutInt32(&pipl, 0);
    PutInt32(&pipl, 10);

    std::vector<uint8_t> kind;
    PutCode(&kind, "8BFM");
    PutProperty(&pipl, "kind", kind);

    std::vector<uint8_t> name = {11};
    name.insert(name.end(), module.menuName, module.menuName + 10);
    name.push_back(0);
    PutProperty(&pipl, "name", name);

    const std::vector<uint8_t> category = {6, 'K', 'e', 'l', 'v', 'o', ' ', 0};
    PutProperty(&pipl, "catg", category);

    std::vector<uint8_t> version;
    PutInt32(&version, 0x00040000);
    PutProperty(&pipl, "vers", version);

    PutProperty(&pipl, "flly", {0x80, 0, 0, 0});  // the first bit: usable as a Smart Filter

    std::vector<uint8_t> terminology;
    PutInt32(&terminology, 0);
    PutCode(&terminology, "Fltr");
    PutCode(&terminology, module.eventId);
    PutInt16(&terminology, 16000);
    std::vector<uint8_t> scope(18, 0);
    std::memcpy(scope.data(), module.scope, std::strlen(module.scope));
    terminology.insert(terminology.end(), scope.begin(), scope.end());
    PutProperty(&pipl, "hstm", terminology);

    std::vector<uint8_t> entry(12, 0);
    std::memcpy(entry.data(), "ENTRYPOINT", 10);
    PutProperty(&pipl, target.codeKey, entry);

    // The 8-bit modes, their 16-bit counterparts, RGB96 and Gray32.
    PutProperty(&pipl, "mode", {0x5F, 0xFF, 0xC0, 0x00});
    const std::string enable =
        "in (PSHOP_ImageMode, GrayScaleMode, RGBMode, CMYKMode, HSLMode, HSBMode, MultichannelMode, "
        "DuotoneMode, LabMode, Gray16Mode, RGB48Mode, Lab48Mode, CMYK64Mode, DeepMultichannelMode, "
        "Duotone16Mode, RGB96Mode, Gray32Mode) || PSHOP_ImageDepth == 16 || PSHOP_ImageDepth == 32";
    std::vector<uint8_t> enbl(enable.begin(), enable.end());
    enbl.resize((enbl.size() + 1 + 3) / 4 * 4, 0);  // a closing zero, padded to whole words
    PutProperty(&pipl, "enbl", enbl);

    std::vector<uint8_t> cases;
    for (int i = 0; i < 7; ++i) cases.insert(cases.end(), {1, 1, 1, 0});
    PutProperty(&pipl, "fici", cases);
    return pipl;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string s;
    char cell[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(cell, sizeof cell, "%02X%s", bytes[i], (i % 16 == 15) ? "\n" : " ");
        s += cell;
    }
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsSystemDll(const std::string& name) {
    static const char* const kSystem[] = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                          "comdlg32.dll", "msvcrt.dll", "advapi32.dll"};
    const std::string lower = Lower(name);
    for (const char* s : kSystem)
        if (lower == s) return true;
    return lower.rfind("api-ms-win-crt-", 0) == 0;
}

// ---- The tests -------------------------------------------------------------------------

struct ModuleCase {
    const Target* target;
    const Module* module;
};

void PrintTo(const ModuleCase& c, std::ostream* os) { *os << c.module->label << " (" << c.target->label << ")"; }
void PrintTo(const Module* m, std::ostream* os) { *os << m->label; }

class ModuleFile : public ::testing::TestWithParam<ModuleCase> {
protected:
    void SetUp() override {
        const ModuleCase& c = GetParam();
        path_ = (std::filesystem::path(ModuleFolder(*c.target)) / c.module->fileName).string();
        if (!std::filesystem::exists(path_)) {
            if (ModulesRequired() && !c.module->alwaysOptional) FAIL() << "module missing: " << path_;
            GTEST_SKIP() << "module not built: " << path_;
        }
        std::string error;
        ASSERT_TRUE(pe::LoadPeFile(path_, &file_, &error)) << error;
        ASSERT_TRUE(pe::ReadResources(file_, &resources_, &error)) << error;
    }
    const Target& target() const { return *GetParam().target; }
    const Module& module() const { return *GetParam().module; }

    std::string path_;
    pe::PeFile file_;
    std::vector<pe::ResourceEntry> resources_;
};

TEST_P(ModuleFile, IsADllForItsMachine) {
    EXPECT_EQ(target().machine, file_.machine) << path_;
    EXPECT_EQ(target().pe32Plus, file_.pe32Plus) << path_;
    EXPECT_NE(0, file_.characteristics & 0x2000) << "not marked as a DLL";
}

TEST_P(ModuleFile, ExportsTheEntryPointAndDialogProcedureByUndecoratedName) {
    std::vector<pe::ExportEntry> exports;
    std::string error;
    ASSERT_TRUE(pe::ReadExports(file_, &exports, &error)) << error;
    std::string all;
    for (const pe::ExportEntry& e : exports) all += (e.name.empty() ? "#" : e.name) + "@" + std::to_string(e.ordinal) + " ";
    ASSERT_EQ(2u, exports.size()) << all;
    auto find = [&](const char* name) -> const pe::ExportEntry* {
        for (const pe::ExportEntry& e : exports)
            if (e.name == name) return &e;
        return nullptr;
    };
    const pe::ExportEntry* entry = find("ENTRYPOINT");
    const pe::ExportEntry* dialog = find("FilterProc");
    ASSERT_NE(nullptr, entry) << all;
    ASSERT_NE(nullptr, dialog) << all;
    EXPECT_EQ(1u, entry->ordinal);
    EXPECT_EQ(2u, dialog->ordinal);
    EXPECT_NE(0u, entry->rva);
    EXPECT_NE(0u, dialog->rva);
    EXPECT_NE(entry->rva, dialog->rva);
}

TEST_P(ModuleFile, ImportsOnlySystemDlls) {
    std::vector<std::string> dlls;
    std::string error;
    ASSERT_TRUE(pe::ReadImportedDlls(file_, &dlls, &error)) << error;
    EXPECT_FALSE(dlls.empty());
    for (const std::string& dll : dlls) EXPECT_TRUE(IsSystemDll(dll)) << "imports " << dll;
}

TEST_P(ModuleFile, PiplResourceMatchesTheTableByteForByte) {
    const std::vector<uint8_t> expected = ExpectedPipl(module(), target());
    ASSERT_EQ(550u, expected.size());
    int count = 0;
    for (const pe::ResourceEntry& r : resources_)
        if (pe::SameResourceKey(r.type, ResourceName("PIPL"))) ++count;
    EXPECT_EQ(1, count) << "PiPL resources";
    const pe::ResourceEntry* pipl = pe::FindResource(resources_, ResourceName("PIPL"), ResourceId(16000));
    ASSERT_NE(nullptr, pipl);
    EXPECT_EQ("PIPL", pipl->type.name) << "type stored as written";
    EXPECT_EQ(expected, pipl->data) << "expected:\n" << Hex(expected) << "\nactual:\n" << Hex(pipl->data);
}

// The scripting dictionary that the PiPL's 'hstm' names, as our host reads
// both, names every setting of the table, in its order, under the key and
// type the module records it with.
TEST_P(ModuleFile, AeteResourceNamesEverySettingOfTheTable) {
    const pe::ResourceEntry* piplResource = pe::FindResource(resources_, ResourceName("PIPL"), ResourceId(16000));
    ASSERT_NE(nullptr, piplResource);
    host::pipl::PiplInfo info;
    std::string error;
    ASSERT_TRUE(host::pipl::ParsePipl(piplResource->data.data(), piplResource->data.size(), &info, &error)) << error;
    EXPECT_TRUE(info.hasFilterLayers && info.filterLayers);
    ASSERT_TRUE(info.hasTerminology);
    EXPECT_EQ(0u, info.terminology.version);
    EXPECT_EQ(16000, info.terminology.aeteId);
    EXPECT_EQ(module().scope, info.terminology.scope);

    const pe::ResourceEntry* resource = pe::FindResource(resources_, ResourceName("AETE"), ResourceId(16000));
    ASSERT_NE(nullptr, resource);
    EXPECT_EQ(kLanguageEnglishUs, resource->language);
    host::aete::Dictionary d;
    ASSERT_TRUE(host::aete::ParseAete(resource->data.data(), resource->data.size(), &d, &error)) << error;
    EXPECT_EQ(d.bytesRead, resource->data.size());
    EXPECT_EQ(1, d.majorVersion);
    EXPECT_EQ(0, d.minorVersion);
    EXPECT_EQ("Kelvo", d.suiteName);
    EXPECT_EQ(1, d.suiteCode);
    EXPECT_EQ(1, d.suiteLevel);
    EXPECT_EQ(module().eventName, d.eventName);
    EXPECT_EQ(FourCharCode("Fltr"), d.eventClass);
    EXPECT_EQ(ScriptKeyCode(module().eventId), d.eventId);
    EXPECT_EQ(info.terminology.classId, d.eventClass);
    EXPECT_EQ(info.terminology.eventId, d.eventId);
    EXPECT_EQ(FourCharCode("null"), d.replyType);
    EXPECT_EQ(FourCharCode("#ImR"), d.directType);
    const SettingsTable& table = *module().settings;
    ASSERT_EQ(static_cast<size_t>(table.count), d.parameters.size());
    for (int i = 0; i < table.count; ++i) {
        const SettingField& f = table.fields[i];
        const host::aete::Parameter& p = d.parameters[static_cast<size_t>(i)];
        EXPECT_EQ(f.title, p.name) << f.name;
        EXPECT_EQ(ScriptKeyCode(f.scriptKey), p.key) << f.name;
        const uint32_t unit = ScriptUnit(f.scriptType);
        EXPECT_EQ(unit != 0 ? unit : ScriptDescriptorType(f.scriptType), p.type) << f.name;
        EXPECT_EQ(0x8000, p.flags) << f.name << ": an optional parameter";
    }
}

TEST_P(ModuleFile, StringTableHoldsExactlyTheModulesTexts) {
    std::string text;
    uint16_t language = 0;
    ASSERT_TRUE(pe::FindString(resources_, 1, &text, &language)) << "string 1";
    const std::string firstLine = std::string(module().aboutFirstLine) + "\n";
    EXPECT_EQ(0u, text.rfind(firstLine, 0)) << text;
    EXPECT_GT(text.size(), firstLine.size()) << "the maker's notice follows on a second line";
    EXPECT_EQ(std::string::npos, text.find('\0'));

    ASSERT_TRUE(pe::FindString(resources_, 2, &text, &language)) << "string 2";
    EXPECT_EQ(module().caption, text);
    if (module().settingsFilter != nullptr) {
        ASSERT_TRUE(pe::FindString(resources_, 3, &text, &language)) << "string 3";
        EXPECT_EQ(module().settingsFilter, text);
    } else {
        EXPECT_FALSE(pe::FindString(resources_, 3, &text, &language)) << "unexpected string 3: " << text;
    }
    for (const auto& s : kHostStrings) {
        ASSERT_TRUE(pe::FindString(resources_, s.id, &text, &language)) << "string " << s.id;
        EXPECT_EQ(s.text, text) << s.id;
        EXPECT_EQ(kLanguageEnglishUs, language) << s.id;
    }
    // The dialogs' own texts: "Preview not available", and Halvane's
    // messages about settings files that could not be saved or loaded.
    ASSERT_TRUE(pe::FindString(resources_, 4, &text, &language));
    EXPECT_EQ("Preview not available", text);
    for (uint16_t id = 5; id <= module().lastDialogString; ++id) {
        ASSERT_TRUE(pe::FindString(resources_, id, &text, &language)) << "string " << id;
        EXPECT_GT(text.size(), 20u) << id;
    }
    const uint16_t afterDialogStrings = static_cast<uint16_t>(module().lastDialogString + 1);
    // Nothing else: two blocks (ids 0..15 and 16992..17007), no other entry in them.
    int blocks = 0;
    for (const pe::ResourceEntry& r : resources_)
        if (pe::SameResourceKey(r.type, ResourceId(pe::kResourceString))) ++blocks;
    EXPECT_EQ(2, blocks);
    for (uint16_t id : {uint16_t{0}, afterDialogStrings, uint16_t{15}, uint16_t{16992}, uint16_t{16993},
                        uint16_t{16994}, uint16_t{16995}, uint16_t{17000}, uint16_t{17007}})
        EXPECT_FALSE(pe::FindString(resources_, id, &text, &language)) << "unexpected string " << id << ": " << text;
}

TEST_P(ModuleFile, CarriesTheSettingsDialogAndOnlyUsEnglishResources) {
    const pe::ResourceEntry* dialog =
        pe::FindResource(resources_, ResourceId(pe::kResourceDialog), ResourceName("FILTERPARAM"));
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(dialog->data.empty());
    for (const pe::ResourceEntry& r : resources_) {
        const std::string type = r.type.named ? r.type.name : std::to_string(r.type.id);
        const std::string name = r.name.named ? r.name.name : std::to_string(r.name.id);
        EXPECT_EQ(kLanguageEnglishUs, r.language) << "resource " << type << "/" << name;
    }
}

TEST_P(ModuleFile, VersionResourceNamesTheProductAndTheReleaseVersion) {
    int count = 0;
    for (const pe::ResourceEntry& r : resources_)
        if (pe::SameResourceKey(r.type, ResourceId(pe::kResourceVersion))) ++count;
    EXPECT_EQ(1, count) << "version resources";
    const pe::ResourceEntry* resource = pe::FindResource(resources_, ResourceId(pe::kResourceVersion), ResourceId(1));
    ASSERT_NE(nullptr, resource);
    pe::VersionInfo info;
    std::string error;
    ASSERT_TRUE(pe::ParseVersionInfo(resource->data, &info, &error)) << error;

    const uint16_t release[4] = {KELVO_VERSION_NUMBERS};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(release[i], info.fileVersion[i]) << "file version part " << i;
        EXPECT_EQ(release[i], info.productVersion[i]) << "product version part " << i;
    }
    EXPECT_EQ(2u, info.fileType) << "VFT_DLL";
    EXPECT_EQ(0x40004u, info.fileOs) << "VOS_NT_WINDOWS32";

    const struct {
        const char* name;
        std::string value;
    } expected[] = {
        {"ProductName", "Kelvo filters"},
        {"ProductVersion", KELVO_VERSION_TEXT},
        {"FileVersion", KELVO_VERSION_TEXT},
        {"FileDescription", module().versionDescription},
        {"OriginalFilename", module().fileName},
        {"InternalName", module().fileName},
        {"CompanyName", "the Kelvo filters developers"},
    };
    for (const auto& e : expected) {
        const std::string* value = pe::FindVersionText(info, e.name);
        ASSERT_NE(nullptr, value) << e.name;
        EXPECT_EQ(e.value, *value) << e.name;
    }
    const std::string* copyright = pe::FindVersionText(info, "LegalCopyright");
    ASSERT_NE(nullptr, copyright);
    EXPECT_NE(std::string::npos, copyright->find("MIT")) << *copyright;
    for (const pe::VersionInfo::Text& t : info.texts) EXPECT_EQ("040904B0", t.table) << t.name;
    ASSERT_EQ(1u, info.translations.size());
    EXPECT_EQ(kLanguageEnglishUs, info.translations[0].first);
    EXPECT_EQ(1200, info.translations[0].second) << "Unicode";
}

std::vector<ModuleCase> AllCases() {
    std::vector<ModuleCase> cases;
    for (const Module& m : kModules)
        for (const Target& t : kTargets) cases.push_back({&t, &m});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Built, ModuleFile, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<ModuleCase>& info) {
                             return std::string(info.param.module->label) + "_" + info.param.target->label;
                         });

// The two targets' modules differ in the PiPL only by the entry point's code.
class ModulePair : public ::testing::TestWithParam<const Module*> {};

TEST_P(ModulePair, TargetsDifferOnlyInTheEntryPointCode) {
    const Module& module = *GetParam();
    std::vector<uint8_t> pipl[2];
    for (int i = 0; i < 2; ++i) {
        const std::string path = (std::filesystem::path(ModuleFolder(kTargets[i])) / module.fileName).string();
        if (!std::filesystem::exists(path)) {
            if (ModulesRequired() && !module.alwaysOptional) FAIL() << "module missing: " << path;
            GTEST_SKIP() << "module not built: " << path;
        }
        pe::PeFile file;
        std::vector<pe::ResourceEntry> resources;
        std::string error;
        ASSERT_TRUE(pe::LoadPeFile(path, &file, &error)) << error;
        ASSERT_TRUE(pe::ReadResources(file, &resources, &error)) << error;
        const pe::ResourceEntry* r = pe::FindResource(resources, ResourceName("PIPL"), ResourceId(16000));
        ASSERT_NE(nullptr, r) << path;
        pipl[i] = r->data;
    }
    ASSERT_EQ(pipl[0].size(), pipl[1].size());
    std::vector<size_t> differ;
    for (size_t i = 0; i < pipl[0].size(); ++i)
        if (pipl[0][i] != pipl[1][i]) differ.push_back(i);
    // The code property is the seventh; its key sits 4 bytes into the property.
    const size_t keyAt = 10 + (16 + 4) + (16 + 12) + (16 + 8) + (16 + 4) + (16 + 4) + (16 + 32) + 4;
    for (size_t at : differ) EXPECT_TRUE(at >= keyAt && at < keyAt + 4) << "byte " << at << " differs";
}

INSTANTIATE_TEST_SUITE_P(Built, ModulePair, ::testing::Values(&kModules[0], &kModules[1]),
                         [](const ::testing::TestParamInfo<const Module*>& info) { return std::string(info.param->label); });

}  // namespace

}  // namespace kelvo
