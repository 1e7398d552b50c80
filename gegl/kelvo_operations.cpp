// What differs between kelvo:lens-flare and kelvo:glow; everything else is
// the shared operation (table_operation.h).
#include "kelvo_operations.h"

#include "render_flare.h"
#include "render_glow.h"

namespace kelvo_gegl {
namespace {

static_assert(sizeof(flare::FilterParameters) <= kMaxRecordBytes, "flare record fits");
static_assert(sizeof(glow::FilterParameters) <= kMaxRecordBytes, "glow record fits");

flare::FilterParameters& Flare(void* record) { return *static_cast<flare::FilterParameters*>(record); }
glow::FilterParameters& Glow(void* record) { return *static_cast<glow::FilterParameters*>(record); }

}  // namespace

const OperationDescription kLensFlareOperation = {
    "KelvoLensFlare", "kelvo:lens-flare", "Kelvo Lens Flare", "Kelvo _Lens Flare...",
    "A lens flare: a bright core, a halo ring, rays, an anamorphic streak and sixteen reflections "
    "along the line through the flare and the middle of the layer",
    &flare::kFlareSettings, sizeof(flare::FilterParameters), "positionX", "positionY",
    [](void* record) { Flare(record) = flare::DefaultFlareParameters(); },
    [](void* record, int32_t factor) { Flare(record).previewScale = factor; },
    [](const PixelArea& area, const void* record, const RenderCallbacks& callbacks) {
        return flare::RenderFlareArea(area, *static_cast<const flare::FilterParameters*>(record), callbacks);
    },
};

const OperationDescription kGlowOperation = {
    "KelvoGlow", "kelvo:glow", "Kelvo Glow", "Kelvo _Glow...",
    "Pixels inside the threshold windows glow onto their neighbours over a disc, with a smooth fall-off",
    &glow::kGlowSettings, sizeof(glow::FilterParameters), nullptr, nullptr,
    [](void* record) { Glow(record) = glow::DefaultGlowParameters(); },
    [](void* record, int32_t factor) { Glow(record).previewScale = factor; },
    [](const PixelArea& area, const void* record, const RenderCallbacks& callbacks) {
        return glow::RenderGlowArea(area, *static_cast<const glow::FilterParameters*>(record), callbacks);
    },
};

}  // namespace kelvo_gegl
