// GEGL's spelling of a setting's name: a hyphen before each capital letter and
// all lower case ("positionX" -> "position-x", "raysRNoise" -> "rays-r-noise").
#pragma once

#include <string>

namespace kelvo::gegl {

std::string PropertyName(const char* settingName);

}  // namespace kelvo::gegl
