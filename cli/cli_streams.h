// Standard input and output as image files ("-" on the command line), in
// binary mode on every system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image_io.h"

namespace kelvo::cli {

// Reads and decodes the image on standard input, judged by its header as a
// file is.
bool ReadStandardInput(image::Image* image, std::string* error, const image::ShapeCheck& check = {});

// Writes the bytes to the stream (standard output) and flushes it.
bool WriteToStream(std::FILE* stream, const std::vector<uint8_t>& bytes, std::string* error);

}  // namespace kelvo::cli
