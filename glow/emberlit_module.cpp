// What Emberlit supplies to the framework: its settings record, remembered file and renderer.
#include "glow_parameters.h"
#include "module_hooks.h"
#include "remembered_glow.h"
#include "remembered_settings.h"
#include "render_glow.h"

namespace {
glow::FilterParameters* Settings(void* record) { return static_cast<glow::FilterParameters*>(record); }
}  // namespace

int32_t ModuleParametersSize() { return static_cast<int32_t>(sizeof(glow::FilterParameters)); }

void WriteModuleDefaults(void* record) { *Settings(record) = glow::DefaultGlowParameters(); }

int16_t* ModuleShowDialog(void* record) { return &Settings(record)->showDialog; }

void SetModulePreviewScale(void* record, int32_t factor) { Settings(record)->previewScale = factor; }

const wchar_t* ModuleRememberedFileName() { return L"Emberlit.glw"; }

size_t EncodeModuleRemembered(const void* record, unsigned char* bytes) {
    static_assert(glow::kRememberedGlowSize <= kRememberedFileRoom, "room for the remembered file");
    glow::EncodeRememberedGlow(*static_cast<const glow::FilterParameters*>(record), bytes);
    return glow::kRememberedGlowSize;
}

bool TakeModuleRemembered(const unsigned char* bytes, size_t size, void* record) {
    return glow::TakeRememberedGlow(bytes, size, Settings(record));
}

bool RenderModule(PluginGlobals* globals) { return glow::RenderGlow(globals); }
