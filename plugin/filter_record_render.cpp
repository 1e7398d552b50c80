#include "filter_record_render.h"

#include "deep_record.h"
#include "plugin.h"

namespace kelvo::plugin {

namespace {

bool RecordAborted(void* context) {
    const auto* record = static_cast<const FilterRecord*>(context);
    return record->abortProc != nullptr && record->abortProc() != 0;
}

void RecordProgress(void* context, int32_t done, int32_t total) {
    const auto* record = static_cast<const FilterRecord*>(context);
    if (record->progressProc != nullptr) record->progressProc(done, total);
}

}  // namespace

bool FilterRecordArea(const FilterRecord* record, PixelArea* area) {
    *area = PixelArea{};
    if (record == nullptr || record->inData == nullptr || record->outData == nullptr) return false;
    const int32_t width = static_cast<int32_t>(record->inRect.right) - record->inRect.left;
    const int32_t height = static_cast<int32_t>(record->inRect.bottom) - record->inRect.top;
    const int32_t planes = record->planes;
    if (width <= 0 || height <= 0 || planes <= 0) return false;
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(planes);
    const size_t inStride = record->inRowBytes > 0 ? static_cast<size_t>(record->inRowBytes) : rowBytes;
    const size_t outStride = record->outRowBytes > 0 ? static_cast<size_t>(record->outRowBytes) : rowBytes;
    if (inStride < rowBytes || outStride < rowBytes) return false;
    area->in = static_cast<const uint8_t*>(record->inData);
    area->out = static_cast<uint8_t*>(record->outData);
    area->inRowBytes = inStride;
    area->outRowBytes = outStride;
    area->width = width;
    area->height = height;
    area->planes = planes;
    return true;
}

RenderCallbacks FilterRecordCallbacks(const FilterRecord* record) {
    RenderCallbacks callbacks;
    if (record == nullptr) return callbacks;
    callbacks.context = const_cast<FilterRecord*>(record);
    callbacks.aborted = RecordAborted;
    callbacks.progress = RecordProgress;
    return callbacks;
}

bool RenderFilterRecord(RenderEntry render, const FilterRecord* record, DeepRenderEntry renderDeep) {
    PixelArea area;
    if (!FilterRecordArea(record, &area)) return true;
    const void* settings = SettingsBlock(record);
    if (settings == nullptr) {  // no settings: the output stays a copy of the input
        CopyRecordInputToOutput(record);
        return true;
    }
    kelvo::DeepArea deep;
    if (renderDeep != nullptr && DeepAreaFromRecord(record, &deep))
        return renderDeep(deep, settings, FilterRecordCallbacks(record)) != kelvo::RenderEnd::Stopped;
    // The modules store the preview's reduction factor, or 1 for the final
    // render, in the record just before: the host's record is rendered at
    // full size or reduced, never enlarged.
    return render(area, settings, FilterRecordCallbacks(record));
}

}  // namespace kelvo::plugin
