// Win32 declarations shared by the framework's Windows files and each module's
// dialog: the module's instance handle and the exported entry points.
#pragma once

#include <windows.h>

#include "plugin.h"

namespace kelvo::plugin {

// The module's instance handle, set by DllMain at process attach and used for
// every string, dialog and file-name look-up of the module.
extern HINSTANCE moduleInstance;

}  // namespace kelvo::plugin

// The exported entry points stay global, with C linkage: the .def file and the
// PiPL name them.
extern "C" {
// The host's entry point, exported by name as ordinal 1.
void KELVO_CDECL ENTRYPOINT(int16_t selector, void* record, intptr_t* data, int16_t* result);
// The settings dialog's procedure, exported by name as ordinal 2; each module has its own.
INT_PTR CALLBACK FilterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
}

namespace kelvo::plugin {

// The window that owns the plug-in's windows: the first field of the host's
// platform data, or none when the host gives no platform data.
inline HWND HostWindow(const PlatformData* platform) {
    return platform != nullptr ? reinterpret_cast<HWND>(platform->hwnd) : nullptr;
}

}  // namespace kelvo::plugin
