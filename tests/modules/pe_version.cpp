#include "pe_version.h"

#include "pe_reader.h"

namespace pe {
namespace {

constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedInfoSize = 52;

uint16_t Word(const std::vector<uint8_t>& d, size_t at) {
    return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}
uint32_t Dword(const std::vector<uint8_t>& d, size_t at) {
    return static_cast<uint32_t>(Word(d, at)) | static_cast<uint32_t>(Word(d, at + 2)) << 16;
}
size_t Align4(size_t at) { return (at + 3) & ~static_cast<size_t>(3); }

// One block of the resource: a length, a value length, a type (1: text, 0:
// binary), a zero-terminated UTF-16 key, the value and the child blocks, each
// of the last two starting on a 4-byte boundary.
struct Block {
    std::string key;
    size_t valueAt = 0;
    size_t valueBytes = 0;
    bool text = false;
    size_t childrenAt = 0;
    size_t end = 0;
};

bool ReadBlock(const std::vector<uint8_t>& d, size_t at, size_t limit, Block* block, std::string* error) {
    if (at + 6 > limit) {
        *error = "version resource: block header past its parent's end";
        return false;
    }
    const size_t length = Word(d, at);
    const size_t valueLength = Word(d, at + 2);
    const uint16_t type = Word(d, at + 4);
    if (length < 6 || at + length > limit) {
        *error = "version resource: block length " + std::to_string(length) + " does not fit";
        return false;
    }
    block->end = at + length;
    std::vector<uint16_t> key;
    size_t p = at + 6;
    for (;; p += 2) {
        if (p + 2 > block->end) {
            *error = "version resource: key without an end";
            return false;
        }
        const uint16_t unit = Word(d, p);
        if (unit == 0) break;
        key.push_back(unit);
    }
    block->key = Utf16ToUtf8(key.data(), key.size());
    block->text = type == 1;
    block->valueAt = Align4(p + 2);
    block->valueBytes = block->text ? valueLength * 2 : valueLength;
    if (block->valueAt > block->end || block->valueBytes > block->end - block->valueAt) {
        // Resource compilers disagree on how a text's length is counted; the
        // value never reaches past its block.
        if (!block->text || block->valueAt > block->end) {
            *error = "version resource: value of '" + block->key + "' past its block";
            return false;
        }
        block->valueBytes = block->end - block->valueAt;
    }
    block->childrenAt = Align4(block->valueAt + block->valueBytes);
    return true;
}

// Calls visit(block) for each child block of `parent`; stops at a damaged one.
template <typename Visit>
bool ForEachChild(const std::vector<uint8_t>& d, const Block& parent, Visit visit, std::string* error) {
    for (size_t at = parent.childrenAt; at < parent.end;) {
        Block child;
        if (!ReadBlock(d, at, parent.end, &child, error)) return false;
        if (!visit(child)) return false;
        at = Align4(child.end);
    }
    return true;
}

std::string TextValue(const std::vector<uint8_t>& d, const Block& block) {
    std::vector<uint16_t> units;
    for (size_t p = block.valueAt; p + 2 <= block.valueAt + block.valueBytes; p += 2) {
        const uint16_t unit = Word(d, p);
        if (unit == 0) break;
        units.push_back(unit);
    }
    return Utf16ToUtf8(units.data(), units.size());
}

}  // namespace

bool ParseVersionInfo(const std::vector<uint8_t>& data, VersionInfo* info, std::string* error) {
    *info = VersionInfo{};
    Block root;
    if (!ReadBlock(data, 0, data.size(), &root, error)) return false;
    if (root.key != "VS_VERSION_INFO") {
        *error = "version resource: root key is '" + root.key + "'";
        return false;
    }
    if (root.valueBytes < kFixedInfoSize || Dword(data, root.valueAt) != kFixedInfoSignature) {
        *error = "version resource: no fixed file information";
        return false;
    }
    const size_t f = root.valueAt;
    const uint32_t parts[4] = {Dword(data, f + 8), Dword(data, f + 12), Dword(data, f + 16), Dword(data, f + 20)};
    for (int i = 0; i < 2; ++i) {
        info->fileVersion[2 * i] = static_cast<uint16_t>(parts[i] >> 16);
        info->fileVersion[2 * i + 1] = static_cast<uint16_t>(parts[i]);
        info->productVersion[2 * i] = static_cast<uint16_t>(parts[2 + i] >> 16);
        info->productVersion[2 * i + 1] = static_cast<uint16_t>(parts[2 + i]);
    }
    info->fileOs = Dword(data, f + 32);
    info->fileType = Dword(data, f + 36);

    return ForEachChild(
        data, root,
        [&](const Block& section) {
            if (section.key == "StringFileInfo")
                return ForEachChild(
                    data, section,
                    [&](const Block& table) {
                        return ForEachChild(
                            data, table,
                            [&](const Block& text) {
                                info->texts.push_back({table.key, text.key, TextValue(data, text)});
                                return true;
                            },
                            error);
                    },
                    error);
            if (section.key == "VarFileInfo")
                return ForEachChild(
                    data, section,
                    [&](const Block& var) {
                        if (var.key != "Translation") return true;
                        for (size_t p = var.valueAt; p + 4 <= var.valueAt + var.valueBytes; p += 4)
                            info->translations.push_back({Word(data, p), Word(data, p + 2)});
                        return true;
                    },
                    error);
            return true;
        },
        error);
}

const std::string* FindVersionText(const VersionInfo& info, const std::string& name) {
    for (const VersionInfo::Text& t : info.texts)
        if (t.name == name) return &t.value;
    return nullptr;
}

}  // namespace pe
