#include "open_file.h"

namespace kelvo {

std::FILE* OpenFile(const char* path, const char* mode) {
    return path != nullptr ? std::fopen(path, mode) : nullptr;
}

}  // namespace kelvo
