#include "preview_source.h"

#include "module_hooks.h"
#include "filter_record_render.h"

namespace kelvo::plugin {

void CopyHostRect(Rect* destination, const Rect& source) { *destination = source; }

void InsetHostRect(Rect* rect, int16_t dh, int16_t dv) {
    rect->left = static_cast<int16_t>(rect->left + dh);
    rect->top = static_cast<int16_t>(rect->top + dv);
    rect->right = static_cast<int16_t>(rect->right - dh);
    rect->bottom = static_cast<int16_t>(rect->bottom - dv);
}

void ScaleHostRect(Rect* rect, int16_t numerator, int16_t denominator) {
    if (denominator == 0) return;
    const int32_t n = numerator, d = denominator;
    rect->top = static_cast<int16_t>(rect->top * n / d);
    rect->left = static_cast<int16_t>(rect->left * n / d);
    rect->bottom = static_cast<int16_t>(rect->bottom * n / d);
    rect->right = static_cast<int16_t>(rect->right * n / d);
}

bool FitPreviewRect(const Rect& filter, Rect* frame, int32_t* factor) {
    Rect inner = *frame;
    InsetHostRect(&inner, 1, 1);
    int16_t ph = static_cast<int16_t>(inner.bottom - inner.top);
    int16_t pw = static_cast<int16_t>(inner.right - inner.left);
    const int16_t fh = static_cast<int16_t>(filter.bottom - filter.top);
    const int16_t fw = static_cast<int16_t>(filter.right - filter.left);
    if (fh <= 0 || fw <= 0 || ph <= 0 || pw <= 0) return false;
    if (ph > fh) ph = fh;
    if (pw > fw) pw = fw;
    const int16_t wr = static_cast<int16_t>((int32_t{fw} + pw - 1) / pw);
    const int16_t hr = static_cast<int16_t>((int32_t{fh} + ph - 1) / ph);
    const int16_t scale = wr > hr ? wr : hr;
    CopyHostRect(frame, filter);
    ScaleHostRect(frame, 1, scale);
    *factor = scale;
    return true;
}

int16_t PreparePreviewSource(PluginGlobals* globals) {
    FilterRecord* record = globals->filterRecord;
    int32_t factor = 1;
    if (!FitPreviewRect(record->filterRect, &globals->previewRect, &factor)) {
        globals->result = kPreviewNotRequested;
        return globals->result;
    }
    const auto scale = static_cast<int16_t>(factor);
    if (void* settings = SettingsBlock(record)) SetModulePreviewScale(settings, factor);
    CopyHostRect(&record->inRect, record->filterRect);
    ScaleHostRect(&record->inRect, 1, scale);
    CopyHostRect(&record->outRect, record->filterRect);
    ScaleHostRect(&record->outRect, 1, scale);
    RequestAllPlanes(record);
    const bool floatingMask = record->haveMask != 0 && record->isFloating != 0;
    if (floatingMask) {
        CopyHostRect(&record->maskRect, record->filterRect);
        ScaleHostRect(&record->maskRect, 1, scale);
    }
    // A sampled inRect is in sampled coordinates: the coordinates of the
    // filter rectangle divided by the rate, not its size.
    record->inputRate = ToFixed(factor);
    if (record->haveMask != 0) record->maskRate = ToFixed(factor);
    record->inputPadding = -1;  // replicate edge pixels
    record->outputPadding = -1;
    if (floatingMask) record->maskPadding = -1;
    globals->result = record->advanceState();
    return globals->result;
}

bool PreviewBuffersUsable(const FilterRecord* record) {
    PixelArea area;
    if (record == nullptr || !FilterRecordArea(record, &area)) return false;
    // The panel shows outRect; the renderer works on inRect. They are equal
    // after the request, but a host may have changed either.
    return record->outRect.right - record->outRect.left == area.width &&
           record->outRect.bottom - record->outRect.top == area.height;
}

}  // namespace kelvo::plugin
