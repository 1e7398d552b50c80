// Halvane's settings record. Its byte image is also the payload of the
// settings files, so the layout below is a storage format: 184 bytes,
// little-endian, IEEE doubles, a reserved tail that stays zero.
#pragma once

#include <cstddef>
#include <cstdint>

#include "halvane_controls.h"
#include "settings_table.h"

namespace kelvo::flare {

struct FilterParameters {
    int32_t positionX;          // flare centre column, full-size pixels from the area's left edge
    int32_t positionY;          // flare centre row, full-size pixels from the area's top edge
    double flareSize;
    double flareBright;
    double flareFalloff;
    double flareHue;
    double haloSize;
    double haloBright;
    double haloHue;
    double reflectionsSize;
    double reflectionsBright;
    double raysCount;
    double raysBright;
    double raysRotate;
    double raysSharp;
    double raysRNoise;
    double raysSNoise;
    double raysHue;
    double anamorphicBright;
    double anamorphicRotate;
    double anamorphicHue;
    double positionAspect;
    double previewScale;        // reduction factor of the image being rendered; 1.0 at full size
    int16_t showDialog;         // non-zero: the next run shows the dialog first
    uint8_t reserved[6];
};

static_assert(sizeof(FilterParameters) == 184, "settings record is 184 bytes");
static_assert(offsetof(FilterParameters, positionX) == 0, "positionX");
static_assert(offsetof(FilterParameters, positionY) == 4, "positionY");
static_assert(offsetof(FilterParameters, flareSize) == 8, "flareSize");
static_assert(offsetof(FilterParameters, flareBright) == 16, "flareBright");
static_assert(offsetof(FilterParameters, flareFalloff) == 24, "flareFalloff");
static_assert(offsetof(FilterParameters, flareHue) == 32, "flareHue");
static_assert(offsetof(FilterParameters, haloSize) == 40, "haloSize");
static_assert(offsetof(FilterParameters, haloBright) == 48, "haloBright");
static_assert(offsetof(FilterParameters, haloHue) == 56, "haloHue");
static_assert(offsetof(FilterParameters, reflectionsSize) == 64, "reflectionsSize");
static_assert(offsetof(FilterParameters, reflectionsBright) == 72, "reflectionsBright");
static_assert(offsetof(FilterParameters, raysCount) == 80, "raysCount");
static_assert(offsetof(FilterParameters, raysBright) == 88, "raysBright");
static_assert(offsetof(FilterParameters, raysRotate) == 96, "raysRotate");
static_assert(offsetof(FilterParameters, raysSharp) == 104, "raysSharp");
static_assert(offsetof(FilterParameters, raysRNoise) == 112, "raysRNoise");
static_assert(offsetof(FilterParameters, raysSNoise) == 120, "raysSNoise");
static_assert(offsetof(FilterParameters, raysHue) == 128, "raysHue");
static_assert(offsetof(FilterParameters, anamorphicBright) == 136, "anamorphicBright");
static_assert(offsetof(FilterParameters, anamorphicRotate) == 144, "anamorphicRotate");
static_assert(offsetof(FilterParameters, anamorphicHue) == 152, "anamorphicHue");
static_assert(offsetof(FilterParameters, positionAspect) == 160, "positionAspect");
static_assert(offsetof(FilterParameters, previewScale) == 168, "previewScale");
static_assert(offsetof(FilterParameters, showDialog) == 176, "showDialog");
static_assert(offsetof(FilterParameters, reserved) == 178, "reserved");

// The 22 user settings, in record order: field, dialog group and label, control
// ids, typed and shown bounds, spin step and default.
extern const SettingsTable kFlareSettings;

// The dialog's buttons that load and save settings files.
constexpr int kLoadSettingsButton = HALVANE_LOAD_BUTTON;
constexpr int kSaveSettingsButton = HALVANE_SAVE_BUTTON;

// A record holding the defaults: the 22 settings, previewScale 0, showDialog 1,
// the reserved tail zero.
FilterParameters DefaultFlareParameters();

}  // namespace kelvo::flare
