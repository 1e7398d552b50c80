// The PE reader over arbitrary files: headers, sections, exports, imports,
// the resource tree and the string tables in it.
#include <string>
#include <vector>

#include "pe_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pe::PeFile file;
    std::string error;
    if (!pe::ParsePeFile(std::vector<uint8_t>(data, data + size), &file, &error)) return 0;
    std::vector<pe::ExportEntry> exports;
    pe::ReadExports(file, &exports, &error);
    std::vector<std::string> dlls;
    pe::ReadImportedDlls(file, &dlls, &error);
    std::vector<pe::ResourceEntry> resources;
    if (pe::ReadResources(file, &resources, &error)) {
        for (uint16_t id = 0; id < 8; ++id) {
            std::string text;
            uint16_t language = 0;
            pe::FindString(resources, id, &text, &language);
        }
        pe::FindResource(resources, pe::ResourceName("PIPL"), pe::ResourceId(16000));
    }
    return 0;
}
