// The PiPL parser, and the reader of the scripting dictionary its 'hstm'
// names, over arbitrary resource bytes.
#include <string>

#include "aete.h"
#include "pipl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvo::host;
    pipl::PiplInfo info;
    std::string error;
    if (pipl::ParsePipl(data, size, &info, &error)) {
        for (int mode = -1; mode < 40; ++mode) pipl::AcceptsMode(info, mode);
        pipl::EntryForThisArchitecture(info);
    }
    aete::Dictionary dictionary;
    aete::ParseAete(data, size, &dictionary, &error);
    return 0;
}
