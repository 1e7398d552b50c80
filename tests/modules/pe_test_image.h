// Builds small PE files in memory for the reader's own tests: the headers, one
// section holding an export directory, import descriptors and a resource tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pe_reader.h"

namespace petest {

struct ResourceSpec {
    pe::ResourceKey type;
    pe::ResourceKey name;
    uint16_t language;
    std::vector<uint8_t> data;
};

struct ImageLayout {
    bool pe32Plus = false;
    uint16_t machine = pe::kMachineI386;
    std::string dllName = "TEST.dll";
    uint32_t ordinalBase = 1;
    // Exports in function-table order; an empty name is exported by ordinal only.
    std::vector<std::string> exports;
    std::vector<std::string> imports;
    std::vector<std::string> delayImports;
    std::vector<ResourceSpec> resources;
};

// The section's RVA and file offset in built images.
constexpr uint32_t kSectionRva = 0x1000;
constexpr uint32_t kSectionFileOffset = 0x400;

std::vector<uint8_t> BuildImage(const ImageLayout& layout);

// A string-table block: sixteen entries, each a length and UTF-16 units;
// entries missing from `strings` (or empty) have length 0.
std::vector<uint8_t> StringBlock(const std::vector<std::u16string>& strings);

}  // namespace petest
