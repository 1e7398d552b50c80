// A small filter module with a settings dialog of the modules' kind, for the
// tests of the host's dialog driver: two edit fields with spin scroll bars, a
// button that opens the platform's open dialog and one that opens its save
// dialog, OK and Cancel, and a preview drawn through displayPixels. It logs
// what the dialog receives, so the tests see exactly what real input caused.
//
// On start it asks the host for the whole image at half resolution (the
// preview's reduced copy), shows the dialog, and on OK inverts the delivered
// copy once more so the run completes.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host_interface.h"

namespace kelvo::plugin {
namespace {

HINSTANCE g_instance = nullptr;
FilterRecord* g_record = nullptr;
std::string g_log;
wchar_t g_path[260] = {};

enum : int {
    kFirstEdit = 1001,
    kFirstSpin = 1002,
    kSecondEdit = 1003,
    kSecondSpin = 1004,
    kOpenButton = 1005,
    kSaveButton = 1007,
    kPreview = 1010,
};

void Log(const std::string& line) {
    g_log += line;
    g_log += '\n';
}

std::string Narrow(const wchar_t* w) {
    std::string s;
    for (; *w != 0; ++w) s += static_cast<char>(*w < 128 ? *w : '?');
    return s;
}

void PaintPreview(HWND dialog) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    if (g_record != nullptr && g_record->outData != nullptr && g_record->displayPixels != nullptr) {
        RECT box{};
        GetWindowRect(GetDlgItem(dialog, kPreview), &box);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
        PSPixelMap map{};
        map.version = 1;
        map.bounds = VRect{g_record->outRect.top, g_record->outRect.left, g_record->outRect.bottom,
                           g_record->outRect.right};
        map.imageMode = g_record->imageMode;
        map.rowBytes = g_record->outRowBytes;
        map.colBytes = g_record->outHiPlane - g_record->outLoPlane + 1;
        map.planeBytes = 1;
        map.baseAddr = g_record->outData;
        g_record->displayPixels(&map, &map.bounds, box.top + 2, box.left + 2, dc);
    }
    EndPaint(dialog, &ps);
}

void FileDialog(HWND dialog, bool save) {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = L"Probe Files (*.PRB)\0*.prb\0";
    ofn.lpstrFile = g_path;
    ofn.nMaxFile = 260;
    ofn.lpstrDefExt = L"prb";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (save ? 0 : OFN_FILEMUSTEXIST);
    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    Log(std::string(save ? "save " : "open ") + (ok ? Narrow(g_path) : "cancelled"));
}

INT_PTR CALLBACK ProbeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetDlgItemTextW(dialog, kFirstEdit, L"100");
            SetDlgItemTextW(dialog, kSecondEdit, L"1.50");
            Log("init");
            return TRUE;
        case WM_PAINT:
            PaintPreview(dialog);
            return FALSE;
        case WM_VSCROLL: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            Log("scroll " + std::to_string(id) + " " + std::to_string(wParam));
            if (wParam == SB_LINEUP || wParam == SB_LINEDOWN) {
                const int edit = id - 1;
                BOOL ok = FALSE;
                const int v = static_cast<int>(GetDlgItemInt(dialog, edit, &ok, TRUE));
                SetDlgItemInt(dialog, edit, static_cast<UINT>(v + (wParam == SB_LINEUP ? 1 : -1)), TRUE);
                SetFocus(GetDlgItem(dialog, edit));
            }
            return TRUE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wParam), code = HIWORD(wParam);
            if (code == EN_SETFOCUS) Log("focus " + std::to_string(id));
            if (code == EN_CHANGE) {
                wchar_t text[64] = {};
                GetDlgItemTextW(dialog, id, text, 64);
                Log("change " + std::to_string(id) + " \"" + Narrow(text) + "\"");
            }
            if (code == EN_SETFOCUS || code == EN_CHANGE || code == EN_KILLFOCUS) return FALSE;
            if (id == IDOK || id == IDCANCEL) {
                Log(id == IDOK ? "ok" : "cancel");
                EndDialog(dialog, id);
                return TRUE;
            }
            if (id == kOpenButton || id == kSaveButton) {
                FileDialog(dialog, id == kSaveButton);
                return TRUE;
            }
            return FALSE;
        }
        default: return FALSE;
    }
}

}  // namespace
}  // namespace kelvo::plugin

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) kelvo::plugin::g_instance = instance;
    return TRUE;
}

// What the dialog received since the last call, one event a line.
extern "C" const char* KELVO_CDECL DialogProbeLog() {
    using namespace kelvo::plugin;
    static std::string last;
    last = g_log;
    g_log.clear();
    return last.c_str();
}

extern "C" void KELVO_CDECL DialogProbeEntry(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    using namespace kelvo::plugin;
    *result = 0;
    if (*data == 0) *data = 1;
    if (selector != filterSelectorStart) return;
    auto* r = static_cast<FilterRecord*>(record);
    g_record = r;
    r->inRect = Rect{0, 0, static_cast<int16_t>(r->filterRect.bottom / 2), static_cast<int16_t>(r->filterRect.right / 2)};
    r->outRect = r->inRect;
    r->inLoPlane = r->outLoPlane = 0;
    r->inHiPlane = r->outHiPlane = static_cast<int16_t>(r->planes - 1);
    r->inputRate = 2 << 16;
    if (r->advanceState() != 0) return;
    // The preview: the reduced copy, inverted.
    const int32_t bytes = (r->outRect.right - r->outRect.left) * r->planes;
    for (int32_t y = 0; y < r->outRect.bottom - r->outRect.top; ++y)
        for (int32_t i = 0; i < bytes; ++i)
            static_cast<uint8_t*>(r->outData)[static_cast<intptr_t>(y) * r->outRowBytes + i] = static_cast<uint8_t>(
                255 - static_cast<const uint8_t*>(r->inData)[static_cast<intptr_t>(y) * r->inRowBytes + i]);
    const INT_PTR end = DialogBoxParamW(g_instance, L"PROBEDIALOG", reinterpret_cast<HWND>(
        static_cast<PlatformData*>(r->platformData)->hwnd), ProbeDialogProc, 0);
    g_record = nullptr;
    if (end != IDOK) *result = userCanceledOrToldErr;
    r->inRect = r->outRect = Rect{0, 0, 0, 0};
}
