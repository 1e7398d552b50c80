// A small filter module that plays the plug-in side of host behaviours our
// own modules never show: the classic tile-by-tile continue loop, a module
// that never empties its request, and one that writes past its rows. The test
// picks the behaviour through the exported ProbeSetMode before a run.
#include <cstdint>

#include "host_interface.h"

namespace kelvo::plugin {
namespace {

enum ProbeMode : int32_t {
    kTiles = 0,    // start asks for the first band; continue inverts it and asks for the next
    kNeverDone = 1,  // start asks for the whole area; continue leaves the request as it is
    kOverrun = 2,  // start writes one byte past every output row
};

int32_t g_mode = kTiles;
constexpr int16_t kBand = 16;

void EmptyRequest(FilterRecord* r) {
    r->inRect = Rect{0, 0, 0, 0};
    r->outRect = Rect{0, 0, 0, 0};
    r->maskRect = Rect{0, 0, 0, 0};
}

// Requests rows [top, top + kBand) of the filter area, or nothing past its end.
void RequestBand(FilterRecord* r, int16_t top) {
    if (top >= r->filterRect.bottom) {
        EmptyRequest(r);
        return;
    }
    int16_t bottom = static_cast<int16_t>(top + kBand);
    if (bottom > r->filterRect.bottom) bottom = r->filterRect.bottom;
    r->inRect = Rect{top, r->filterRect.left, bottom, r->filterRect.right};
    r->outRect = r->inRect;
    r->inLoPlane = r->outLoPlane = 0;
    r->inHiPlane = r->outHiPlane = static_cast<int16_t>(r->planes - 1);
}

void InvertBand(FilterRecord* r) {
    if (r->inData == nullptr || r->outData == nullptr) return;
    const int32_t width = r->outRect.right - r->outRect.left;
    const int32_t height = r->outRect.bottom - r->outRect.top;
    const int32_t bytes = width * (r->outHiPlane - r->outLoPlane + 1);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = static_cast<const uint8_t*>(r->inData) + static_cast<intptr_t>(y) * r->inRowBytes;
        uint8_t* out = static_cast<uint8_t*>(r->outData) + static_cast<intptr_t>(y) * r->outRowBytes;
        for (int32_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(255 - in[i]);
    }
}

}  // namespace
}  // namespace kelvo::plugin

extern "C" void KELVO_CDECL ProbeSetMode(int32_t mode) { kelvo::plugin::g_mode = mode; }

extern "C" void KELVO_CDECL ProbeEntry(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    using namespace kelvo::plugin;
    *result = 0;
    if (*data == 0) *data = 1;
    if (selector < filterSelectorParameters || selector > filterSelectorFinish) return;
    auto* r = static_cast<FilterRecord*>(record);
    if (selector == filterSelectorStart) {
        if (g_mode == kTiles) {
            RequestBand(r, r->filterRect.top);
        } else if (g_mode == kNeverDone) {
            r->inRect = r->filterRect;
            r->outRect = r->filterRect;
            r->inLoPlane = r->outLoPlane = 0;
            r->inHiPlane = r->outHiPlane = static_cast<int16_t>(r->planes - 1);
        } else if (g_mode == kOverrun) {
            RequestBand(r, r->filterRect.top);
            r->inRect.bottom = r->outRect.bottom = r->filterRect.bottom;
            *result = r->advanceState();
            if (*result == 0 && r->outData != nullptr) {
                const int32_t bytes = (r->outRect.right - r->outRect.left) * r->planes;
                for (int32_t y = 0; y < r->outRect.bottom - r->outRect.top; ++y)
                    static_cast<uint8_t*>(r->outData)[static_cast<intptr_t>(y) * r->outRowBytes + bytes] = 0;
            }
            EmptyRequest(r);
        }
    } else if (selector == filterSelectorContinue && g_mode == kTiles) {
        InvertBand(r);
        RequestBand(r, r->outRect.bottom);
    }
}
