// The callbacks the host puts in the record. They reach the host through the
// thread's active session, since the interface passes them no context.
#include "host_internal.h"

namespace kelvo::host {

HostSession* g_session = nullptr;

uint8_t KELVO_CDECL HostAbortProc() {
    HostSession* s = g_session;
    if (s == nullptr) return 0;
    ++s->report.abortCalls;
    const int after = s->options.abortAfterProgress;
    return after >= 0 && s->progressCount >= after ? 1 : 0;
}

void KELVO_CDECL HostProgressProc(int32_t done, int32_t total) {
    HostSession* s = g_session;
    if (s == nullptr) return;
    ReportLock lock(s);
    ++s->progressCount;
    s->report.progressCalls.push_back(ProgressCall{done, total});
}

int16_t KELVO_CDECL HostAdvanceState() {
    HostSession* s = g_session;
    if (s == nullptr || s->record == nullptr) return filterBadParameters;
    return ServeRequest(s, true);
}

int16_t KELVO_CDECL HostDisplayPixels(const PSPixelMap* source, const VRect* srcRect, int32_t dstRow, int32_t dstCol,
                                      void* platformContext) {
    HostSession* s = g_session;
    if (s == nullptr) return filterBadParameters;
    DisplayCall call;
    call.dstRow = dstRow;
    call.dstCol = dstCol;
    call.hasContext = platformContext != nullptr;
    if (source != nullptr) {
        call.map = *source;
        if (source->masks != nullptr) {
            call.hasMask = true;
            call.mask = *source->masks;
        }
    }
    if (srcRect != nullptr) call.srcRect = *srcRect;
    if (source != nullptr && srcRect != nullptr && platformContext != nullptr) {
        const HDC dc = static_cast<HDC>(platformContext);
        call.drawn = DrawPixelMap(s, *source, *srcRect, dstRow, dstCol, dc, &call.fromHostBuffer);
        call.window = WindowFromDC(dc);
        if (call.fromHostBuffer) CopyPixelMap(s, *source, *srcRect, &call.pixels, &call.maskPixels);
    } else {
        s->report.problems.push_back("displayPixels: null pixel map, rectangle or device context");
    }
    ReportLock lock(s);
    s->report.displayCalls.push_back(call);
    return call.drawn ? 0 : filterBadParameters;
}

}  // namespace kelvo::host
