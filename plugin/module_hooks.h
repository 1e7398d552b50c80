// What the plug-in plumbing asks of the module it is compiled into: everything
// in which Halvane and Emberlit differ. module_hooks.cpp makes them from the
// module's description (module_description.h); the plumbing is compiled
// unchanged into both modules.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin.h"

namespace kelvo {
struct SettingsTable;
}  // namespace kelvo

namespace kelvo::plugin {

// The module's settings table (what actions record and play, among others).
const SettingsTable& ModuleSettingsTable();

// Size in bytes of the module's settings record (FilterParameters).
int32_t ModuleParametersSize();

// Writes the module's defaults into a freshly made, zero-filled settings record.
void WriteModuleDefaults(void* record);

// The record's showDialog flag.
int16_t* ModuleShowDialog(void* record);

// Stores the reduction factor into the record's previewScale in the module's
// own form (a double in Halvane, an int32 in Emberlit).
void SetModulePreviewScale(void* record, int32_t factor);

// The name of the file in which the module remembers the settings of the last
// OK'd dialog, in the user's %LOCALAPPDATA%\Kelvo folder.
const wchar_t* ModuleRememberedFileName();

// Writes that file's bytes for a record (at most kRememberedFileRoom) and
// returns their count.
size_t EncodeModuleRemembered(const void* record, unsigned char* bytes);

// Takes the settings of a remembered file into a record; false, the record
// untouched, when the bytes are damaged or not the module's.
bool TakeModuleRemembered(const unsigned char* bytes, size_t size, void* record);

// The module's filter over the host's record (RenderFilterRecord). Returns
// false when the host's abortProc stopped the render.
bool RenderModule(PluginGlobals* globals);

}  // namespace kelvo::plugin
