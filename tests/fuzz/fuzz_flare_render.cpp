// The flare's core entries (8-bit and deep) over random small areas with
// arbitrary settings records.
#include "flare_filter.h"
#include "flare_parameters.h"
#include "render_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvo;
    flare::FilterParameters settings = flare::DefaultFlareParameters();
    fuzz::RenderAndCheck(data, size, &settings, sizeof settings, flare::kFlareFilter.render,
                         flare::kFlareFilter.renderDeep);
    return 0;
}
