// What every caller needs to know of one filter, stated once: its names, its
// settings table and record, and its core entry. The modules, kelvo-render
// and the GEGL operations read it; the list of all filters is filter_list.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "deep_area.h"
#include "pixel_area.h"
#include "render_callbacks.h"
#include "settings_table.h"

namespace kelvo {

struct FilterDescription {
    const char* name;     // one lower-case word: kelvo-render's --filter value, "flare"
    const char* title;    // words of its own: "Lens Flare" (GEGL's and GIMP's names are made from it)
    const char* summary;  // one line: what the filter draws
    const SettingsTable* table;
    size_t recordSize;  // bytes of the settings record (at most kMaxSettingsRecordBytes)
    // Writes the defaults, with their run state, into a zero-filled record.
    void (*writeDefaults)(void* record);
    // Stores the reduction factor of the image being rendered (1: full size)
    // in the record's previewScale, in the record's own form, and brings a
    // stored record's values to what they draw (the glow's level, at most
    // the dialog's). Every caller calls it before rendering a record.
    void (*setPreviewScale)(void* record, int32_t factor);
    // The core entry: copies the area's input to its output and draws the
    // filter with the record's settings. False when the callbacks stopped it.
    bool (*render)(const PixelArea& area, const void* record, const RenderCallbacks& callbacks);
    // Draws the filter `factor` times larger than the record says, after
    // setPreviewScale, keeping a flare centre on its pixel; a factor of 1
    // leaves the record as it is. `scaleBlurb` says so to users (the GEGL
    // operations' scale property).
    void (*enlarge)(void* record, double factor);
    const char* scaleBlurb;
    // The deep entry (deep_area.h), for 16-bit and floating-point images:
    // what `render` draws, on samples kept in their own depth and scale.
    kelvo::RenderEnd (*renderDeep)(const kelvo::DeepArea& area, const void* record, const RenderCallbacks& callbacks);
};

// The largest settings record of any filter: what a caller that holds any
// filter's record in place reserves.
constexpr size_t kMaxSettingsRecordBytes = 192;

// The untyped functions of a description for a filter whose record is R
// (with a previewScale field), defaults come from `defaults` and the typed
// core entry is `render`.
template <typename R, R (*defaults)(), bool (*render)(const PixelArea&, const R&, const RenderCallbacks&),
          kelvo::RenderEnd (*renderDeep)(const kelvo::DeepArea&, const R&, const RenderCallbacks&)>
struct FilterEntries {
    static_assert(sizeof(R) <= kMaxSettingsRecordBytes, "the record fits");
    static void WriteDefaults(void* record) { *static_cast<R*>(record) = defaults(); }
    static void SetPreviewScale(void* record, int32_t factor) { static_cast<R*>(record)->previewScale = factor; }
    static bool Render(const PixelArea& area, const void* record, const RenderCallbacks& callbacks) {
        return render(area, *static_cast<const R*>(record), callbacks);
    }
    static kelvo::RenderEnd RenderDeep(const kelvo::DeepArea& area, const void* record,
                                       const RenderCallbacks& callbacks) {
        return renderDeep(area, *static_cast<const R*>(record), callbacks);
    }
};

}  // namespace kelvo
