// A small reader for Windows executable files (PE32 and PE32+), portable, for
// tests that inspect the built modules: machine type, exported names with
// their ordinals, imported DLL names, and the resources (type, name, language,
// bytes), with helpers for string-table entries.
//
// Every offset read from the file is checked against the file's size: a
// damaged or truncated file gives an error, never a read outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pe {

enum : uint16_t {
    kMachineI386 = 0x014C,
    kMachineAmd64 = 0x8664,
};

// Numeric resource types.
enum : uint16_t {
    kResourceDialog = 5,
    kResourceString = 6,
    kResourceVersion = 16,
};

struct Section {
    std::string name;
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;
    uint32_t characteristics = 0;
};

struct DataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

struct PeFile {
    std::vector<uint8_t> bytes;
    uint16_t machine = 0;
    bool pe32Plus = false;  // optional header magic 0x20B (64-bit) rather than 0x10B
    uint16_t characteristics = 0;
    uint32_t sizeOfHeaders = 0;
    std::vector<Section> sections;
    std::vector<DataDirectory> directories;  // export, import, resource, ... as the file lists them
};

// Data-directory slots.
enum : int {
    kDirectoryExport = 0,
    kDirectoryImport = 1,
    kDirectoryResource = 2,
    kDirectoryDelayImport = 13,
};

struct ExportEntry {
    std::string name;  // empty for an export by ordinal only
    uint32_t ordinal = 0;  // as a program imports it: the directory's base plus the index
    uint32_t rva = 0;
};

// A resource type or name: a number, or a string.
struct ResourceKey {
    bool named = false;
    uint16_t id = 0;
    std::string name;  // UTF-8
};
inline ResourceKey ResourceId(uint16_t id) { return ResourceKey{false, id, std::string()}; }
inline ResourceKey ResourceName(const char* name) { return ResourceKey{true, 0, name}; }

struct ResourceEntry {
    ResourceKey type;
    ResourceKey name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    std::vector<uint8_t> data;
};

// Checks the headers and reads the section table. The bytes are kept in *file.
bool ParsePeFile(std::vector<uint8_t> bytes, PeFile* file, std::string* error);
bool LoadPeFile(const std::string& path, PeFile* file, std::string* error);

// File offset of a relative virtual address, if some section (or the headers)
// holds `length` bytes from there in the file.
bool RvaToOffset(const PeFile& file, uint32_t rva, uint32_t length, size_t* offset);

// The export directory's entries, named ones first in the order of the name
// table, then those exported by ordinal only. A file without exports gives an
// empty list.
bool ReadExports(const PeFile& file, std::vector<ExportEntry>* exports, std::string* error);

// Names of the DLLs the file imports from, as written in the file, ordinary
// imports first, then delay-loaded ones.
bool ReadImportedDlls(const PeFile& file, std::vector<std::string>* dlls, std::string* error);

// Every resource of the file, in directory order (type, name, language).
bool ReadResources(const PeFile& file, std::vector<ResourceEntry>* resources, std::string* error);

// True when the keys are equal; names compare without regard to ASCII case,
// as the system's resource look-up does.
bool SameResourceKey(const ResourceKey& a, const ResourceKey& b);

// The first resource of the given type and name (any language), or null.
const ResourceEntry* FindResource(const std::vector<ResourceEntry>& resources, const ResourceKey& type,
                                  const ResourceKey& name);

// String `id` of the string table, converted to UTF-8, and the language of the
// block that holds it. Returns false when the block is missing or the entry is
// empty (an empty entry is how a string table leaves an id out).
bool FindString(const std::vector<ResourceEntry>& resources, uint16_t id, std::string* text, uint16_t* language);

// UTF-16LE code units to UTF-8 (unpaired surrogates become U+FFFD).
std::string Utf16ToUtf8(const uint16_t* units, size_t count);

}  // namespace pe
