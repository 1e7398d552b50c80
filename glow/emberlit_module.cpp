// Emberlit: the glow as a module (module_description.h).
#include <cstddef>

#include "glow_filter.h"
#include "glow_parameters.h"
#include "module_description.h"
#include "remembered_glow.h"

namespace kelvo {

using EmberlitRemembered = plugin::RememberedEntries<glow::FilterParameters, glow::kRememberedGlowSize,
                                                     glow::EncodeRememberedGlow, glow::TakeRememberedGlow>;

const plugin::ModuleDescription plugin::kModule = {
    &glow::kGlowFilter, offsetof(glow::FilterParameters, showDialog),
    L"Emberlit.glw", EmberlitRemembered::Encode, EmberlitRemembered::Take,
};

}  // namespace kelvo
