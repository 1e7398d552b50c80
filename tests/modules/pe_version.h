// Reads a module's version resource (resource type 16): the fixed numbers the
// system shows as the file and product version, and the texts of its
// StringFileInfo tables (product name, description, ...). Portable, for the
// tests that inspect the built modules.
//
// Every length in the resource is checked against its enclosing block: a
// damaged resource gives an error, never a read outside the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pe {

struct VersionInfo {
    uint16_t fileVersion[4] = {0, 0, 0, 0};     // major, minor, patch, build
    uint16_t productVersion[4] = {0, 0, 0, 0};
    uint32_t fileOs = 0;
    uint32_t fileType = 0;
    // StringFileInfo texts as (table, name, value), in resource order; the
    // table is its language and code page in hexadecimal, e.g. "040904B0".
    struct Text {
        std::string table;
        std::string name;
        std::string value;
    };
    std::vector<Text> texts;
    // VarFileInfo's Translation pairs: (language, code page).
    std::vector<std::pair<uint16_t, uint16_t>> translations;
};

// Parses the bytes of a version resource.
bool ParseVersionInfo(const std::vector<uint8_t>& data, VersionInfo* info, std::string* error);

// The value of a StringFileInfo text (first table that has it), or null.
const std::string* FindVersionText(const VersionInfo& info, const std::string& name);

}  // namespace pe
