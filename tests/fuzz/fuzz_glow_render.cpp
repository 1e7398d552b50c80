// The glow's core entries (8-bit and deep) over random small areas with
// arbitrary settings records (windows, level, previewScale).
#include "glow_filter.h"
#include "glow_parameters.h"
#include "render_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvo;
    glow::FilterParameters settings = glow::DefaultGlowParameters();
    fuzz::RenderAndCheck(data, size, &settings, sizeof settings, glow::kGlowFilter.render,
                         glow::kGlowFilter.renderDeep);
    return 0;
}
