// A settings dialog with only OK and Cancel, for a module whose own dialog has
// not been built yet. OK ends it with 1, Cancel with 2.
#include "win32_module.h"

extern "C" INT_PTR CALLBACK FilterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}
