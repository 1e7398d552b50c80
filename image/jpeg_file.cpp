#include "jpeg_file.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <map>

#define STBI_NO_STDIO
#include "stb_image.h"
#define STBI_WRITE_NO_STDIO
#include "stb_image_write.h"

namespace kelvo::image {
namespace {

constexpr char kExifName[] = "Exif\0";                           // then one pad byte
constexpr char kXmpName[] = "http://ns.adobe.com/xap/1.0/";       // with its zero: 29 bytes
constexpr char kXmpExtensionName[] = "http://ns.adobe.com/xmp/extension/";
constexpr char kIccName[] = "ICC_PROFILE";                        // with its zero: 12 bytes
constexpr size_t kIccPiece = 65533 - 14;

uint32_t BigEndian16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }

bool StartsWith(const uint8_t* p, size_t n, const char* name, size_t nameSize) {
    return n >= nameSize && std::memcmp(p, name, nameSize) == 0;
}

bool IsFrameMarker(uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

// Why stb cannot decode a frame of this kind, or null when it can: it reads
// 8-bit baseline, extended and progressive Huffman-coded frames (SOF0..SOF2).
const char* UnsupportedCoding(uint8_t marker, uint8_t precision) {
    const int n = marker - 0xC0;
    if (n == 3 || n == 7 || n == 11 || n == 15) return "lossless JPEG files are not supported";
    if (n >= 9) return "arithmetic-coded JPEG files are not supported (only Huffman-coded ones)";
    if (n == 5 || n == 6) return "hierarchical JPEG files are not supported";
    if (precision != 8) return "JPEG files of more than 8 bits a sample are not supported";
    return nullptr;
}

// One marker segment: its marker and payload (after the length field).
struct Segment {
    uint8_t marker = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Calls visit(segment) for every segment from the start to the first scan or
// the frame header (stopAtFrame). False with a message for a damaged file;
// *truncated then says whether the data only ended too soon.
template <typename Visit>
bool WalkSegments(const uint8_t* data, size_t size, bool stopAtFrame, std::string* error, Visit visit,
                  bool* truncated = nullptr) {
    size_t pos = 2;
    for (;;) {
        while (pos < size && data[pos] == 0xFF && pos + 1 < size && data[pos + 1] == 0xFF) ++pos;  // fill bytes
        if (truncated != nullptr) *truncated = size - pos < 4 && (pos == size || data[pos] == 0xFF);
        if (size - pos < 4 || data[pos] != 0xFF) {
            *error = "JPEG file is damaged or truncated: no image data found (byte " + std::to_string(pos) + ")";
            return false;
        }
        const uint8_t marker = data[pos + 1];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (marker == 0xD9) {
            *error = "JPEG file ends before its image data";
            return false;
        }
        const size_t length = BigEndian16(data + pos + 2);
        if (truncated != nullptr) *truncated = length >= 2 && length > size - pos - 2;
        if (length < 2 || length > size - pos - 2) {
            *error = "JPEG file is damaged or truncated: segment at byte " + std::to_string(pos) + " runs past its end";
            return false;
        }
        Segment segment{marker, data + pos + 4, length - 2};
        if (!visit(segment)) return true;
        if (marker == 0xDA || (stopAtFrame && IsFrameMarker(marker))) return true;
        pos += 2 + length;
    }
}

void ReadJfifDensity(const Segment& s, ImageMetadata* m) {
    if (!StartsWith(s.data, s.size, "JFIF", 5) || s.size < 12) return;
    const uint8_t units = s.data[7];
    const uint32_t x = BigEndian16(s.data + 8), y = BigEndian16(s.data + 10);
    if (x == 0 || y == 0 || units > 2 || (units == 0 && x == y)) return;
    m->hasResolution = true;
    const double perMetre = units == 1 ? 1 / 0.0254 : units == 2 ? 100.0 : 1.0;
    m->pixelsPerUnitX = static_cast<uint32_t>(std::lround(x * perMetre));
    m->pixelsPerUnitY = static_cast<uint32_t>(std::lround(y * perMetre));
    m->resolutionUnit = units == 0 ? 0 : 1;
}

// The metadata segments, the ICC profile put together from its numbered pieces.
void ReadJpegMetadata(const uint8_t* data, size_t size, ImageMetadata* m) {
    std::map<int, std::vector<uint8_t>> pieces;
    int pieceCount = 0;
    bool piecesDamaged = false;
    std::vector<std::string> dropped;
    std::string ignored;
    WalkSegments(data, size, false, &ignored, [&](const Segment& s) {
        if (s.marker == 0xE0 && StartsWith(s.data, s.size, "JFIF", 5)) {
            ReadJfifDensity(s, m);
        } else if (s.marker == 0xE1 && StartsWith(s.data, s.size, kExifName, 5) && s.size >= 6) {
            if (m->exif.empty()) m->exif.assign(s.data + 6, s.data + s.size);
        } else if (s.marker == 0xE1 && StartsWith(s.data, s.size, kXmpName, sizeof kXmpName)) {
            if (m->xmp.empty()) m->xmp.assign(s.data + sizeof kXmpName, s.data + s.size);
        } else if (s.marker == 0xE1 && StartsWith(s.data, s.size, kXmpExtensionName, sizeof kXmpExtensionName)) {
            if (m->notCarried.empty() || m->notCarried.back().find("extended XMP") == std::string::npos)
                m->notCarried.push_back("the JPEG's extended XMP (an XMP packet larger than one segment) is not carried");
        } else if (s.marker == 0xE2 && StartsWith(s.data, s.size, kIccName, sizeof kIccName) && s.size >= 14) {
            int seq = s.data[12], count = s.data[13];
            // "0 of 0": a profile in one piece, numbered by a writer that
            // counts from zero; taken as "1 of 1", as other readers do (a
            // second such piece is then a duplicate, and warned of).
            if (seq == 0 && count == 0) seq = count = 1;
            if (seq < 1 || seq > count || (pieceCount != 0 && count != pieceCount) || pieces.count(seq) != 0)
                piecesDamaged = true;
            pieceCount = count;
            pieces[seq].assign(s.data + 14, s.data + s.size);
        } else if (s.marker == 0xFE) {
            m->comments.emplace_back(s.data, s.data + s.size);
        } else if (s.marker == 0xED) {
            m->photoshop.emplace_back(s.data, s.data + s.size);
        } else if (s.marker >= 0xE0 && s.marker <= 0xEF && s.marker != 0xEE) {
            // The rest describe this encoding (a JFIF thumbnail, MPF offsets)
            // or are unknown: named, not carried. APP14 is the encoder's own.
            const std::string name = "APP" + std::to_string(s.marker - 0xE0);
            if (std::find(dropped.begin(), dropped.end(), name) == dropped.end()) dropped.push_back(name);
        }
        return true;
    });
    if (!dropped.empty()) {
        std::string list;
        for (const std::string& name : dropped) list += (list.empty() ? "" : ", ") + name;
        m->notCarried.push_back("JPEG segments not carried: " + list);
    }
    if (pieceCount == 0) return;
    if (piecesDamaged || static_cast<int>(pieces.size()) != pieceCount) {
        m->notCarried.push_back("the JPEG's colour profile is incomplete (" + std::to_string(pieces.size()) + " of " +
                                std::to_string(pieceCount) + " pieces) and is not carried");
        return;
    }
    for (const auto& piece : pieces) m->iccProfile.insert(m->iccProfile.end(), piece.second.begin(), piece.second.end());
}

// stb's decoder (2.27) trusts the code counts of a Huffman table: more than
// 256 codes overrun its tables. Every table segment it would read, between
// and after the scans too (progressive files have several), is checked here
// first, walking the file as stb does: junk before a marker skipped, the
// entropy-coded data of a scan ending at the first marker that is not a
// restart.
bool CheckHuffmanTables(const uint8_t* data, size_t size, std::string* error) {
    size_t pos = 2;
    while (pos + 1 < size) {
        if (data[pos] != 0xFF) {
            ++pos;
            continue;
        }
        size_t m = pos + 1;
        while (m < size && data[m] == 0xFF) ++m;
        if (m >= size) break;
        const uint8_t marker = data[m];
        pos = m + 1;
        if (marker == 0xD9) break;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (size - pos < 2) break;
        const size_t length = BigEndian16(data + pos);
        const size_t end = pos + length < size ? pos + length : size;
        if (marker == 0xC4) {
            // stb builds a table before it checks the segment's length, so
            // one that runs past the segment's end counts too (bytes past the
            // file's end read as 0).
            for (size_t t = pos + 2; t < end;) {
                size_t codes = 0;
                for (size_t i = 1; i <= 16; ++i) codes += t + i < size ? data[t + i] : 0;
                if (codes > 256) {
                    *error = "JPEG file is damaged: a Huffman table at byte " + std::to_string(t) + " declares " +
                             std::to_string(codes) + " codes (at most 256)";
                    return false;
                }
                t += 17 + codes;
            }
        }
        pos = end;
        if (marker == 0xDA) {  // entropy-coded data up to the next marker that is not a restart
            while (pos + 1 < size && !(data[pos] == 0xFF && data[pos + 1] != 0x00 && data[pos + 1] != 0xFF &&
                                       !(data[pos + 1] >= 0xD0 && data[pos + 1] <= 0xD7)))
                ++pos;
        }
    }
    return true;
}

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

void AppendSegment(std::vector<uint8_t>* out, uint8_t marker, const char* name, size_t nameSize,
                   const uint8_t* data, size_t size, const uint8_t* extra = nullptr, size_t extraSize = 0) {
    const size_t length = 2 + nameSize + extraSize + size;
    out->insert(out->end(), {0xFF, marker, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    out->insert(out->end(), name, name + nameSize);
    if (extraSize > 0) out->insert(out->end(), extra, extra + extraSize);
    out->insert(out->end(), data, data + size);
}

// stb writes a JFIF APP0 segment right after SOI, at bytes 2..19, saying
// "no density, aspect 1:1"; the image's own density goes there instead.
void WriteJfifDensity(const ImageMetadata& m, std::vector<uint8_t>* jpeg) {
    if (!m.hasResolution || jpeg->size() < 20 || std::memcmp(jpeg->data() + 6, "JFIF", 5) != 0) return;
    double x = m.pixelsPerUnitX, y = m.pixelsPerUnitY;
    uint8_t units = 0;
    if (m.resolutionUnit == 1) {  // per metre: written in dots per inch
        units = 1;
        x *= 0.0254;
        y *= 0.0254;
    }
    if (x < 1 || y < 1 || x > 65535 || y > 65535) return;
    uint8_t* p = jpeg->data() + 13;
    p[0] = units;
    const long xd = std::lround(x), yd = std::lround(y);
    p[1] = static_cast<uint8_t>(xd >> 8);
    p[2] = static_cast<uint8_t>(xd);
    p[3] = static_cast<uint8_t>(yd >> 8);
    p[4] = static_cast<uint8_t>(yd);
}

}  // namespace

bool HasJpegSignature(const uint8_t* data, size_t size) {
    return data != nullptr && size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool JpegPrefixIncomplete(const uint8_t* data, size_t size) {
    if (!HasJpegSignature(data, size)) return false;
    bool truncated = false;
    std::string ignored;
    const auto beforeFrame = [](const Segment& s) { return !IsFrameMarker(s.marker) && s.marker != 0xDA; };
    return !WalkSegments(data, size, true, &ignored, beforeFrame, &truncated) && truncated;
}

bool ReadJpegHeader(const uint8_t* data, size_t size, JpegHeader* header, std::string* error) {
    if (!HasJpegSignature(data, size)) {
        *error = "not a JPEG file";
        return false;
    }
    bool found = false;
    bool frameFault = false;
    const char* unsupported = nullptr;
    if (!WalkSegments(data, size, true, error, [&](const Segment& s) {
            if (s.marker == 0xDA) return false;
            if (!IsFrameMarker(s.marker)) return true;
            if (s.size < 6) {
                frameFault = true;
                return false;
            }
            header->frameMarker = s.marker;
            unsupported = UnsupportedCoding(s.marker, s.data[0]);
            header->height = BigEndian16(s.data + 1);
            header->width = BigEndian16(s.data + 3);
            header->components = s.data[5];
            found = true;
            return false;
        }))
        return false;
    if (unsupported != nullptr) {
        *error = std::string(unsupported) + " (frame marker SOF" + std::to_string(header->frameMarker - 0xC0) + ")";
        return false;
    }
    if (!found || frameFault) {
        *error = "JPEG file is damaged: no frame header before its image data";
        return false;
    }
    if (header->width == 0 || header->height == 0) {
        *error = "JPEG image has an unsupported size (" + std::to_string(header->width) + " x " +
                 std::to_string(header->height) + ")";
        return false;
    }
    return true;
}

bool DecodeJpeg(const uint8_t* data, size_t size, Image* image, std::string* error) {
    if (size > static_cast<size_t>(INT_MAX)) {
        *error = "JPEG file is too large";
        return false;
    }
    if (!CheckHuffmanTables(data, size, error)) return false;
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 0);
    if (pixels == nullptr) {
        // stb names the last decoder it tried; a file that ends too soon is
        // named as such.
        bool truncated = false;
        std::string why;
        WalkSegments(data, size, false, &why, [](const Segment&) { return true; }, &truncated);
        if (truncated) {
            *error = "JPEG file is truncated: it ends at byte " + std::to_string(size) + ", before its image data";
            return false;
        }
        const char* reason = stbi_failure_reason();
        *error = std::string("cannot decode JPEG: ") + (reason != nullptr ? reason : "unknown error");
        return false;
    }
    Image result;
    result.width = width;
    result.height = height;
    result.channels = channels;
    if (width <= 0 || height <= 0 || (channels != 1 && channels != 3)) {
        stbi_image_free(pixels);
        *error = "JPEG image has an unsupported layout";
        return false;
    }
    result.pixels.assign(pixels, pixels + ImageBytes(result));
    stbi_image_free(pixels);
    ReadJpegMetadata(data, size, &result.metadata);
    *image = std::move(result);
    return true;
}

bool EncodeJpeg(const Image& image, const ImageMetadata& metadata, int quality, std::vector<uint8_t>* bytes,
                std::string* error) {
    if (image.channels != 1 && image.channels != 3) {
        *error = "a JPEG file holds grey or RGB without alpha";
        return false;
    }
    if (image.width > 65535 || image.height > 65535) {
        *error = "a JPEG image is at most 65535 pixels a side";
        return false;
    }
    std::vector<uint8_t> coded;
    if (stbi_write_jpg_to_func(AppendBytes, &coded, image.width, image.height, image.channels, image.pixels.data(),
                               quality) == 0 ||
        coded.size() < 20) {
        *error = "JPEG encoding failed";
        return false;
    }
    const ImageMetadata& m = metadata;
    WriteJfifDensity(m, &coded);
    // The metadata segments go after SOI and JFIF APP0 (bytes 0..19).
    bytes->assign(coded.begin(), coded.begin() + 20);
    if (!m.exif.empty() && m.exif.size() <= kMaxJpegExifBytes)
        AppendSegment(bytes, 0xE1, kExifName, 6, m.exif.data(), m.exif.size());
    if (!m.xmp.empty() && m.xmp.size() <= kMaxJpegXmpBytes)
        AppendSegment(bytes, 0xE1, kXmpName, sizeof kXmpName, m.xmp.data(), m.xmp.size());
    if (!m.iccProfile.empty() && m.iccProfile.size() <= kMaxIccProfileBytes && IccFitsChannels(m.iccProfile, 3)) {
        const size_t count = (m.iccProfile.size() + kIccPiece - 1) / kIccPiece;
        for (size_t i = 0; i < count; ++i) {
            const size_t start = i * kIccPiece;
            const size_t n = std::min(kIccPiece, m.iccProfile.size() - start);
            const uint8_t numbers[2] = {static_cast<uint8_t>(i + 1), static_cast<uint8_t>(count)};
            AppendSegment(bytes, 0xE2, kIccName, sizeof kIccName, m.iccProfile.data() + start, n, numbers, 2);
        }
    }
    for (const std::vector<uint8_t>& segment : m.photoshop)
        if (segment.size() <= 65533) AppendSegment(bytes, 0xED, "", 0, segment.data(), segment.size());
    for (const std::vector<uint8_t>& comment : m.comments)
        if (!comment.empty() && comment.size() <= 65533) AppendSegment(bytes, 0xFE, "", 0, comment.data(), comment.size());
    bytes->insert(bytes->end(), coded.begin() + 20, coded.end());
    return true;
}

}  // namespace kelvo::image
