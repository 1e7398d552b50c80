// RenderGlow over random small deliveries with arbitrary settings records
// (windows, level, previewScale).
#include "glow_parameters.h"
#include "render_fuzz_support.h"
#include "render_glow.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    glow::FilterParameters settings = glow::DefaultGlowParameters();
    fuzz::RenderAndCheck(data, size, &settings, sizeof settings, glow::RenderGlow);
    return 0;
}
