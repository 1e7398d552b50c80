#include <cerrno>
#include <cwchar>

#include "open_file.h"
#include "wide_path_win32.h"

namespace kelvo {

std::FILE* OpenFile(const char* path, const char* mode) {
    WideText name;
    if (!WidePathFromUtf8(path, 0, &name)) {
        errno = EINVAL;
        return nullptr;
    }
    wchar_t wideMode[8] = {};
    for (size_t i = 0; i + 1 < 8 && mode[i] != '\0'; ++i) wideMode[i] = static_cast<wchar_t>(mode[i]);
    return _wfopen(name.text, wideMode);
}

}  // namespace kelvo
