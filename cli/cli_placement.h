// The settings of one image of a run: position settings given as
// percentages of the image's sides ("positionX=70%") resolved to pixels, and
// the flare's --scale-from factor taken from the image's width.
#pragma once

#include <cstdint>
#include <string>

#include "cli_settings.h"

namespace kelvo::cli {

// The settings as an image of width x height pixels gets them. A percentage p
// of a side of n pixels is pixel floor(p / 100 * n): 50% is n / 2 (rounded
// down), the centre the reflections turn around; 0% the first row or column,
// 100% the one just past the last. With --scale F the renderer multiplies
// pixel positions by F, so the record gets the position whose product lands
// nearest that pixel (within F / 2 of it). With --scale-from W the factor F
// is width / W. False with a message when that factor is out of range.
bool SettingsForImage(const FilterSettings& settings, int32_t width, int32_t height, FilterSettings* resolved,
                      std::string* error);

}  // namespace kelvo::cli
