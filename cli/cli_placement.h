// The settings of one image of a run: enlarged by --scale, or by the
// --scale-from factor taken from the image's width, and position settings
// given as percentages of the image's sides ("positionX=70%") resolved to
// pixels.
#pragma once

#include <cstdint>
#include <string>

#include "cli_settings.h"

namespace kelvo::cli {

// Draws the record's look `factor` times larger, its positions moving with
// it (FilterDescription::enlargeLook, or enlarge for a filter without
// positions); a factor of 1 leaves the record as it is.
void EnlargeLook(const FilterDescription& filter, void* record, double factor);

// The settings as an image of width x height pixels gets them: enlarged by
// --scale F, or with --scale-from W by F = width / W. A percentage p of a
// side of n pixels is pixel floor(p / 100 * n): 50% is n / 2 (rounded down),
// the centre the flare's reflections turn around; 0% the first row or
// column, 100% the one just past the last. The renderer multiplies pixel
// positions by F, so the record gets the position whose product lands
// nearest that pixel (within F / 2 of it). False with a message when the
// --scale-from factor is out of range.
bool SettingsForImage(const FilterSettings& settings, int32_t width, int32_t height, FilterSettings* resolved,
                      std::string* error);

}  // namespace kelvo::cli
