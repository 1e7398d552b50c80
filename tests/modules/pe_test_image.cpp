#include "pe_test_image.h"

#include <algorithm>

namespace petest {
namespace {

void Put16(std::vector<uint8_t>* b, size_t at, uint32_t v) {
    if (b->size() < at + 2) b->resize(at + 2);
    (*b)[at] = static_cast<uint8_t>(v);
    (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>* b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
// Appends a zero-terminated string and returns its offset.
size_t AppendString(std::vector<uint8_t>* b, const std::string& s) {
    const size_t at = b->size();
    b->insert(b->end(), s.begin(), s.end());
    b->push_back(0);
    return at;
}
void Align(std::vector<uint8_t>* b, size_t n) {
    while (b->size() % n != 0) b->push_back(0);
}
uint32_t Rva(size_t sectionOffset) { return kSectionRva + static_cast<uint32_t>(sectionOffset); }

struct Directories {
    uint32_t exportRva = 0, exportSize = 0;
    uint32_t importRva = 0, importSize = 0;
    uint32_t resourceRva = 0, resourceSize = 0;
    uint32_t delayRva = 0, delaySize = 0;
};

void AddExports(const ImageLayout& layout, std::vector<uint8_t>* s, Directories* d) {
    if (layout.exports.empty()) return;
    Align(s, 4);
    const size_t dir = s->size();
    s->resize(dir + 40);
    std::vector<size_t> named;
    for (size_t i = 0; i < layout.exports.size(); ++i)
        if (!layout.exports[i].empty()) named.push_back(i);
    std::sort(named.begin(), named.end(), [&](size_t a, size_t b) { return layout.exports[a] < layout.exports[b]; });
    const size_t functions = s->size();
    s->resize(functions + 4 * layout.exports.size());
    const size_t names = s->size();
    s->resize(names + 4 * named.size());
    const size_t ordinals = s->size();
    s->resize(ordinals + 2 * named.size());
    const size_t dllName = AppendString(s, layout.dllName);
    for (size_t i = 0; i < layout.exports.size(); ++i) Put32(s, functions + 4 * i, 0x2000 + 0x10 * static_cast<uint32_t>(i));
    for (size_t k = 0; k < named.size(); ++k) {
        const size_t name = AppendString(s, layout.exports[named[k]]);
        Put32(s, names + 4 * k, Rva(name));
        Put16(s, ordinals + 2 * k, static_cast<uint32_t>(named[k]));
    }
    Put32(s, dir + 12, Rva(dllName));
    Put32(s, dir + 16, layout.ordinalBase);
    Put32(s, dir + 20, static_cast<uint32_t>(layout.exports.size()));
    Put32(s, dir + 24, static_cast<uint32_t>(named.size()));
    Put32(s, dir + 28, Rva(functions));
    Put32(s, dir + 32, Rva(names));
    Put32(s, dir + 36, Rva(ordinals));
    d->exportRva = Rva(dir);
    d->exportSize = static_cast<uint32_t>(s->size() - dir);
}

void AddImports(const ImageLayout& layout, std::vector<uint8_t>* s, Directories* d) {
    if (!layout.imports.empty()) {
        Align(s, 4);
        const size_t first = s->size();
        s->resize(first + 20 * (layout.imports.size() + 1));
        const size_t thunk = s->size();  // one empty thunk list shared by all
        s->resize(thunk + 8);
        for (size_t i = 0; i < layout.imports.size(); ++i) {
            const size_t name = AppendString(s, layout.imports[i]);
            Put32(s, first + 20 * i + 0, Rva(thunk));
            Put32(s, first + 20 * i + 12, Rva(name));
            Put32(s, first + 20 * i + 16, Rva(thunk));
        }
        d->importRva = Rva(first);
        d->importSize = static_cast<uint32_t>(20 * (layout.imports.size() + 1));
    }
    if (!layout.delayImports.empty()) {
        Align(s, 4);
        const size_t first = s->size();
        s->resize(first + 32 * (layout.delayImports.size() + 1));
        for (size_t i = 0; i < layout.delayImports.size(); ++i) {
            const size_t name = AppendString(s, layout.delayImports[i]);
            Put32(s, first + 32 * i + 0, 1);  // RVA-based descriptor
            Put32(s, first + 32 * i + 4, Rva(name));
        }
        d->delayRva = Rva(first);
        d->delaySize = static_cast<uint32_t>(32 * (layout.delayImports.size() + 1));
    }
}

uint32_t KeyWord(const pe::ResourceKey& key, size_t nameOffset) {
    return key.named ? 0x80000000u | static_cast<uint32_t>(nameOffset) : key.id;
}

void AddResources(const ImageLayout& layout, std::vector<uint8_t>* s, Directories* d) {
    if (layout.resources.empty()) return;
    Align(s, 4);
    const size_t base = s->size();
    // Group by type, keeping the order of first appearance.
    std::vector<std::vector<size_t>> types;
    for (size_t i = 0; i < layout.resources.size(); ++i) {
        auto it = std::find_if(types.begin(), types.end(), [&](const std::vector<size_t>& g) {
            return pe::SameResourceKey(layout.resources[g[0]].type, layout.resources[i].type);
        });
        if (it == types.end())
            types.push_back({i});
        else
            it->push_back(i);
    }
    // Offsets (relative to the tree's start) of every part.
    size_t at = 16 + 8 * types.size();
    std::vector<size_t> typeDirs, nameDirs(layout.resources.size()), dataEntries(layout.resources.size());
    for (const auto& g : types) {
        typeDirs.push_back(at);
        at += 16 + 8 * g.size();
    }
    for (size_t i = 0; i < layout.resources.size(); ++i) {
        nameDirs[i] = at;
        at += 16 + 8;
    }
    for (size_t i = 0; i < layout.resources.size(); ++i) {
        dataEntries[i] = at;
        at += 16;
    }
    std::vector<size_t> typeNames(layout.resources.size(), 0), nameNames(layout.resources.size(), 0);
    auto placeName = [&](const pe::ResourceKey& key, size_t* where) {
        if (!key.named) return;
        *where = at;
        at += 2 + 2 * key.name.size();
    };
    for (size_t i = 0; i < layout.resources.size(); ++i) {
        placeName(layout.resources[i].type, &typeNames[i]);
        placeName(layout.resources[i].name, &nameNames[i]);
    }
    at = (at + 3) & ~size_t{3};
    std::vector<size_t> blobs(layout.resources.size());
    for (size_t i = 0; i < layout.resources.size(); ++i) {
        blobs[i] = at;
        at = (at + layout.resources[i].data.size() + 3) & ~size_t{3};
    }
    s->resize(base + at, 0);

    Put16(s, base + 14, static_cast<uint32_t>(types.size()));  // all counted as id entries: order is not checked
    for (size_t t = 0; t < types.size(); ++t) {
        const size_t first = types[t][0];
        Put32(s, base + 16 + 8 * t, KeyWord(layout.resources[first].type, typeNames[first]));
        Put32(s, base + 16 + 8 * t + 4, 0x80000000u | static_cast<uint32_t>(typeDirs[t]));
        Put16(s, base + typeDirs[t] + 14, static_cast<uint32_t>(types[t].size()));
        for (size_t n = 0; n < types[t].size(); ++n) {
            const size_t i = types[t][n];
            Put32(s, base + typeDirs[t] + 16 + 8 * n, KeyWord(layout.resources[i].name, nameNames[i]));
            Put32(s, base + typeDirs[t] + 16 + 8 * n + 4, 0x80000000u | static_cast<uint32_t>(nameDirs[i]));
        }
    }
    for (size_t i = 0; i < layout.resources.size(); ++i) {
        const ResourceSpec& r = layout.resources[i];
        Put16(s, base + nameDirs[i] + 14, 1);
        Put32(s, base + nameDirs[i] + 16, r.language);
        Put32(s, base + nameDirs[i] + 20, static_cast<uint32_t>(dataEntries[i]));
        Put32(s, base + dataEntries[i], Rva(base + blobs[i]));
        Put32(s, base + dataEntries[i] + 4, static_cast<uint32_t>(r.data.size()));
        Put32(s, base + dataEntries[i] + 8, 1252);
        std::copy(r.data.begin(), r.data.end(), s->begin() + static_cast<std::ptrdiff_t>(base + blobs[i]));
        auto writeName = [&](const pe::ResourceKey& key, size_t where) {
            if (!key.named) return;
            Put16(s, base + where, static_cast<uint32_t>(key.name.size()));
            for (size_t k = 0; k < key.name.size(); ++k)
                Put16(s, base + where + 2 + 2 * k, static_cast<uint8_t>(key.name[k]));
        };
        writeName(r.type, typeNames[i]);
        writeName(r.name, nameNames[i]);
    }
    d->resourceRva = Rva(base);
    d->resourceSize = static_cast<uint32_t>(at);
}

}  // namespace

std::vector<uint8_t> StringBlock(const std::vector<std::u16string>& strings) {
    std::vector<uint8_t> b;
    for (size_t i = 0; i < 16; ++i) {
        const std::u16string s = i < strings.size() ? strings[i] : std::u16string();
        Put16(&b, b.size(), static_cast<uint32_t>(s.size()));
        for (char16_t c : s) Put16(&b, b.size(), c);
    }
    return b;
}

std::vector<uint8_t> BuildImage(const ImageLayout& layout) {
    std::vector<uint8_t> section;
    Directories d;
    AddExports(layout, &section, &d);
    AddImports(layout, &section, &d);
    AddResources(layout, &section, &d);
    Align(&section, 0x200);

    std::vector<uint8_t> file(kSectionFileOffset, 0);
    file[0] = 'M';
    file[1] = 'Z';
    const size_t pe = 0x80;
    Put32(&file, 0x3C, pe);
    file[pe] = 'P';
    file[pe + 1] = 'E';
    const size_t coff = pe + 4;
    const uint32_t optionalSize = layout.pe32Plus ? 240 : 224;
    Put16(&file, coff, layout.machine);
    Put16(&file, coff + 2, 1);
    Put16(&file, coff + 16, optionalSize);
    Put16(&file, coff + 18, layout.pe32Plus ? 0x2022 : 0x2102);  // a DLL
    const size_t opt = coff + 20;
    Put16(&file, opt, layout.pe32Plus ? 0x20B : 0x10B);
    Put32(&file, opt + 32, 0x1000);  // section alignment
    Put32(&file, opt + 36, 0x200);   // file alignment
    Put32(&file, opt + 56, kSectionRva + static_cast<uint32_t>((section.size() + 0xFFF) & ~size_t{0xFFF}));
    Put32(&file, opt + 60, kSectionFileOffset);  // size of headers
    Put16(&file, opt + 68, 2);                   // GUI subsystem
    const size_t count = layout.pe32Plus ? 108 : 92;
    Put32(&file, opt + count, 16);
    const size_t dirs = opt + count + 4;
    Put32(&file, dirs + 0 * 8, d.exportRva);
    Put32(&file, dirs + 0 * 8 + 4, d.exportSize);
    Put32(&file, dirs + 1 * 8, d.importRva);
    Put32(&file, dirs + 1 * 8 + 4, d.importSize);
    Put32(&file, dirs + 2 * 8, d.resourceRva);
    Put32(&file, dirs + 2 * 8 + 4, d.resourceSize);
    Put32(&file, dirs + 13 * 8, d.delayRva);
    Put32(&file, dirs + 13 * 8 + 4, d.delaySize);
    const size_t sec = opt + optionalSize;
    const char name[8] = {'.', 'd', 'a', 't', 'a', 0, 0, 0};
    std::copy(name, name + 8, file.begin() + static_cast<std::ptrdiff_t>(sec));
    Put32(&file, sec + 8, static_cast<uint32_t>(section.size()));
    Put32(&file, sec + 12, kSectionRva);
    Put32(&file, sec + 16, static_cast<uint32_t>(section.size()));
    Put32(&file, sec + 20, kSectionFileOffset);
    Put32(&file, sec + 36, 0xC0000040);  // initialised data, read, write
    file.insert(file.end(), section.begin(), section.end());
    return file;
}

}  // namespace petest
