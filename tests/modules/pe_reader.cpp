#include "pe_reader.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace pe {
namespace {

// Limits against damaged files: no real module comes near them.
constexpr uint32_t kMaxSections = 96;
constexpr uint32_t kMaxExports = 65536;
constexpr uint32_t kMaxImports = 4096;
constexpr uint32_t kMaxResourceEntries = 4096;
constexpr uint32_t kMaxStringLength = 4096;

bool Has(const std::vector<uint8_t>& b, size_t offset, size_t length) {
    return offset <= b.size() && length <= b.size() - offset;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t o) { return static_cast<uint16_t>(b[o] | b[o + 1] << 8); }
uint32_t U32(const std::vector<uint8_t>& b, size_t o) {
    return static_cast<uint32_t>(b[o]) | static_cast<uint32_t>(b[o + 1]) << 8 | static_cast<uint32_t>(b[o + 2]) << 16 |
           static_cast<uint32_t>(b[o + 3]) << 24;
}

// Reads a zero-terminated string at an RVA; the terminator must be in the file.
bool ReadStringAt(const PeFile& file, uint32_t rva, std::string* text) {
    size_t offset;
    if (!RvaToOffset(file, rva, 1, &offset)) return false;
    std::string s;
    for (size_t i = offset; i < file.bytes.size(); ++i) {
        if (file.bytes[i] == 0) {
            *text = s;
            return true;
        }
        if (s.size() >= kMaxStringLength) return false;
        s.push_back(static_cast<char>(file.bytes[i]));
    }
    return false;
}

void AppendUtf8(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | cp >> 6));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | cp >> 12));
        out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | cp >> 18));
        out->push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::vector<uint16_t> ReadUnits(const std::vector<uint8_t>& b, size_t offset, size_t count) {
    std::vector<uint16_t> units(count);
    for (size_t i = 0; i < count; ++i) units[i] = U16(b, offset + 2 * i);
    return units;
}

// ---- Resources ----------------------------------------------------------------------

struct ResourceWalk {
    const PeFile& file;
    size_t base;    // file offset of the resource directory
    size_t length;  // bytes of the resource directory available from base
    std::vector<ResourceEntry>* out;
    std::string* error;
    uint32_t entriesSeen = 0;
};

bool ReadResourceKey(ResourceWalk& w, uint32_t word, ResourceKey* key) {
    if ((word & 0x80000000u) == 0) {
        if (word > 0xFFFF) {
            *w.error = "resource id out of range";
            return false;
        }
        *key = ResourceId(static_cast<uint16_t>(word));
        return true;
    }
    const size_t at = word & 0x7FFFFFFFu;
    if (at > w.length || w.length - at < 2) {
        *w.error = "resource name outside the resource directory";
        return false;
    }
    const size_t count = U16(w.file.bytes, w.base + at);
    if ((w.length - at - 2) / 2 < count) {
        *w.error = "resource name outside the resource directory";
        return false;
    }
    const std::vector<uint16_t> units = ReadUnits(w.file.bytes, w.base + at + 2, count);
    key->named = true;
    key->id = 0;
    key->name = Utf16ToUtf8(units.data(), units.size());
    return true;
}

bool WalkResourceDirectory(ResourceWalk& w, size_t at, int level, ResourceEntry* current) {
    if (at > w.length || w.length - at < 16) {
        *w.error = "resource directory outside the file";
        return false;
    }
    const auto& b = w.file.bytes;
    const uint32_t count = static_cast<uint32_t>(U16(b, w.base + at + 12)) + U16(b, w.base + at + 14);
    if ((w.length - at - 16) / 8 < count) {
        *w.error = "resource directory entries outside the file";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (++w.entriesSeen > kMaxResourceEntries) {
            *w.error = "too many resource entries";
            return false;
        }
        const size_t entry = w.base + at + 16 + 8 * static_cast<size_t>(i);
        const uint32_t nameWord = U32(b, entry);
        const uint32_t dataWord = U32(b, entry + 4);
        ResourceKey key;
        if (!ReadResourceKey(w, nameWord, &key)) return false;
        if (level == 0) current->type = key;
        if (level == 1) current->name = key;
        if (level == 2) current->language = key.named ? 0 : key.id;

        const bool isDirectory = (dataWord & 0x80000000u) != 0;
        const size_t target = dataWord & 0x7FFFFFFFu;
        if (level < 2) {
            if (!isDirectory) {
                *w.error = "resource tree is not three levels deep";
                return false;
            }
            if (!WalkResourceDirectory(w, target, level + 1, current)) return false;
            continue;
        }
        if (isDirectory) {
            *w.error = "resource tree is deeper than three levels";
            return false;
        }
        if (target > w.length || w.length - target < 16) {
            *w.error = "resource data entry outside the file";
            return false;
        }
        const uint32_t dataRva = U32(b, w.base + target);
        const uint32_t size = U32(b, w.base + target + 4);
        size_t dataOffset;
        if (!RvaToOffset(w.file, dataRva, size, &dataOffset)) {
            *w.error = "resource data outside the file";
            return false;
        }
        ResourceEntry resource = *current;
        resource.codePage = U32(b, w.base + target + 8);
        resource.data.assign(b.begin() + static_cast<std::ptrdiff_t>(dataOffset),
                             b.begin() + static_cast<std::ptrdiff_t>(dataOffset + size));
        w.out->push_back(std::move(resource));
    }
    return true;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::string Utf16ToUtf8(const uint16_t* units, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(cp, &out);
    }
    return out;
}

bool ParsePeFile(std::vector<uint8_t> bytes, PeFile* file, std::string* error) {
    *file = PeFile{};
    const auto& b = bytes;
    if (!Has(b, 0, 64) || b[0] != 'M' || b[1] != 'Z') {
        *error = "not an executable file (no MZ header)";
        return false;
    }
    const uint32_t peOffset = U32(b, 0x3C);
    if (!Has(b, peOffset, 24) || std::memcmp(&b[peOffset], "PE\0\0", 4) != 0) {
        *error = "no PE signature";
        return false;
    }
    const size_t coff = peOffset + 4;
    file->machine = U16(b, coff);
    const uint32_t sectionCount = U16(b, coff + 2);
    const uint32_t optionalSize = U16(b, coff + 16);
    file->characteristics = U16(b, coff + 18);
    const size_t optional = coff + 20;
    if (!Has(b, optional, optionalSize) || optionalSize < 2) {
        *error = "optional header outside the file";
        return false;
    }
    const uint16_t magic = U16(b, optional);
    if (magic != 0x10B && magic != 0x20B) {
        *error = "unknown optional header magic";
        return false;
    }
    file->pe32Plus = magic == 0x20B;
    // Offsets inside the optional header that differ between PE32 and PE32+.
    const size_t countAt = file->pe32Plus ? 108 : 92;
    const size_t directoriesAt = countAt + 4;
    if (optionalSize < directoriesAt) {
        *error = "optional header too short";
        return false;
    }
    file->sizeOfHeaders = U32(b, optional + 60);
    uint32_t directoryCount = U32(b, optional + countAt);
    if (directoryCount > 16) directoryCount = 16;
    if ((optionalSize - directoriesAt) / 8 < directoryCount) {
        *error = "data directories outside the optional header";
        return false;
    }
    for (uint32_t i = 0; i < directoryCount; ++i) {
        const size_t at = optional + directoriesAt + 8 * static_cast<size_t>(i);
        file->directories.push_back(DataDirectory{U32(b, at), U32(b, at + 4)});
    }
    if (sectionCount > kMaxSections) {
        *error = "too many sections";
        return false;
    }
    const size_t sections = optional + optionalSize;
    if (!Has(b, sections, 40 * static_cast<size_t>(sectionCount))) {
        *error = "section table outside the file";
        return false;
    }
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const size_t at = sections + 40 * static_cast<size_t>(i);
        Section s;
        for (size_t k = 0; k < 8 && b[at + k] != 0; ++k) s.name.push_back(static_cast<char>(b[at + k]));
        s.virtualSize = U32(b, at + 8);
        s.virtualAddress = U32(b, at + 12);
        s.rawSize = U32(b, at + 16);
        s.rawOffset = U32(b, at + 20);
        s.characteristics = U32(b, at + 36);
        file->sections.push_back(s);
    }
    file->bytes = std::move(bytes);
    return true;
}

bool LoadPeFile(const std::string& path, PeFile* file, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *error = "cannot open '" + path + "'";
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        *error = "cannot read '" + path + "'";
        return false;
    }
    if (!ParsePeFile(std::move(bytes), file, error)) {
        *error = "'" + path + "': " + *error;
        return false;
    }
    return true;
}

bool RvaToOffset(const PeFile& file, uint32_t rva, uint32_t length, size_t* offset) {
    const uint64_t end = static_cast<uint64_t>(rva) + length;
    if (end <= file.sizeOfHeaders && end <= file.bytes.size()) {
        *offset = rva;
        return true;
    }
    for (const Section& s : file.sections) {
        const uint64_t start = s.virtualAddress;
        const uint64_t mapped = s.rawSize;  // only the bytes present in the file
        if (rva < start || end > start + mapped) continue;
        const uint64_t at = static_cast<uint64_t>(s.rawOffset) + (rva - start);
        if (at + length > file.bytes.size()) return false;
        *offset = static_cast<size_t>(at);
        return true;
    }
    return false;
}

bool ReadExports(const PeFile& file, std::vector<ExportEntry>* exports, std::string* error) {
    exports->clear();
    if (file.directories.size() <= kDirectoryExport || file.directories[kDirectoryExport].rva == 0) return true;
    const auto& b = file.bytes;
    size_t dir;
    if (!RvaToOffset(file, file.directories[kDirectoryExport].rva, 40, &dir)) {
        *error = "export directory outside the file";
        return false;
    }
    const uint32_t base = U32(b, dir + 16);
    const uint32_t functionCount = U32(b, dir + 20);
    const uint32_t nameCount = U32(b, dir + 24);
    if (functionCount > kMaxExports || nameCount > kMaxExports) {
        *error = "too many exports";
        return false;
    }
    size_t functions = 0, names = 0, ordinals = 0;
    if ((functionCount > 0 && !RvaToOffset(file, U32(b, dir + 28), 4 * functionCount, &functions)) ||
        (nameCount > 0 && (!RvaToOffset(file, U32(b, dir + 32), 4 * nameCount, &names) ||
                           !RvaToOffset(file, U32(b, dir + 36), 2 * nameCount, &ordinals)))) {
        *error = "export tables outside the file";
        return false;
    }
    std::vector<bool> named(functionCount, false);
    for (uint32_t i = 0; i < nameCount; ++i) {
        const uint16_t index = U16(b, ordinals + 2 * static_cast<size_t>(i));
        if (index >= functionCount) {
            *error = "export name refers to a missing function";
            return false;
        }
        ExportEntry e;
        if (!ReadStringAt(file, U32(b, names + 4 * static_cast<size_t>(i)), &e.name)) {
            *error = "export name outside the file";
            return false;
        }
        e.ordinal = base + index;
        e.rva = U32(b, functions + 4 * static_cast<size_t>(index));
        named[index] = true;
        exports->push_back(std::move(e));
    }
    for (uint32_t i = 0; i < functionCount; ++i) {
        const uint32_t rva = U32(b, functions + 4 * static_cast<size_t>(i));
        if (named[i] || rva == 0) continue;
        exports->push_back(ExportEntry{std::string(), base + i, rva});
    }
    return true;
}

bool ReadImportedDlls(const PeFile& file, std::vector<std::string>* dlls, std::string* error) {
    dlls->clear();
    const auto& b = file.bytes;
    // Ordinary imports: 20-byte descriptors, the DLL name's RVA at offset 12,
    // ended by an all-zero descriptor.
    if (file.directories.size() > kDirectoryImport && file.directories[kDirectoryImport].rva != 0) {
        const uint32_t first = file.directories[kDirectoryImport].rva;
        for (uint32_t i = 0;; ++i) {
            if (i >= kMaxImports) {
                *error = "too many import descriptors";
                return false;
            }
            size_t at;
            if (!RvaToOffset(file, first + 20 * i, 20, &at)) {
                *error = "import descriptors outside the file";
                return false;
            }
            bool empty = true;
            for (size_t k = 0; k < 20; ++k) empty = empty && b[at + k] == 0;
            if (empty) break;
            std::string name;
            if (!ReadStringAt(file, U32(b, at + 12), &name)) {
                *error = "import name outside the file";
                return false;
            }
            dlls->push_back(name);
        }
    }
    // Delay-loaded imports: 32-byte descriptors, the name's RVA at offset 4.
    if (file.directories.size() > kDirectoryDelayImport && file.directories[kDirectoryDelayImport].rva != 0) {
        const uint32_t first = file.directories[kDirectoryDelayImport].rva;
        for (uint32_t i = 0;; ++i) {
            if (i >= kMaxImports) {
                *error = "too many delay-import descriptors";
                return false;
            }
            size_t at;
            if (!RvaToOffset(file, first + 32 * i, 32, &at)) {
                *error = "delay-import descriptors outside the file";
                return false;
            }
            const uint32_t nameRva = U32(b, at + 4);
            if (nameRva == 0) break;
            std::string name;
            if (!ReadStringAt(file, nameRva, &name)) {
                *error = "delay-import name outside the file";
                return false;
            }
            dlls->push_back(name);
        }
    }
    return true;
}

bool ReadResources(const PeFile& file, std::vector<ResourceEntry>* resources, std::string* error) {
    resources->clear();
    if (file.directories.size() <= kDirectoryResource || file.directories[kDirectoryResource].rva == 0) return true;
    const DataDirectory& d = file.directories[kDirectoryResource];
    size_t base;
    if (!RvaToOffset(file, d.rva, d.size, &base)) {
        *error = "resource directory outside the file";
        return false;
    }
    ResourceWalk walk{file, base, d.size, resources, error};
    ResourceEntry current;
    if (!WalkResourceDirectory(walk, 0, 0, &current)) {
        resources->clear();
        return false;
    }
    return true;
}

bool SameResourceKey(const ResourceKey& a, const ResourceKey& b) {
    if (a.named != b.named) return false;
    return a.named ? EqualNoCase(a.name, b.name) : a.id == b.id;
}

const ResourceEntry* FindResource(const std::vector<ResourceEntry>& resources, const ResourceKey& type,
                                  const ResourceKey& name) {
    for (const ResourceEntry& r : resources)
        if (SameResourceKey(r.type, type) && SameResourceKey(r.name, name)) return &r;
    return nullptr;
}

bool FindString(const std::vector<ResourceEntry>& resources, uint16_t id, std::string* text, uint16_t* language) {
    // Strings live in blocks of sixteen: block (id / 16) + 1 holds id % 16 as
    // its entry, each entry a length in code units and the units.
    const ResourceEntry* block =
        FindResource(resources, ResourceId(kResourceString), ResourceId(static_cast<uint16_t>(id / 16 + 1)));
    if (block == nullptr) return false;
    const std::vector<uint8_t>& b = block->data;
    size_t at = 0;
    for (unsigned entry = 0; entry < 16; ++entry) {
        if (!Has(b, at, 2)) return false;
        const size_t count = U16(b, at);
        at += 2;
        if ((b.size() - at) / 2 < count) return false;
        if (entry == id % 16u) {
            if (count == 0) return false;
            const std::vector<uint16_t> units = ReadUnits(b, at, count);
            *text = Utf16ToUtf8(units.data(), units.size());
            if (language != nullptr) *language = block->language;
            return true;
        }
        at += 2 * count;
    }
    return false;
}

}  // namespace pe
