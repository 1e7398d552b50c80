// Halvane's settings files (*.lns): the byte 1, then the 184-byte image of the
// settings record, 185 bytes in all. The dialog's Load and Save buttons and the
// command-line renderer read and write them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "flare_parameters.h"
#include "replace_file.h"
#include "settings_file_format.h"

namespace kelvo::flare {

constexpr uint8_t kSettingsFileMarker = 1;
constexpr size_t kSettingsFileSize = 1 + sizeof(FilterParameters);

// The file's bytes for the record: the marker, then the record as it is in
// memory, reserved tail included (kSettingsFileSize bytes).
void EncodeSettingsFile(const FilterParameters& parameters, unsigned char* bytes);

// Writes the marker and the record as it is in memory, reserved tail
// included, through kelvo::ReplaceFileContents: an existing file is replaced
// only once all 185 bytes are on the disk, and stays as it was when anything
// fails. Returns true when the new file is in place; otherwise false, with
// the reason in `why` (`whySize` bytes) when that is not null. Allocates and
// throws nothing: the dialog's Save calls it inside a host.
bool SaveSettingsFile(const char* path, const FilterParameters& parameters, char* why, size_t whySize);

// The same for our programs, with the reason as a string.
inline bool SaveSettingsFile(const char* path, const FilterParameters& parameters, std::string* error = nullptr) {
    char why[kelvo::kFileReasonSize] = "";
    const bool ok = SaveSettingsFile(path, parameters, why, sizeof why);
    if (!ok && error != nullptr) *error = why;
    return ok;
}

// What reading a settings file came to (settings_file_format.h).
using kelvo::SettingsFileRead;

// Reads a settings file over the record. When the file cannot be opened or
// its first byte is not the marker (an empty file included) the record is
// left untouched. Otherwise copies up to 184 bytes over the record from its
// first byte on: a shorter file replaces only the leading bytes it holds, the
// bytes of a longer one after the 185th are ignored. No value is checked,
// except that the record keeps its own previewScale: the file's is the
// reduction factor of some earlier preview, or garbage in a damaged file, and
// must never reach the renderer. `recordBytes`, when not null, receives how
// many bytes of the record the file held (184 for a whole file). The path is
// UTF-8 on Windows (open_file.h).
SettingsFileRead ReadSettingsFile(const char* path, FilterParameters* parameters, size_t* recordBytes = nullptr);

// ReadSettingsFile, answering only whether the record was loaded.
bool LoadSettingsFile(const char* path, FilterParameters* parameters);

// The format as kelvo-render reads and writes it, through the functions
// above (the flare's description points to it).
extern const SettingsFileFormat kSettingsFileFormat;

}  // namespace kelvo::flare
