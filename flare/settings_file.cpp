#include "settings_file.h"

#include <cstdio>
#include <cstring>

#include "open_file.h"
#include "replace_file.h"

// The record is written as it is in memory, which is the file's byte order on
// every target we build for.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "settings files are little-endian; this target needs byte swapping"
#endif

namespace kelvo::flare {

void EncodeSettingsFile(const FilterParameters& parameters, unsigned char* bytes) {
    bytes[0] = kSettingsFileMarker;
    std::memcpy(bytes + 1, &parameters, sizeof parameters);
}

bool SaveSettingsFile(const char* path, const FilterParameters& parameters, char* why, size_t whySize) {
    unsigned char bytes[kSettingsFileSize];
    EncodeSettingsFile(parameters, bytes);
    return kelvo::ReplaceFileContents(path, bytes, sizeof bytes, why, whySize);
}

SettingsFileRead ReadSettingsFile(const char* path, FilterParameters* parameters, size_t* recordBytes) {
    if (recordBytes != nullptr) *recordBytes = 0;
    if (path == nullptr || parameters == nullptr) return SettingsFileRead::CannotOpen;
    std::FILE* file = kelvo::OpenFile(path, "rb");
    if (file == nullptr) return SettingsFileRead::CannotOpen;
    unsigned char marker = 0;
    if (std::fread(&marker, 1, 1, file) != 1 || marker != kSettingsFileMarker) {
        std::fclose(file);
        return SettingsFileRead::NotSettingsFile;
    }
    unsigned char record[sizeof(FilterParameters)];
    const size_t count = std::fread(record, 1, sizeof record, file);
    std::fclose(file);

    const double previewScale = parameters->previewScale;
    std::memcpy(parameters, record, count);
    parameters->previewScale = previewScale;
    if (recordBytes != nullptr) *recordBytes = count;
    return SettingsFileRead::Loaded;
}

bool LoadSettingsFile(const char* path, FilterParameters* parameters) {
    return ReadSettingsFile(path, parameters) == SettingsFileRead::Loaded;
}

namespace {

SettingsFileRead ReadRecord(const char* path, void* record, size_t* recordBytes) {
    return ReadSettingsFile(path, static_cast<FilterParameters*>(record), recordBytes);
}

bool WriteRecord(const char* path, const void* record, char* why, size_t whySize) {
    return SaveSettingsFile(path, *static_cast<const FilterParameters*>(record), why, whySize);
}

static_assert(kSettingsFileMarker == 1, "the marker rule below names it");

}  // namespace

const SettingsFileFormat kSettingsFileFormat = {
    "lens flare settings file", "lens flare settings", "its first byte must be 1", "the flare centre",
    sizeof kSettingsFileMarker, ReadRecord, WriteRecord,
};

}  // namespace kelvo::flare
