#include "cli_streams.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace kelvo::cli {
namespace {

void SetBinary(std::FILE* stream) {
#if defined(_WIN32)
    _setmode(_fileno(stream), _O_BINARY);
#else
    (void)stream;
#endif
}

}  // namespace

bool ReadStandardInput(image::Image* image, std::string* error, const image::ShapeCheck& check) {
    SetBinary(stdin);
    return image::ReadImageStream(stdin, "-", image, error, check);
}

bool WriteToStream(std::FILE* stream, const std::vector<uint8_t>& bytes, std::string* error) {
    SetBinary(stream);
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size() || std::fflush(stream) != 0) {
        *error = "cannot write the image to standard output";
        return false;
    }
    return true;
}

}  // namespace kelvo::cli
