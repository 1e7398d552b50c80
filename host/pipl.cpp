#include "pipl.h"

#include <cstring>

namespace kelvo::host::pipl {
namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

bool ReadU16(Reader* r, uint16_t* v) {
    if (r->size - r->pos < 2) return false;
    *v = static_cast<uint16_t>(r->data[r->pos] | (r->data[r->pos + 1] << 8));
    r->pos += 2;
    return true;
}

bool ReadU32(Reader* r, uint32_t* v) {
    if (r->size - r->pos < 4) return false;
    const uint8_t* p = r->data + r->pos;
    *v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
    r->pos += 4;
    return true;
}

uint32_t U32At(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// A length-prefixed string; the length byte may count closing zero bytes,
// which are dropped. Blanks are kept.
bool PascalString(const uint8_t* value, uint32_t length, std::string* out) {
    if (length < 1) return false;
    uint32_t n = value[0];
    if (n > length - 1) return false;
    std::string s(reinterpret_cast<const char*>(value + 1), n);
    while (!s.empty() && s.back() == '\0') s.pop_back();
    *out = s;
    return true;
}

// A zero-terminated string inside the value; a value without a zero byte is
// taken whole.
std::string CString(const uint8_t* value, uint32_t length) {
    const void* end = std::memchr(value, 0, length);
    size_t n = end ? static_cast<size_t>(static_cast<const uint8_t*>(end) - value) : length;
    return std::string(reinterpret_cast<const char*>(value), n);
}

// Reads the header of property `index` and steps past its value (padded to
// four bytes, or to the end); says what is wrong, or nothing.
std::string ReadProperty(Reader* r, uint32_t index, Property* p) {
    uint32_t id = 0;
    if (!ReadU32(r, &p->vendor) || !ReadU32(r, &p->key) || !ReadU32(r, &id) || !ReadU32(r, &p->length))
        return "property " + std::to_string(index) + " header runs past the end";
    p->id = static_cast<int32_t>(id);
    p->offset = r->pos;
    if (p->length > r->size - r->pos) return "property '" + FourCCText(p->key) + "' value runs past the end";
    const size_t padded = (static_cast<size_t>(p->length) + 3) & ~static_cast<size_t>(3);
    r->pos += padded > r->size - r->pos ? r->size - r->pos : padded;
    return {};
}

void ReadFilterCases(const uint8_t* v, uint32_t length, std::vector<FilterCase>* cases) {
    for (uint32_t off = 0; off + 4 <= length; off += 4) {
        FilterCase fc;
        fc.inputHandling = static_cast<int8_t>(v[off]);
        fc.outputHandling = static_cast<int8_t>(v[off + 1]);
        fc.flags1 = v[off + 2];
        fc.flags2 = v[off + 3];
        cases->push_back(fc);
    }
}

// The 'hstm' value: at least 14 bytes.
Terminology ReadTerminology(const uint8_t* v, uint32_t length) {
    Terminology t;
    t.version = U32At(v);
    t.classId = U32At(v + 4);
    t.eventId = U32At(v + 8);
    t.aeteId = static_cast<int16_t>(v[12] | (v[13] << 8));
    t.scope = CString(v + 14, length - 14);
    return t;
}

// Takes what the host reads from one of our vendor's properties, whose value
// is `v`; says what is wrong with it, or nothing.
std::string ReadHostProperty(const Property& p, const uint8_t* v, PiplInfo* info) {
    switch (p.key) {
        case kKeyKind:
            if (p.length < 4) return "'kind' shorter than 4 bytes";
            info->kind = U32At(v);
            break;
        case kKeyName:
            if (!PascalString(v, p.length, &info->name)) return "'name' string longer than its value";
            break;
        case kKeyCategory:
            if (!PascalString(v, p.length, &info->category)) return "'catg' string longer than its value";
            break;
        case kKeyVersion:
            if (p.length < 4) return "'vers' shorter than 4 bytes";
            info->version = U32At(v);
            break;
        case kKeyEntryWin32:
            info->entryWin32 = CString(v, p.length);
            break;
        case kKeyEntryX64:
            info->entryX64 = CString(v, p.length);
            break;
        case kKeyModes:
            if (p.length < 2) return "'mode' shorter than 2 bytes";
            info->hasModes = true;
            for (uint32_t b = 0; b < 4 && b < p.length; ++b) info->modeBytes[b] = v[b];
            break;
        case kKeyEnable:
            info->enable = CString(v, p.length);
            break;
        case kKeyFilterCases:
            ReadFilterCases(v, p.length, &info->filterCases);
            break;
        case kKeyFilterLayers:
            if (p.length < 4) return "'flly' shorter than 4 bytes";
            info->hasFilterLayers = true;
            info->filterLayers = (v[0] & 0x80) != 0;
            break;
        case kKeyTerminology:
            if (p.length < 14) return "'hstm' shorter than 14 bytes";
            info->terminology = ReadTerminology(v, p.length);
            info->hasTerminology = true;
            break;
        default:
            break;
    }
    return {};
}

}  // namespace

std::string FourCCText(uint32_t code) {
    std::string s(4, '.');
    for (int i = 0; i < 4; ++i) {
        char c = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
        if (c >= 0x20 && c < 0x7F) s[i] = c;
    }
    return s;
}

bool ParsePipl(const uint8_t* data, size_t size, PiplInfo* info, std::string* error) {
    *info = PiplInfo{};
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (data == nullptr) return fail("no resource data");
    Reader r{data, size, 0};
    uint32_t count = 0;
    if (!ReadU16(&r, &info->leadingWord) || !ReadU32(&r, &info->listVersion) || !ReadU32(&r, &count))
        return fail("resource shorter than its 10-byte header");
    if (count > (size - r.pos) / 16) return fail("property count " + std::to_string(count) + " exceeds the resource");

    for (uint32_t i = 0; i < count; ++i) {
        Property p;
        std::string why = ReadProperty(&r, i, &p);
        if (!why.empty()) return fail(why);
        if (p.length % 4 != 0) info->lengthsAligned = false;
        info->properties.push_back(p);
        if (p.vendor != kVendorHost) continue;
        why = ReadHostProperty(p, data + p.offset, info);
        if (!why.empty()) return fail(why);
    }
    if (error) error->clear();
    return true;
}

bool AcceptsMode(const PiplInfo& info, int imageMode) {
    if (!info.hasModes || imageMode < 0 || imageMode >= 32) return false;
    return (info.modeBytes[imageMode / 8] & (0x80 >> (imageMode % 8))) != 0;
}

const std::string& EntryForThisArchitecture(const PiplInfo& info) {
    return sizeof(void*) == 8 ? info.entryX64 : info.entryWin32;
}

}  // namespace kelvo::host::pipl
