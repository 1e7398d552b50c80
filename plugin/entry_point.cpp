#include <cstring>

#include "win32_module.h"

namespace kelvo::plugin {
namespace {

void Dispatch(int16_t selector, PluginGlobals* globals) {
    // Selectors that work on the filter record need one; a call without it
    // is refused like an unknown selector instead of being dereferenced.
    if (selector != filterSelectorAbout && selector >= filterSelectorParameters &&
        selector <= filterSelectorFinish && globals->filterRecord == nullptr) {
        globals->result = filterBadParameters;
        return;
    }
    switch (selector) {
        case filterSelectorAbout: HandleAbout(globals); break;
        case filterSelectorParameters: HandleParameters(globals); break;
        case filterSelectorPrepare: HandlePrepare(globals); break;
        case filterSelectorStart: HandleStart(globals); break;
        case filterSelectorContinue: HandleContinue(globals); break;
        case filterSelectorFinish: HandleFinish(globals); break;
        default: globals->result = filterBadParameters; break;
    }
}

}  // namespace
}  // namespace kelvo::plugin

// The host calls this once per selector. The globals live in the block of a
// PluginHandle whose address the host keeps in its data slot; every handler
// works on a copy on this stack frame, which is saved back at the end.
extern "C" void KELVO_CDECL ENTRYPOINT(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    using namespace kelvo::plugin;
    int16_t ignoredResult = 0;
    if (result == nullptr) result = &ignoredResult;

    PluginHandle* handle = data != nullptr ? reinterpret_cast<PluginHandle*>(*data) : nullptr;
    if (handle == nullptr) {
        handle = NewPluginHandle(static_cast<int32_t>(sizeof(PluginGlobals)));
        if (handle == nullptr) {
            *result = memFullErr;
            return;
        }
        // A host without a data slot gets fresh globals at every call.
        if (data != nullptr) *data = reinterpret_cast<intptr_t>(handle);
    }

    PluginGlobals working;
    std::memcpy(&working, handle->block, sizeof working);
    working.filterRecord = static_cast<FilterRecord*>(record);
    working.result = noErr;

    Dispatch(selector, &working);

    *result = working.result;
    std::memcpy(handle->block, &working, sizeof working);
}
