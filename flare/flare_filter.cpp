#include "flare_filter.h"

#include <cstdint>

#include "deep_flare.h"
#include "flare_parameters.h"
#include "flare_scale.h"
#include "render_flare.h"
#include "settings_file.h"

namespace kelvo::flare {
namespace {

// Sizes, pixel distances and positions F times larger: the working scale
// divided by F, which the renderer divides them all by.
void EnlargeFlareLook(void* record, double factor) {
    FilterParameters& p = *static_cast<FilterParameters*>(record);
    p.previewScale = WorkingScale(p) * (1.0 / factor);
}

// Sizes and pixel distances F times larger. The centre names a pixel, so the
// record gets the position that lands nearest it once the renderer
// multiplies it by F (within F / 2).
void EnlargeFlare(void* record, double factor) {
    if (factor == 1.0) return;
    FilterParameters& p = *static_cast<FilterParameters*>(record);
    const double scale = 1.0 / factor;
    p.positionX = PositionLandingOn(p.positionX, scale, INT32_MIN, INT32_MAX);
    p.positionY = PositionLandingOn(p.positionY, scale, INT32_MIN, INT32_MAX);
    EnlargeFlareLook(record, factor);
}

// The centre's record position drawn nearest `pixel` at the record's working
// scale.
int32_t CentreFor(const void* record, int64_t pixel, int32_t low, int32_t high) {
    return PositionLandingOn(pixel, WorkingScale(*static_cast<const FilterParameters*>(record)), low, high);
}

}  // namespace

using Entries = FilterEntries<FilterParameters, DefaultFlareParameters, RenderFlareArea, RenderFlareDeep>;

const FilterDescription kFlareFilter = {
    "flare", "Lens Flare",
    "A lens flare: a bright core, a halo ring, rays, an anamorphic streak and sixteen reflections "
    "along the line through the flare and the middle of the layer",
    &kFlareSettings, sizeof(FilterParameters), Entries::kShowDialogOffset, Entries::WriteDefaults,
    Entries::SetPreviewScale, Entries::Render, EnlargeFlare,
    "Draws the flare this many times larger, its sizes and distances alike, around the same centre; 1 draws it "
    "as the settings say",
    Entries::RenderDeep, EnlargeFlareLook, CentreFor, &kSettingsFileFormat,
};

}  // namespace kelvo::flare
