#include "preview_panel.h"

#include <vector>

#include "deep_record.h"
#include "module_hooks.h"
#include "preview_source.h"

namespace kelvo::plugin {

PreviewDialogState previewDialog;

namespace {

// The area that stands in for the preview when there is none: the inside of
// the preview group box below its caption, or the whole of an invisible
// marker control.
RECT UnavailableArea(HWND dialog) {
    RECT area = PreviewBoxClient(dialog);
    const HWND control = GetDlgItem(dialog, kPreviewControlId);
    if ((GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX &&
        (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0) {
        RECT margins = {6, 11, 6, 6};  // dialog units: left, top (the caption), right, bottom
        MapDialogRect(dialog, &margins);
        area.left += margins.left;
        area.top += margins.top;
        area.right -= margins.right;
        area.bottom -= margins.bottom;
    }
    return area;
}

void PaintUnavailable(HWND dialog, HDC dc) {
    RECT area = UnavailableArea(dialog);
    if (area.right <= area.left || area.bottom <= area.top) return;
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    wchar_t text[128] = L"";
    if (LoadStringW(moduleInstance, kStringPreviewUnavailable, text, 128) <= 0) return;
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, RGB(0, 0, 0));
    InflateRect(&area, -2, -2);
    DrawTextW(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

void PaintImage(PluginGlobals* globals, HWND dialog, HDC dc) {
    const FilterRecord* record = globals->filterRecord;
    const RECT box = PreviewBox(dialog);
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    const int32_t width = record->outRect.right - record->outRect.left;
    const int32_t height = record->outRect.bottom - record->outRect.top;
    const auto left = static_cast<int16_t>((box.left + box.right - width) / 2 - origin.x);
    const auto top = static_cast<int16_t>((box.top + box.bottom - height) / 2 - origin.y);
    RECT frame = {left, top, left + width, top + height};
    InflateRect(&frame, 1, 1);
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    const int32_t planes = record->outHiPlane - record->outLoPlane + 1;
    PSPixelMap map = {};
    map.version = 1;
    map.bounds = VRect{record->outRect.top, record->outRect.left, record->outRect.bottom, record->outRect.right};
    map.imageMode = EightBitMode(record->imageMode);
    // Hosts that leave the stride unset deliver packed rows.
    map.rowBytes = record->outRowBytes > 0 ? record->outRowBytes : width * planes;
    map.colBytes = planes;
    map.planeBytes = 1;
    map.baseAddr = record->outData;
    // No host takes a deep pixel map: a 16- or 32-bit preview is shown from
    // its 8-bit copy.
    std::vector<uint8_t> eightBits;
    if (DocumentDepth(record) != 8) {
        if (!EightBitOutput(record, &eightBits)) return;
        map.rowBytes = width * planes;
        map.baseAddr = eightBits.data();
    }
    PSPixelMask mask = {};
    if (record->isFloating != 0 && record->maskData != nullptr) {
        mask.maskData = record->maskData;
        mask.rowBytes = record->maskRowBytes;
        mask.colBytes = 1;
        map.masks = &mask;
    } else if (record->inLayerPlanes != 0 && record->inTransparencyMask != 0) {
        mask.maskData = static_cast<uint8_t*>(map.baseAddr) + (record->outHiPlane - record->outLoPlane);
        mask.rowBytes = map.rowBytes;
        mask.colBytes = planes;
        map.masks = &mask;
    }
    record->displayPixels(&map, &map.bounds, top, left, dc);
}

}  // namespace

void BeginPreviewStart(HWND dialog, PluginGlobals* globals) {
    previewDialog.initialising = true;
    previewDialog.globals = globals;
    previewDialog.waitCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32514));  // IDC_WAIT
    previewDialog.previewReady = false;
    GetPreviewFrame(dialog, &globals->previewRect);
    if (PreparePreviewSource(globals) == noErr && PreviewBuffersUsable(globals->filterRecord)) {
        previewDialog.previewReady = true;
        RenderModule(globals);
    }
}

void PaintPreview(PluginGlobals* globals, HWND dialog) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    if (dc == nullptr) return;
    if (previewDialog.previewReady && globals != nullptr && globals->filterRecord->displayPixels != nullptr)
        PaintImage(globals, dialog, dc);
    else
        PaintUnavailable(dialog, dc);
    EndPaint(dialog, &paint);
}

void RefreshPreview(HWND dialog, PluginGlobals* globals) {
    const HCURSOR kept = SetCursor(previewDialog.waitCursor);
    if (!previewDialog.initialising && previewDialog.previewReady && globals != nullptr) RenderModule(globals);
    const RECT area = PreviewBoxClient(dialog);
    InvalidateRect(dialog, &area, FALSE);
    SetCursor(kept);
}

void ShowDialogMessage(HWND dialog, int16_t stringId, UINT icon) {
    wchar_t text[512] = L"";
    wchar_t caption[128] = L"";
    LoadStringW(moduleInstance, static_cast<UINT>(static_cast<uint16_t>(stringId)), text, 512);
    LoadStringW(moduleInstance, kStringCaption, caption, 128);
    MessageBoxW(dialog, text, caption, MB_OK | icon);
}

}  // namespace kelvo::plugin
