// Halvane remembers the settings of the last dialog the user OK'd in a
// settings file (Halvane.lns), the same 185 bytes the dialog's Save writes, so
// that the file can also be loaded by hand.
#pragma once

#include <cstddef>

#include "flare_parameters.h"

namespace kelvo::flare {

// The remembered file for a record: the record's 22 settings over the
// defaults' run state (previewScale 0, showDialog 1, reserved tail zero), as
// a settings file of kSettingsFileSize bytes.
void EncodeRememberedFlare(const FilterParameters& record, unsigned char* bytes);

// Takes the settings of a remembered file into the record. The file must be
// exactly a settings file's size, start with its marker and hold settings
// within their bounds; otherwise it is damaged or foreign, the record stays
// as it was and false is returned. The record keeps its run state.
bool TakeRememberedFlare(const unsigned char* bytes, size_t size, FilterParameters* record);

}  // namespace kelvo::flare
