// RenderFlare over random small deliveries with arbitrary settings records.
#include "flare_parameters.h"
#include "render_flare.h"
#include "render_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    flare::FilterParameters settings = flare::DefaultFlareParameters();
    fuzz::RenderAndCheck(data, size, &settings, sizeof settings, flare::RenderFlare);
    return 0;
}
