// What every caller needs to know of one filter, stated once: its names, its
// settings table and record, and its core entry. The modules, kelvo-render
// and the GEGL operations read it; the list of all filters is filter_list.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "deep_area.h"
#include "enlargement_range.h"
#include "pixel_area.h"
#include "render_callbacks.h"
#include "settings_file_format.h"
#include "settings_table.h"

namespace kelvo {

struct FilterDescription {
    const char* name;     // one lower-case word: kelvo-render's --filter value, "flare"
    const char* title;    // words of its own: "Lens Flare" (GEGL's and GIMP's names are made from it)
    const char* summary;  // one line: what the filter draws
    const SettingsTable* table;
    size_t recordSize;  // bytes of the settings record (at most kMaxSettingsRecordBytes)
    // Of the record's int16 showDialog, run state: non-zero, a module's next
    // run shows its dialog first.
    size_t showDialogOffset;
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

    // What only some filters have; null for the others.
    //
    // kelvo-render's --scale and --scale-from: draws, after setPreviewScale, a
    // look made on a picture `factor` times narrower on this one. Like
    // `enlarge`, except that positions move with the factor (the record keeps
    // them, and the renderer multiplies them by it) instead of staying on
    // their pixels. Null: `enlarge` does it, for a filter without positions.
    void (*enlargeLook)(void* record, double factor);
    // The record position that a position setting (SettingRole::PositionX/Y)
    // takes to be drawn on `pixel`, nearest within low..high, as the record's
    // preview scale and enlargement stand. Null: positions name their pixels.
    int32_t (*positionFor)(const void* record, int64_t pixel, int32_t low, int32_t high);
    // Its own settings file (kelvo-render's --settings and --save-settings).
    const SettingsFileFormat* settingsFile;
};

// The largest settings record of any filter: what a caller that holds any
// filter's record in place reserves.
constexpr size_t kMaxSettingsRecordBytes = 192;
// The strictest alignment of any record's members (int32, int16, double and
// bytes): what that place is aligned to.
constexpr size_t kSettingsRecordAlignment = alignof(double);

// The untyped functions of a description for a filter whose record is R
// (with previewScale and showDialog fields), defaults come from `defaults`
// and the typed core entry is `render`.
template <typename R, R (*defaults)(), bool (*render)(const PixelArea&, const R&, const RenderCallbacks&),
          kelvo::RenderEnd (*renderDeep)(const kelvo::DeepArea&, const R&, const RenderCallbacks&)>
struct FilterEntries {
    static_assert(sizeof(R) <= kMaxSettingsRecordBytes, "the record fits");
    static_assert(alignof(R) <= kSettingsRecordAlignment, "the record's place is aligned for it");
    static constexpr size_t kShowDialogOffset = offsetof(R, showDialog);
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
