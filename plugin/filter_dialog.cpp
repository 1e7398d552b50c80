#include "win32_module.h"

namespace kelvo::plugin {

// Runs the module's modal settings dialog, owned by the host's window, with the
// working globals as its initialisation parameter. OK ends it with 1. Cancel
// (2), a dialog that failed to open (-1), or an invalid owner (0) abandon the
// run with result 1.
int RunFilterDialog(PluginGlobals* globals) {
    const FilterRecord* record = globals->filterRecord;
    const INT_PTR code = DialogBoxParamW(moduleInstance, L"FILTERPARAM", HostWindow(record->platformData), FilterProc,
                                         reinterpret_cast<LPARAM>(globals));
    if (code != IDOK) globals->result = userCanceledOrToldErr;
    return static_cast<int>(code);
}

}  // namespace kelvo::plugin
