// What Emberlit supplies to the framework: its settings record and renderer.
#include "glow_parameters.h"
#include "module_hooks.h"
#include "render_glow.h"

namespace {
glow::FilterParameters* Settings(void* record) { return static_cast<glow::FilterParameters*>(record); }
}  // namespace

int32_t ModuleParametersSize() { return static_cast<int32_t>(sizeof(glow::FilterParameters)); }

void WriteModuleDefaults(void* record) { *Settings(record) = glow::DefaultGlowParameters(); }

int16_t* ModuleShowDialog(void* record) { return &Settings(record)->showDialog; }

void SetModulePreviewScale(void* record, int32_t factor) { Settings(record)->previewScale = factor; }

bool RenderModule(PluginGlobals* globals) { return glow::RenderGlow(globals); }
