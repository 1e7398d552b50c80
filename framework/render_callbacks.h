// How a caller of the renderers hears of their progress and stops them. The
// modules hand on the host's abortProc and progressProc; kelvo-render and the
// GEGL operations pass their own functions with a context of their own.
#pragma once

#include <cstdint>

#include "host_interface.h"

struct RenderCallbacks {
    void* context = nullptr;
    // Asked before each row; true stops the render. May be null: never stops.
    bool (*aborted)(void* context) = nullptr;
    // Told `done` of `total` rows. May be null.
    void (*progress)(void* context, int32_t done, int32_t total) = nullptr;
};

inline bool RenderAborted(const RenderCallbacks& callbacks) {
    return callbacks.aborted != nullptr && callbacks.aborted(callbacks.context);
}

inline void RenderProgress(const RenderCallbacks& callbacks, int32_t done, int32_t total) {
    if (callbacks.progress != nullptr) callbacks.progress(callbacks.context, done, total);
}

// The host's abortProc and progressProc behind the record, as callbacks; a
// missing record or procedure is never asked or told anything.
RenderCallbacks HostCallbacks(const FilterRecord* record);
