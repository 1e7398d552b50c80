// The DialogDriver's eyes: the dialog window as it stands on the screen.
#include "host_dialog.h"
#include "host_internal.h"

namespace kelvo::host {

bool DialogDriver::Capture(Image* image) const {
    WaitIdle();
    // The title bar drawn active. Another window of the display may have
    // taken the foreground since the dialog opened; and Wine can leave the
    // caption drawn inactive when a dialog gets the foreground back while it
    // is being set up, so it is drawn again as the active window it is.
    if (GetForegroundWindow() != dialog_) {
        SetForegroundWindow(dialog_);
        const DWORD start = GetTickCount();
        while (GetForegroundWindow() != dialog_ && GetTickCount() - start < 2000) Sleep(10);
    }
    if (GetForegroundWindow() == dialog_) SendMessageW(dialog_, WM_NCACTIVATE, TRUE, 0);
    RECT r{};
    if (!GetWindowRect(dialog_, &r)) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    // The screen's pixels, so that what the controls and displayPixels drew
    // is taken as a person sees it (a WM_PRINT would skip the preview, which
    // the dialog paints only in WM_PAINT).
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr && bits != nullptr;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, old);
    }
    if (ok) {
        *image = MakeImage(w, h, 3);
        const auto* px = static_cast<const uint8_t*>(bits);
        for (int i = 0; i < w * h; ++i) {
            image->pixels[static_cast<size_t>(i) * 3 + 0] = px[i * 4 + 2];
            image->pixels[static_cast<size_t>(i) * 3 + 1] = px[i * 4 + 1];
            image->pixels[static_cast<size_t>(i) * 3 + 2] = px[i * 4 + 0];
        }
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace kelvo::host
