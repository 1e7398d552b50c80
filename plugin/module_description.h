// What makes a module of a filter: the filter's description, and what the
// module alone keeps (the file in which it remembers the user's last
// settings). Each module defines kModule, once, in its module source; the
// hooks of module_hooks.h are made from it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filter_description.h"
#include "remembered_settings.h"

namespace kelvo::plugin {

struct ModuleDescription {
    const FilterDescription* filter;
    // The remembered file, in the user's %LOCALAPPDATA%\Kelvo folder: its
    // name, and its writer and reader (module_hooks.h).
    const wchar_t* rememberedFileName;
    size_t (*encodeRemembered)(const void* record, unsigned char* bytes);
    bool (*takeRemembered)(const unsigned char* bytes, size_t size, void* record);
};

extern const ModuleDescription kModule;

// The untyped remembered-file functions of a module whose record is R, whose
// file holds `size` bytes and is written by `encode` and read by `take`.
template <typename R, size_t size, void (*encode)(const R&, unsigned char*),
          bool (*take)(const unsigned char*, size_t, R*)>
struct RememberedEntries {
    static_assert(size <= kRememberedFileRoom, "room for the remembered file");
    static size_t Encode(const void* record, unsigned char* bytes) {
        encode(*static_cast<const R*>(record), bytes);
        return size;
    }
    static bool Take(const unsigned char* bytes, size_t count, void* record) {
        return take(bytes, count, static_cast<R*>(record));
    }
};

// The description of a module whose record is R, whose remembered file
// `fileName` holds `size` bytes, written by `encode` and read by `take`.
template <typename R, size_t size, void (*encode)(const R&, unsigned char*),
          bool (*take)(const unsigned char*, size_t, R*)>
constexpr ModuleDescription DescribeModule(const FilterDescription* filter, const wchar_t* fileName) {
    using Remembered = RememberedEntries<R, size, encode, take>;
    return {filter, fileName, Remembered::Encode, Remembered::Take};
}

}  // namespace kelvo::plugin
