// What Halvane supplies to the framework: its settings record and renderer.
#include "flare_parameters.h"
#include "module_hooks.h"
#include "render_flare.h"

namespace {
flare::FilterParameters* Settings(void* record) { return static_cast<flare::FilterParameters*>(record); }
}  // namespace

int32_t ModuleParametersSize() { return static_cast<int32_t>(sizeof(flare::FilterParameters)); }

void WriteModuleDefaults(void* record) { *Settings(record) = flare::DefaultFlareParameters(); }

int16_t* ModuleShowDialog(void* record) { return &Settings(record)->showDialog; }

void SetModulePreviewScale(void* record, int32_t factor) { Settings(record)->previewScale = factor; }

bool RenderModule(PluginGlobals* globals) { return flare::RenderFlare(globals); }
