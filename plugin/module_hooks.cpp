// The hooks of module_hooks.h, made from the module's description.
#include "module_hooks.h"

#include "filter_record_render.h"
#include "module_description.h"

namespace kelvo::plugin {

const SettingsTable& ModuleSettingsTable() { return *kModule.filter->table; }

int32_t ModuleParametersSize() { return static_cast<int32_t>(kModule.filter->recordSize); }

void WriteModuleDefaults(void* record) { kModule.filter->writeDefaults(record); }

int16_t* ModuleShowDialog(void* record) {
    return reinterpret_cast<int16_t*>(static_cast<unsigned char*>(record) + kModule.filter->showDialogOffset);
}

void SetModulePreviewScale(void* record, int32_t factor) { kModule.filter->setPreviewScale(record, factor); }

const wchar_t* ModuleRememberedFileName() { return kModule.rememberedFileName; }

size_t EncodeModuleRemembered(const void* record, unsigned char* bytes) {
    return kModule.encodeRemembered(record, bytes);
}

bool TakeModuleRemembered(const unsigned char* bytes, size_t size, void* record) {
    return kModule.takeRemembered(bytes, size, record);
}

bool RenderModule(PluginGlobals* globals) {
    return RenderFilterRecord(kModule.filter->render, globals != nullptr ? globals->filterRecord : nullptr,
                              kModule.filter->renderDeep);
}

}  // namespace kelvo::plugin
