#include "module_hooks.h"
#include "script_parameters.h"
#include "win32_module.h"

namespace kelvo::plugin {

void HandleAbout(PluginGlobals* globals) {
    const auto* about = reinterpret_cast<const AboutRecord*>(globals->filterRecord);
    wchar_t text[256] = L"";
    wchar_t caption[60] = L"";
    LoadStringW(moduleInstance, kStringAbout, text, 256);
    LoadStringW(moduleInstance, kStringCaption, caption, 60);
    MessageBoxW(HostWindow(about != nullptr ? about->platformData : nullptr), text, caption,
                MB_OK | MB_ICONINFORMATION);
    globals->result = noErr;
}

// Creates the settings record when the host holds none (from the remembered
// settings or the defaults), and in any case asks for the dialog at the next
// start. An existing record keeps all its values.
void HandleParameters(PluginGlobals* globals) {
    FilterRecord* record = globals->filterRecord;
    if (SettingsBlock(record) == nullptr && NewSettingsRecord(record) == nullptr) {
        globals->result = memFullErr;
        return;
    }
    *ModuleShowDialog(SettingsBlock(record)) = 1;
}

// The plug-in asks for no buffer memory from the host's budget.
void HandlePrepare(PluginGlobals* globals) { globals->filterRecord->bufferSpace = 0; }

// A run that rendered hands its settings to a host that records actions.
// Nothing is released: the settings belong to the host, and the globals stay
// in the data slot.
void HandleFinish(PluginGlobals* globals) {
    if (globals->renderedThisRun != 0)
        WriteScriptParameters(globals->filterRecord, ModuleSettingsTable(), SettingsBlock(globals->filterRecord));
    globals->renderedThisRun = 0;
}

}  // namespace kelvo::plugin
