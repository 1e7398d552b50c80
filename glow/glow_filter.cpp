#include "glow_filter.h"

#include "deep_glow.h"
#include "glow_parameters.h"
#include "glow_pass.h"
#include "render_glow.h"

namespace kelvo::glow {
namespace {

// The glow has no reduction factor of its own: its radius, the level in
// pixels, is multiplied instead (up to kMaxDrawnGlowRadius).
void EnlargeGlow(void* record, double factor) {
    if (factor == 1.0) return;
    FilterParameters& p = *static_cast<FilterParameters*>(record);
    p.glowLevel = ScaledGlowLevel(p.glowLevel, factor);
}

// Records are kept by hosts, and one may hold a level above what the dialog,
// settings and actions allow: it draws at kMaxGlowRadius, as it always has.
// Only an enlargement, made after this, draws wider.
void SetPreviewScale(void* record, int32_t factor) {
    FilterParameters& p = *static_cast<FilterParameters*>(record);
    p.previewScale = factor;
    if (p.glowLevel > kMaxGlowRadius) p.glowLevel = kMaxGlowRadius;
}

}  // namespace

using Entries = FilterEntries<FilterParameters, DefaultGlowParameters, RenderGlowArea, RenderGlowDeep>;

const FilterDescription kGlowFilter = {
    "glow", "Glow",
    "Pixels inside the threshold windows glow onto their neighbours over a disc, with a smooth fall-off",
    &kGlowSettings, sizeof(FilterParameters), Entries::kShowDialogOffset, Entries::WriteDefaults, SetPreviewScale,
    Entries::Render, EnlargeGlow,
    "Draws the glow this many times larger: its radius is the level times this, up to the widest radius the "
    "glow draws (120 pixels); 1 draws it as the settings say",
    Entries::RenderDeep,
    // It has no positions, and so no enlargeLook of its own; nor a settings file.
    nullptr, nullptr, nullptr,
};

}  // namespace kelvo::glow
