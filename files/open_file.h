// Opening a file for reading by its path as our code carries it: UTF-8 on
// Windows, opened there by its wide name (never through the ANSI code page),
// and as the file system takes it elsewhere.
#pragma once

#include <cstdio>

namespace kelvo {

// std::fopen with such a path; `mode` is fopen's ("rb"). Null when the file
// cannot be opened (errno says why) or the path is not valid UTF-8 on Windows.
std::FILE* OpenFile(const char* path, const char* mode);

}  // namespace kelvo
