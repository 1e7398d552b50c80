#include <cstring>

#include "module_hooks.h"
#include "win32_module.h"

namespace kelvo::plugin {

namespace {

// Moveable, zero-initialised global memory, locked at once; only the locked
// pointer is kept. Null when the memory cannot be had.
void* LockedGlobalBlock(SIZE_T size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (memory == nullptr) return nullptr;
    void* block = GlobalLock(memory);
    if (block == nullptr) GlobalFree(memory);
    return block;
}

void FreeLockedGlobalBlock(void* block) {
    HGLOBAL memory = GlobalHandle(block);
    if (memory == nullptr) return;
    GlobalUnlock(memory);
    GlobalFree(memory);
}

}  // namespace

// The record is exactly pointer size + 4 bytes, as hosts that keep settings
// between sessions expect. A record whose block cannot be had is released
// before null is returned, so a failed call leaks nothing. A negative size is
// refused; a size of 0 still gets a (one-byte) block, so `block` is never null.
PluginHandle* NewPluginHandle(int32_t size) {
    if (size < 0) return nullptr;
    auto* record = static_cast<PluginHandle*>(LockedGlobalBlock(sizeof(PluginHandle)));
    if (record == nullptr) return nullptr;
    void* block = LockedGlobalBlock(size > 0 ? static_cast<SIZE_T>(size) : 1);
    if (block == nullptr) {
        FreeLockedGlobalBlock(record);
        return nullptr;
    }
    record->block = block;
    record->signature = kPluginHandleSignature;
    return record;
}

void* NewSettingsRecord(FilterRecord* record) {
    PluginHandle* handle = NewPluginHandle(ModuleParametersSize());
    if (handle == nullptr) return nullptr;
    record->parameters = handle;
    WriteModuleDefaults(handle->block);
    RecallRememberedSettings(handle->block);
    return handle->block;
}

}  // namespace kelvo::plugin
