// What Halvane supplies to the framework: its settings record, remembered file and renderer.
#include "flare_parameters.h"
#include "module_hooks.h"
#include "remembered_flare.h"
#include "settings_file.h"
#include "remembered_settings.h"
#include "render_flare.h"

namespace {
flare::FilterParameters* Settings(void* record) { return static_cast<flare::FilterParameters*>(record); }
}  // namespace

int32_t ModuleParametersSize() { return static_cast<int32_t>(sizeof(flare::FilterParameters)); }

void WriteModuleDefaults(void* record) { *Settings(record) = flare::DefaultFlareParameters(); }

int16_t* ModuleShowDialog(void* record) { return &Settings(record)->showDialog; }

void SetModulePreviewScale(void* record, int32_t factor) { Settings(record)->previewScale = factor; }

const wchar_t* ModuleRememberedFileName() { return L"Halvane.lns"; }

size_t EncodeModuleRemembered(const void* record, unsigned char* bytes) {
    static_assert(flare::kSettingsFileSize <= kRememberedFileRoom, "room for the remembered file");
    flare::EncodeRememberedFlare(*static_cast<const flare::FilterParameters*>(record), bytes);
    return flare::kSettingsFileSize;
}

bool TakeModuleRemembered(const unsigned char* bytes, size_t size, void* record) {
    return flare::TakeRememberedFlare(bytes, size, Settings(record));
}

bool RenderModule(PluginGlobals* globals) { return flare::RenderFlare(globals); }
