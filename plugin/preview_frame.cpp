// Where the preview frame is: the window rectangle of control 101, read
// afresh from the window whenever it is needed.
#include "preview_panel.h"

namespace kelvo::plugin {

RECT PreviewBox(HWND dialog) {
    RECT box = {0, 0, 0, 0};
    GetWindowRect(GetDlgItem(dialog, kPreviewControlId), &box);
    return box;
}

RECT PreviewBoxClient(HWND dialog) {
    const RECT box = PreviewBox(dialog);
    POINT corners[2] = {{box.left, box.top}, {box.right, box.bottom}};
    ScreenToClient(dialog, &corners[0]);
    ScreenToClient(dialog, &corners[1]);
    return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

void GetPreviewFrame(HWND dialog, Rect* rect) {
    const RECT r = PreviewBoxClient(dialog);
    SetHostRect(rect, static_cast<int16_t>(r.left), static_cast<int16_t>(r.top), static_cast<int16_t>(r.right),
                static_cast<int16_t>(r.bottom));
}

}  // namespace kelvo::plugin
