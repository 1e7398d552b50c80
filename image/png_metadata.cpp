#include "png_metadata.h"

#include <cstring>

#include "png_chunks.h"
#include "zlib_codec.h"


namespace kelvo::image {
namespace {

uint32_t BigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void PutBigEndian32(std::vector<uint8_t>* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

bool Is(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

constexpr char kXmpKeyword[] = "XML:com.adobe.xmp";

void ReadIccp(const uint8_t* p, uint32_t n, ImageMetadata* m, std::vector<std::string>* warnings) {
    const uint8_t* end = static_cast<const uint8_t*>(std::memchr(p, 0, n < 80 ? n : 80));
    if (end == nullptr || end == p || static_cast<uint32_t>(end - p) + 2 > n || end[1] != 0 ||
        !Inflate(end + 2, n - static_cast<uint32_t>(end - p) - 2, kMaxIccProfileBytes, &m->iccProfile)) {
        m->iccProfile.clear();
        warnings->push_back("the PNG's colour profile (iCCP) is damaged and is not carried");
        return;
    }
    m->iccName.assign(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
}

// An uncompressed XMP packet in an iTXt chunk: keyword, flag 0, method, empty
// language and translated keyword, then the text.
bool ReadXmp(const uint8_t* p, uint32_t n, ImageMetadata* m) {
    const size_t k = sizeof kXmpKeyword;  // with its zero
    if (n < k + 4 || std::memcmp(p, kXmpKeyword, k) != 0 || p[k] != 0) return false;
    const uint8_t* language = p + k + 2;
    const uint8_t* end = p + n;
    const uint8_t* z1 = static_cast<const uint8_t*>(std::memchr(language, 0, static_cast<size_t>(end - language)));
    if (z1 == nullptr) return false;
    const uint8_t* z2 = static_cast<const uint8_t*>(std::memchr(z1 + 1, 0, static_cast<size_t>(end - z1 - 1)));
    if (z2 == nullptr) return false;
    m->xmp.assign(z2 + 1, end);
    return true;
}

// True for well-formed UTF-8 that holds a character beyond ASCII.
bool IsUtf8BeyondAscii(const std::vector<uint8_t>& text) {
    bool beyond = false;
    for (size_t i = 0; i < text.size();) {
        const uint8_t c = text[i];
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || n > text.size() - i || (n == 2 && c < 0xC2)) return false;
        for (size_t k = 1; k < n; ++k)
            if ((text[i + k] & 0xC0) != 0x80) return false;
        beyond = beyond || n > 1;
        i += n;
    }
    return beyond;
}

}  // namespace

void ReadPngMetadata(const uint8_t* data, size_t size, ImageMetadata* m, std::vector<std::string>* warnings) {
    std::string dropped;
    size_t pos = 8;
    while (size - pos >= 12) {
        const uint32_t n = BigEndian32(data + pos);
        const uint8_t* type = data + pos + 4;
        const uint8_t* p = data + pos + 8;
        if (n > size - pos - 12 || Is(type, "IEND")) break;
        if (Is(type, "iCCP")) {
            ReadIccp(p, n, m, warnings);
        } else if (Is(type, "eXIf")) {
            m->exif.assign(p, p + n);
        } else if (Is(type, "pHYs") && n == 9) {
            m->hasResolution = true;
            m->pixelsPerUnitX = BigEndian32(p);
            m->pixelsPerUnitY = BigEndian32(p + 4);
            m->resolutionUnit = p[8];
        } else if (Is(type, "gAMA") && n == 4) {
            m->hasGamma = true;
            m->gamma = BigEndian32(p);
        } else if (Is(type, "cHRM") && n == 32) {
            m->hasChromaticities = true;
            std::memcpy(m->chromaticities, p, 32);
        } else if (Is(type, "sRGB") && n == 1) {
            m->hasSrgbIntent = true;
            m->srgbIntent = p[0];
        } else if (Is(type, "tEXt") || Is(type, "zTXt") || Is(type, "iTXt")) {
            if (!(Is(type, "iTXt") && m->xmp.empty() && ReadXmp(p, n, m))) {
                PngChunk chunk;
                std::memcpy(chunk.type, type, 4);
                chunk.data.assign(p, p + n);
                m->pngText.push_back(std::move(chunk));
            }
        } else if (!Is(type, "IHDR") && !Is(type, "PLTE") && !Is(type, "IDAT") && !Is(type, "tRNS")) {
            // Chunks that describe this encoding (sBIT, bKGD in its sample
            // values) or that we do not know: named, not carried.
            const std::string name(reinterpret_cast<const char*>(type), 4);
            if (dropped.find(name) == std::string::npos) dropped += (dropped.empty() ? "" : ", ") + name;
        }
        pos += 12 + static_cast<size_t>(n);
    }
    if (!dropped.empty()) warnings->push_back("PNG chunks not carried: " + dropped);
}

void AppendPngChunk(std::vector<uint8_t>* out, const char* type, const uint8_t* data, size_t size) {
    PutBigEndian32(out, static_cast<uint32_t>(size));
    const size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    if (size > 0) out->insert(out->end(), data, data + size);
    PutBigEndian32(out, PngCrc(out->data() + start, 4 + size));
}

void AppendPngMetadataChunks(std::vector<uint8_t>* out, const ImageMetadata& m) {
    bool profileWritten = false;
    if (!m.iccProfile.empty()) {
        const std::vector<uint8_t> packed = Deflate(m.iccProfile.data(), m.iccProfile.size());
        if (!packed.empty()) {
            std::string name = m.iccName.empty() || m.iccName.size() > 79 ? std::string("ICC profile") : m.iccName;
            std::vector<uint8_t> chunk(name.begin(), name.end());
            chunk.push_back(0);
            chunk.push_back(0);  // deflate
            chunk.insert(chunk.end(), packed.begin(), packed.end());
            AppendPngChunk(out, "iCCP", chunk.data(), chunk.size());
            profileWritten = true;
        }
    }
    if (m.hasSrgbIntent && !profileWritten) AppendPngChunk(out, "sRGB", &m.srgbIntent, 1);
    if (m.hasGamma) {
        std::vector<uint8_t> g;
        PutBigEndian32(&g, m.gamma);
        AppendPngChunk(out, "gAMA", g.data(), g.size());
    }
    if (m.hasChromaticities) AppendPngChunk(out, "cHRM", m.chromaticities, sizeof m.chromaticities);
    if (m.hasResolution) {
        std::vector<uint8_t> r;
        PutBigEndian32(&r, m.pixelsPerUnitX);
        PutBigEndian32(&r, m.pixelsPerUnitY);
        r.push_back(m.resolutionUnit);
        AppendPngChunk(out, "pHYs", r.data(), r.size());
    }
    if (!m.exif.empty()) AppendPngChunk(out, "eXIf", m.exif.data(), m.exif.size());
    if (!m.xmp.empty()) {
        std::vector<uint8_t> chunk(kXmpKeyword, kXmpKeyword + sizeof kXmpKeyword);
        chunk.insert(chunk.end(), {0, 0, 0, 0});  // not compressed, method 0, no language, no translation
        chunk.insert(chunk.end(), m.xmp.begin(), m.xmp.end());
        AppendPngChunk(out, "iTXt", chunk.data(), chunk.size());
    }
    for (const PngChunk& text : m.pngText) AppendPngChunk(out, text.type, text.data.data(), text.data.size());
    for (const std::vector<uint8_t>& comment : m.comments) {  // JPEG COM segments, fitted by FitMetadata
        if (comment.empty() || std::memchr(comment.data(), 0, comment.size()) != nullptr) continue;
        // Text beyond ASCII in UTF-8 goes in iTXt (UTF-8, uncompressed, no
        // language); anything else in tEXt, whose bytes are Latin-1.
        const bool utf8 = IsUtf8BeyondAscii(comment);
        std::vector<uint8_t> chunk{'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
        if (utf8) chunk.insert(chunk.end(), {0, 0, 0, 0});
        chunk.insert(chunk.end(), comment.begin(), comment.end());
        AppendPngChunk(out, utf8 ? "iTXt" : "tEXt", chunk.data(), chunk.size());
    }
}

}  // namespace kelvo::image
