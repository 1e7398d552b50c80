#include "win32_module.h"

namespace kelvo::plugin {

// Modal error box with no owner window; the caption is always string 2.
void ShowHostMessage(int16_t stringId) {
    wchar_t text[256] = L"";
    wchar_t caption[128] = L"";
    LoadStringW(moduleInstance, static_cast<UINT>(static_cast<uint16_t>(stringId)), text, 256);
    LoadStringW(moduleInstance, kStringCaption, caption, 128);
    MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

}  // namespace kelvo::plugin
