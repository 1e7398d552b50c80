// How a caller of the renderers hears of their progress and stops them: two
// functions and a context of the caller's own (the modules hand on the host's
// abortProc and progressProc this way, kelvo-render its progress bar, the GEGL
// operations GEGL's progress).
#pragma once

#include <cstdint>

namespace kelvo {

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

}  // namespace kelvo
