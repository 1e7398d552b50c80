#include "render_callbacks.h"

namespace {

bool HostAborted(void* context) {
    const auto* record = static_cast<const FilterRecord*>(context);
    return record->abortProc != nullptr && record->abortProc() != 0;
}

void HostProgress(void* context, int32_t done, int32_t total) {
    const auto* record = static_cast<const FilterRecord*>(context);
    if (record->progressProc != nullptr) record->progressProc(done, total);
}

}  // namespace

RenderCallbacks HostCallbacks(const FilterRecord* record) {
    RenderCallbacks callbacks;
    if (record == nullptr) return callbacks;
    callbacks.context = const_cast<FilterRecord*>(record);
    callbacks.aborted = HostAborted;
    callbacks.progress = HostProgress;
    return callbacks;
}
