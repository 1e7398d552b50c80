// The PiPL parser over arbitrary resource bytes.
#include <string>

#include "pipl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pipl::PiplInfo info;
    std::string error;
    if (pipl::ParsePipl(data, size, &info, &error)) {
        for (int mode = -1; mode < 40; ++mode) pipl::AcceptsMode(info, mode);
        pipl::EntryForThisArchitecture(info);
    }
    return 0;
}
