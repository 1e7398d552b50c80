// Reading a filter module's PiPL resource: the property list through which a
// host learns the module's kind, menu name and category, interface version,
// entry points, accepted image modes and filter-case handling.
//
// Portable (no windows.h): the bytes come from the module's resources on
// Windows or from a file anywhere, and every read is bounds-checked, so a
// damaged or hostile resource yields an error, never a read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::host::pipl {

// Four-character codes as the resource stores them: little-endian 32-bit
// integers whose most significant byte is the first character.
constexpr uint32_t FourCC(const char (&code)[5]) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}

constexpr uint32_t kVendorHost = FourCC("8BIM");
constexpr uint32_t kKindFilter = FourCC("8BFM");
constexpr uint32_t kKeyKind = FourCC("kind");
constexpr uint32_t kKeyName = FourCC("name");
constexpr uint32_t kKeyCategory = FourCC("catg");
constexpr uint32_t kKeyVersion = FourCC("vers");
constexpr uint32_t kKeyEntryWin32 = FourCC("wx86");
constexpr uint32_t kKeyEntryX64 = FourCC("8664");
constexpr uint32_t kKeyModes = FourCC("mode");
constexpr uint32_t kKeyFilterCases = FourCC("fici");
constexpr uint32_t kKeyEnable = FourCC("enbl");
constexpr uint32_t kKeyFilterLayers = FourCC("flly");
constexpr uint32_t kKeyTerminology = FourCC("hstm");

// 'hstm': where the module's scripting terminology is and what it is called.
struct Terminology {
    uint32_t version = 0;
    uint32_t classId = 0;   // the event's class
    uint32_t eventId = 0;   // the event of the module's actions
    int16_t aeteId = 0;     // id of the AETE resource that names the parameters
    std::string scope;      // scope of the keys; empty: global
};

// "8BIM" from 0x3842494D; non-printable bytes shown as '.'.
std::string FourCCText(uint32_t code);

struct Property {
    uint32_t vendor = 0;
    uint32_t key = 0;
    int32_t id = 0;
    uint32_t length = 0;  // stated value length, before padding
    size_t offset = 0;    // offset of the value in the resource
};

// One 'fici' record: how the host treats one filter case.
struct FilterCase {
    int8_t inputHandling = 0;
    int8_t outputHandling = 0;
    uint8_t flags1 = 0;
    uint8_t flags2 = 0;
};

struct PiplInfo {
    uint16_t leadingWord = 0;
    uint32_t listVersion = 0;
    std::vector<Property> properties;  // in resource order
    bool lengthsAligned = true;        // every stated value length is a multiple of 4

    uint32_t kind = 0;
    std::string name;      // menu name, closing zero bytes removed, blanks kept
    std::string category;  // menu category, closing zero bytes removed, blanks kept
    uint32_t version = 0;  // interface version: major in the high 16 bits
    std::string entryWin32;  // 'wx86' entry-point name, empty when absent
    std::string entryX64;    // '8664' entry-point name, empty when absent
    bool hasModes = false;
    uint8_t modeBytes[4] = {0, 0, 0, 0};
    std::string enable;  // the 'enbl' expression, empty when there is none
    std::vector<FilterCase> filterCases;
    // 'flly': the first bit of its value says the module works as a Smart Filter.
    bool hasFilterLayers = false;
    bool filterLayers = false;
    bool hasTerminology = false;
    Terminology terminology;
};

// Parses the resource bytes. On failure returns false and says why in *error;
// *info then holds what was read before the fault.
bool ParsePipl(const uint8_t* data, size_t size, PiplInfo* info, std::string* error);

// True when the 'mode' property lists the image mode (0 bitmap .. 17 Gray32):
// bit 0 of the list is the most significant bit of its first byte.
bool AcceptsMode(const PiplInfo& info, int imageMode);

// Entry-point name for the running architecture ('8664' on x64, 'wx86' on Win32).
const std::string& EntryForThisArchitecture(const PiplInfo& info);

}  // namespace kelvo::host::pipl
