#include "tiff_directory.h"

#include <algorithm>
#include <cstring>

namespace kelvo::image {
namespace {

constexpr uint16_t kExifDirectoryTag = 34665;
constexpr uint16_t kGpsDirectoryTag = 34853;
constexpr uint16_t kInteropDirectoryTag = 40965;
constexpr int kMaxDirectoryDepth = 4;

struct Source {
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool big = false;  // "MM": most significant byte first
};

uint64_t Get(const Source& s, uint64_t pos, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        const uint64_t b = s.data[pos + (s.big ? i : bytes - 1 - i)];
        v = v << 8 | b;
    }
    return v;
}

void Put(std::vector<uint8_t>* out, size_t pos, uint64_t v, int bytes, bool big) {
    for (int i = 0; i < bytes; ++i) (*out)[pos + (big ? bytes - 1 - i : i)] = static_cast<uint8_t>(v >> (8 * i));
}

// Bytes of one value of a TIFF field type; 0 for a type we do not know.
uint64_t TypeSize(uint16_t type) {
    switch (type) {
        case 1: case 2: case 6: case 7: return 1;       // BYTE, ASCII, SBYTE, UNDEFINED
        case 3: case 8: return 2;                       // SHORT, SSHORT
        case 4: case 9: case 11: case 13: return 4;     // LONG, SLONG, FLOAT, IFD
        case 5: case 10: case 12: case 16: case 17: case 18: return 8;  // RATIONALs, DOUBLE, 64-bit
        default: return 0;
    }
}

// The tags of a first directory that belong to the EXIF block.
bool IsExifTag(uint16_t tag) {
    switch (tag) {
        case 270: case 271: case 272: case 274: case 305: case 306: case 315: case 316: case 33432:
        case kExifDirectoryTag: case kGpsDirectoryTag:
            return true;
        default:
            return false;
    }
}

// One entry of a classic TIFF directory; `value` holds the four bytes of its
// value field as stored.
struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint8_t value[4] = {};
};

bool ReadDirectory(const Source& s, uint64_t offset, std::vector<Entry>* entries) {
    if (offset < 8 || offset > s.size || s.size - offset < 2) return false;
    const uint64_t n = Get(s, offset, 2);
    if (n == 0 || (s.size - offset - 2) / 12 < n) return false;
    entries->clear();
    for (uint64_t i = 0; i < n; ++i) {
        const uint64_t pos = offset + 2 + 12 * i;
        Entry e;
        e.tag = static_cast<uint16_t>(Get(s, pos, 2));
        e.type = static_cast<uint16_t>(Get(s, pos + 2, 2));
        e.count = static_cast<uint32_t>(Get(s, pos + 4, 4));
        std::memcpy(e.value, s.data + pos + 8, 4);
        entries->push_back(e);
    }
    return true;
}

void Align(std::vector<uint8_t>* out) {
    if (out->size() % 2 != 0) out->push_back(0);
}

uint32_t AppendDirectory(std::vector<Entry> entries, uint32_t next, bool big, std::vector<uint8_t>* out);

// Copies the entries that `keep` accepts, their values and the directories
// they point to, into `out` (appended); the copies, pointing into `out`, go
// to *copied. At most *budget bytes are added; false when that is not enough
// or `out` would pass 4 GiB.
bool CopyEntries(const Source& s, const std::vector<Entry>& entries, bool (*keep)(uint16_t), int depth,
                 std::vector<uint8_t>* out, size_t* budget, std::vector<Entry>* copied) {
    for (const Entry& e : entries) {
        if (!keep(e.tag)) continue;
        Entry c = e;
        const uint64_t valueField = Get(Source{e.value, 4, s.big}, 0, 4);
        const bool pointer = e.tag == kExifDirectoryTag || e.tag == kGpsDirectoryTag || e.tag == kInteropDirectoryTag;
        if (pointer) {
            std::vector<Entry> child;
            if (e.count != 1 || (e.type != 4 && e.type != 13) || depth >= kMaxDirectoryDepth ||
                !ReadDirectory(s, valueField, &child))
                continue;  // a damaged pointer is left out
            std::vector<Entry> childCopies;
            if (!CopyEntries(s, child, [](uint16_t) { return true; }, depth + 1, out, budget, &childCopies)) return false;
            if (*budget < 6 + 12 * childCopies.size()) return false;
            *budget -= 6 + 12 * childCopies.size();
            const uint32_t at = AppendDirectory(childCopies, 0, s.big, out);
            if (at == 0) return false;
            std::vector<uint8_t> field(4);
            Put(&field, 0, at, 4, s.big);
            std::memcpy(c.value, field.data(), 4);
        } else {
            const uint64_t unit = TypeSize(e.type);
            if (unit == 0) continue;
            const uint64_t bytes = unit * e.count;
            if (bytes > 4) {
                if (valueField > s.size || bytes > s.size - valueField) continue;  // out of the file: left out
                if (bytes + 1 > *budget) return false;
                *budget -= bytes + 1;
                Align(out);
                const uint64_t at = out->size();
                if (at + bytes > UINT32_MAX) return false;
                out->insert(out->end(), s.data + valueField, s.data + valueField + bytes);
                std::vector<uint8_t> field(4);
                Put(&field, 0, at, 4, s.big);
                std::memcpy(c.value, field.data(), 4);
            }
        }
        copied->push_back(c);
    }
    return true;
}

// Appends a directory of those entries, sorted by tag as TIFF asks, and
// returns its offset (0 when `out` would pass 4 GiB).
uint32_t AppendDirectory(std::vector<Entry> entries, uint32_t next, bool big, std::vector<uint8_t>* out) {
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    Align(out);
    const size_t at = out->size();
    if (at + 6 + 12 * entries.size() > UINT32_MAX || entries.size() > 0xFFFF) return 0;
    out->resize(at + 6 + 12 * entries.size());
    Put(out, at, entries.size(), 2, big);
    for (size_t i = 0; i < entries.size(); ++i) {
        const size_t pos = at + 2 + 12 * i;
        Put(out, pos, entries[i].tag, 2, big);
        Put(out, pos + 2, entries[i].type, 2, big);
        Put(out, pos + 4, entries[i].count, 4, big);
        std::memcpy(out->data() + pos + 8, entries[i].value, 4);
    }
    Put(out, at + 2 + 12 * entries.size(), next, 4, big);
    return static_cast<uint32_t>(at);
}

bool IsClassicTiff(const uint8_t* data, size_t size) {
    return HasTiffSignature(data, size) && size >= 8 && (data[0] == 'M' ? data[3] : data[2]) == 42;
}

// The sizes that differ between a classic TIFF and a BigTIFF.
struct HeaderLayout {
    bool bigTiff = false;
    uint64_t headerSize = 8;
    int offsetBytes = 4;
    uint64_t entrySize = 12;
    int countBytes = 2;  // of the directory's entry count
};

HeaderLayout LayoutOf(const Source& s) {
    HeaderLayout l;
    l.bigTiff = Get(s, 2, 2) == 43;
    l.headerSize = l.bigTiff ? 16 : 8;
    l.offsetBytes = l.bigTiff ? 8 : 4;
    l.entrySize = l.bigTiff ? 20 : 12;
    l.countBytes = l.bigTiff ? 8 : 2;
    return l;
}

// Where the first directory is, as far as the data tell.
struct FirstDirectory {
    uint64_t offset = 0;
    uint64_t entries = 0;
    uint64_t end = 0;  // the byte just past its entries, or as far as it is known
};

enum class DirectoryPlace { Found, Beyond, Damaged };

// Finds the first directory: Found within the data, Beyond them (with the
// end known so far: more is to be read), or Damaged with a message.
DirectoryPlace FindFirstDirectory(const Source& s, const HeaderLayout& l, FirstDirectory* d, std::string* error) {
    d->end = l.headerSize;
    if (s.size < l.headerSize) return DirectoryPlace::Beyond;
    if (l.bigTiff && (Get(s, 4, 2) != 8 || Get(s, 6, 2) != 0)) {
        *error = "damaged BigTIFF header";
        return DirectoryPlace::Damaged;
    }
    d->offset = Get(s, l.bigTiff ? 8 : 4, l.offsetBytes);
    if (d->offset < l.headerSize) {
        *error = "TIFF file is damaged: its first directory would start at byte " + std::to_string(d->offset) +
                 ", inside the header";
        return DirectoryPlace::Damaged;
    }
    if (d->offset > UINT64_MAX / 2 || d->offset + l.countBytes > s.size) {
        d->end = d->offset > UINT64_MAX / 2 ? UINT64_MAX / 2 : d->offset + l.countBytes;
        return DirectoryPlace::Beyond;
    }
    d->entries = Get(s, d->offset, l.countBytes);
    if (d->entries == 0 || d->entries > 0xFFFF) {
        *error = "TIFF file is damaged: its first directory declares " + std::to_string(d->entries) + " entries";
        return DirectoryPlace::Damaged;
    }
    d->end = d->offset + l.countBytes + d->entries * l.entrySize;
    return d->end > s.size ? DirectoryPlace::Beyond : DirectoryPlace::Found;
}

// Reads the size fields of a directory found whole in the data; false when
// it gives no width or no height.
bool ReadSizeFields(const Source& s, const HeaderLayout& l, const FirstDirectory& d, TiffHeader* h) {
    bool haveWidth = false, haveHeight = false, havePhotometric = false;
    for (uint64_t i = 0; i < d.entries; ++i) {
        const uint64_t pos = d.offset + l.countBytes + i * l.entrySize;
        const uint64_t tag = Get(s, pos, 2), type = Get(s, pos + 2, 2);
        const uint64_t count = Get(s, pos + 4, l.bigTiff ? 8 : 4);
        const uint64_t field = pos + (l.bigTiff ? 12 : 8);
        const uint64_t unit = type == 3 ? 2 : type == 4 ? 4 : type == 16 ? 8 : 0;
        if (unit == 0 || count == 0) continue;
        uint64_t at = field;
        if (count > static_cast<uint64_t>(l.offsetBytes) / unit) at = Get(s, field, l.offsetBytes);  // stored elsewhere
        const bool reachable = at <= s.size && s.size - at >= unit;
        const uint64_t value = reachable ? Get(s, at, static_cast<int>(unit)) : 0;
        switch (tag) {
            case 256: h->width = static_cast<uint32_t>(std::min<uint64_t>(value, UINT32_MAX)); haveWidth = reachable; break;
            case 257: h->height = static_cast<uint32_t>(std::min<uint64_t>(value, UINT32_MAX)); haveHeight = reachable; break;
            case 258: h->bitsPerSample = reachable ? static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFF)) : 0; break;
            case 262:
                h->photometric = static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFF));
                havePhotometric = true;
                break;
            case 277: h->samplesPerPixel = static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFF)); break;
            case 338: h->extraSamples = static_cast<uint32_t>(std::min<uint64_t>(count, 0xFFFF)); break;
            case 339: h->sampleFormat = static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFF)); break;
            default: break;
        }
    }
    if (!havePhotometric) h->photometric = h->samplesPerPixel >= 3 ? 2 : 1;
    return haveWidth && haveHeight;
}

}  // namespace

bool HasTiffSignature(const uint8_t* data, size_t size) {
    if (data == nullptr || size < 4) return false;
    if (data[0] == 'I' && data[1] == 'I') return (data[2] == 42 || data[2] == 43) && data[3] == 0;
    if (data[0] == 'M' && data[1] == 'M') return data[2] == 0 && (data[3] == 42 || data[3] == 43);
    return false;
}

bool ReadTiffHeader(const uint8_t* data, size_t size, TiffHeader* header, bool* incomplete, std::string* error) {
    *incomplete = false;
    if (!HasTiffSignature(data, size)) {
        *error = "not a TIFF file";
        return false;
    }
    const Source s{data, size, data[0] == 'M'};
    const HeaderLayout layout = LayoutOf(s);
    TiffHeader h;
    FirstDirectory first;
    const DirectoryPlace place = FindFirstDirectory(s, layout, &first, error);
    h.directoryEnd = first.end;
    if (place == DirectoryPlace::Damaged) return false;
    if (place == DirectoryPlace::Beyond) {
        *header = h;
        *incomplete = true;
        return true;
    }
    if (!ReadSizeFields(s, layout, first, &h)) {
        *error = "TIFF file is damaged: its first directory gives no image width or height";
        return false;
    }
    if (h.width == 0 || h.height == 0) {
        *error = "TIFF image has an unsupported size (" + std::to_string(h.width) + " x " + std::to_string(h.height) + ")";
        return false;
    }
    *header = h;
    return true;
}

TiffDecoding TiffDecodingOf(uint32_t photometric, uint32_t samplesPerPixel, uint32_t bitsPerSample,
                            uint32_t sampleFormat, uint32_t extraSamples) {
    const bool grey = photometric == 0 || photometric == 1;  // white or black is zero
    const uint32_t colour = grey ? 1 : photometric == 2 ? 3 : 0;
    const bool floating = sampleFormat == 3 && bitsPerSample == 32;
    const bool depth = (sampleFormat == 1 && (bitsPerSample == 8 || bitsPerSample == 16)) || floating;
    TiffDecoding d;
    if (colour != 0 && depth && (samplesPerPixel == colour || samplesPerPixel == colour + 1)) {
        d.channels = static_cast<int32_t>(samplesPerPixel);
        d.deep = bitsPerSample == 16;
        d.floating = floating;
    } else if (bitsPerSample >= 1 && bitsPerSample <= 8 && sampleFormat != 3) {
        d.channels = (grey ? 1 : 3) + (extraSamples > 0 ? 1 : 0);
        d.throughRgba = true;
    }
    return d;
}

std::vector<uint16_t> TiffFirstDirectoryTags(const uint8_t* data, size_t size) {
    std::vector<uint16_t> tags;
    std::vector<Entry> entries;
    if (!IsClassicTiff(data, size)) return tags;
    const Source s{data, size, data[0] == 'M'};
    if (!ReadDirectory(s, Get(s, 4, 4), &entries)) return tags;
    for (const Entry& e : entries) tags.push_back(e.tag);
    return tags;
}

std::vector<uint8_t> ExifFromTiff(const uint8_t* data, size_t size) {
    if (!IsClassicTiff(data, size)) return {};
    const Source s{data, size, data[0] == 'M'};
    std::vector<Entry> entries;
    if (!ReadDirectory(s, Get(s, 4, 4), &entries)) return {};
    std::vector<uint8_t> exif(data, data + 4);
    exif.resize(8);
    std::vector<Entry> copied;
    size_t budget = size + 4096;
    if (!CopyEntries(s, entries, IsExifTag, 0, &exif, &budget, &copied) || copied.empty()) return {};
    const uint32_t at = AppendDirectory(copied, 0, s.big, &exif);
    if (at == 0) return {};
    Put(&exif, 4, at, 4, s.big);
    return exif;
}

bool ExifIsBigEndian(const std::vector<uint8_t>& exif) { return !exif.empty() && exif[0] == 'M'; }

bool AddExifToTiff(const std::vector<uint8_t>& exif, std::vector<uint8_t>* file) {
    if (!IsClassicTiff(exif.data(), exif.size()) || !IsClassicTiff(file->data(), file->size()) ||
        exif[0] != (*file)[0])
        return false;
    const Source block{exif.data(), exif.size(), exif[0] == 'M'};
    const Source own{file->data(), file->size(), block.big};
    const uint64_t ownAt = Get(own, 4, 4);
    std::vector<Entry> ownEntries, blockEntries;
    if (!ReadDirectory(own, ownAt, &ownEntries) || !ReadDirectory(block, Get(block, 4, 4), &blockEntries)) return false;
    const uint32_t next = static_cast<uint32_t>(Get(own, ownAt + 2 + 12 * ownEntries.size(), 4));
    // The file's own entries win: the block's of the same tag are left out.
    std::vector<Entry> wanted;
    for (const Entry& e : blockEntries) {
        const bool taken = std::any_of(ownEntries.begin(), ownEntries.end(), [&](const Entry& o) { return o.tag == e.tag; });
        if (!taken) wanted.push_back(e);
    }
    std::vector<uint8_t> out = *file;
    std::vector<Entry> copied;
    size_t budget = exif.size() * 2 + 4096;
    if (!CopyEntries(block, wanted, IsExifTag, 0, &out, &budget, &copied)) return false;
    if (copied.empty()) return true;
    ownEntries.insert(ownEntries.end(), copied.begin(), copied.end());
    const uint32_t at = AppendDirectory(ownEntries, next, block.big, &out);
    if (at == 0) return false;
    Put(&out, 4, at, 4, block.big);
    *file = std::move(out);
    return true;
}

}  // namespace kelvo::image
