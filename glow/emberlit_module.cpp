// Emberlit: the glow as a module (module_description.h).
#include "glow_filter.h"
#include "module_description.h"
#include "remembered_glow.h"

const kelvo::plugin::ModuleDescription kelvo::plugin::kModule =
    DescribeModule<glow::FilterParameters, glow::kRememberedGlowSize, glow::EncodeRememberedGlow,
                   glow::TakeRememberedGlow>(&glow::kGlowFilter, L"Emberlit.glw");
