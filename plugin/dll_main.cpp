#include "win32_module.h"

namespace kelvo::plugin {
HINSTANCE moduleInstance = nullptr;
}  // namespace kelvo::plugin

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) kelvo::plugin::moduleInstance = instance;
    return TRUE;
}
