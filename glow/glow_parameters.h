// Emberlit's settings record: three threshold windows, the glow level and two
// words of run state. It lives only in the host's `parameters` handle.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings_table.h"

namespace kelvo::glow {

struct FilterParameters {
    int32_t redUpper;     // Red window, tested against plane 0
    int32_t greenUpper;   // Green window, tested against plane 1
    int32_t blueUpper;    // Blue window, tested against plane 2
    int32_t redLower;
    int32_t greenLower;
    int32_t blueLower;
    int32_t glowLevel;     // radius of the glow disc in pixels of the image being rendered
    int32_t previewScale;  // reduction factor; 1 at full size
    int16_t showDialog;    // non-zero: the next run shows the dialog first
};

static_assert(offsetof(FilterParameters, redUpper) == 0, "redUpper");
static_assert(offsetof(FilterParameters, greenUpper) == 4, "greenUpper");
static_assert(offsetof(FilterParameters, blueUpper) == 8, "blueUpper");
static_assert(offsetof(FilterParameters, redLower) == 12, "redLower");
static_assert(offsetof(FilterParameters, greenLower) == 16, "greenLower");
static_assert(offsetof(FilterParameters, blueLower) == 20, "blueLower");
static_assert(offsetof(FilterParameters, glowLevel) == 24, "glowLevel");
static_assert(offsetof(FilterParameters, previewScale) == 28, "previewScale");
static_assert(offsetof(FilterParameters, showDialog) == 32, "showDialog");
static_assert(sizeof(FilterParameters) == 36, "glow settings record");

// The seven user settings in record order: field, dialog row and column,
// control ids, typed and stepped bounds, spin step and default.
constexpr int kGlowSettingCount = 7;
extern const SettingsTable kGlowSettings;

// A record holding the defaults, previewScale 0 and showDialog 1.
FilterParameters DefaultGlowParameters();

}  // namespace kelvo::glow
