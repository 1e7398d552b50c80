// One GEGL filter operation for a module whose settings are declared in a
// settings table: a property per row, the record behind them, and a render of
// the whole layer in one call through the module's library entry. What
// differs between the filters is an OperationDescription (kelvo_operations.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include <glib-object.h>

#include "pixel_area.h"
#include "render_callbacks.h"
#include "settings_table.h"

namespace kelvo_gegl {

// The largest settings record an operation holds.
constexpr size_t kMaxRecordBytes = 192;

struct OperationDescription {
    const char* typeName;       // GType name, unique in the process
    const char* operationName;  // "kelvo:lens-flare"
    const char* title;          // GEGL's title and GIMP 2.10's label
    const char* menuLabel;      // GIMP 3's menu entry
    const char* description;    // one line
    const SettingsTable* table;
    size_t recordSize;  // at most kMaxRecordBytes
    // The settings that hold the flare centre, or null: they take any pixel
    // coordinate from -32768 to 32767 and carry GIMP's pick-from-image hints.
    const char* xSetting;
    const char* ySetting;
    // The record at its defaults.
    void (*writeDefaults)(void* record);
    // Stores the reduction factor of the image being rendered (1: full size).
    void (*setPreviewScale)(void* record, int32_t factor);
    // The module's library entry; `area` has distinct input and output.
    bool (*render)(const PixelArea& area, const void* record, const RenderCallbacks& callbacks);
};

// Registers the operation's type in the plug-in module.
GType RegisterTableOperation(GTypeModule* module, const OperationDescription* description);

}  // namespace kelvo_gegl
