#include "deep_record.h"
#include "module_hooks.h"
#include "filter_record_render.h"
#include "plugin.h"
#include "script_parameters.h"

namespace kelvo::plugin {

namespace {

void EmptyRequest(FilterRecord* record) {
    SetHostRect(&record->inRect, 0, 0, 0, 0);
    SetHostRect(&record->outRect, 0, 0, 0, 0);
    // Hosts keep calling continue while maskRect is non-empty when they have a
    // mask; a finished run leaves nothing for them to find.
    SetHostRect(&record->maskRect, 0, 0, 0, 0);
}

// A host that calls start without a parameters call and without a settings
// record (it lost the record, or never asks for parameters) gets the user's
// remembered settings, or else the module's defaults, rendered at once without
// the dialog, as on a repeated run.
void* RequireSettings(PluginGlobals* globals) {
    FilterRecord* record = globals->filterRecord;
    if (void* block = SettingsBlock(record)) return block;
    void* block = NewSettingsRecord(record);
    if (block != nullptr) *ModuleShowDialog(block) = 0;
    return block;
}

// A played action brings its settings, and says whether to show them.
void ApplyPlayedAction(FilterRecord* record, void* settings) {
    const PlayedAction played = ReadScriptParameters(record, ModuleSettingsTable(), settings);
    if (played != PlayedAction::None) *ModuleShowDialog(settings) = played == PlayedAction::WithDialog ? 1 : 0;
}

// Shows the dialog, whose preview needs displayPixels; the result is
// userCanceledOrToldErr when the run ends there.
void ConfirmSettings(PluginGlobals* globals) {
    FilterRecord* record = globals->filterRecord;
    if (!RequireDisplayPixels(record->displayPixels)) {
        globals->result = userCanceledOrToldErr;
        return;
    }
    // What the user OK'd comes back in the next run of a host that forgets
    // the settings record.
    RunFilterDialog(globals);
    if (globals->result != userCanceledOrToldErr) RememberSettings(SettingsBlock(record));
    *ModuleShowDialog(SettingsBlock(record)) = 0;
}

// Asks for the whole filter area, every plane, at full size, in one piece.
void RequestWholeArea(FilterRecord* record) {
    RequestAllPlanes(record);
    record->outRect = record->filterRect;
    record->inRect = record->filterRect;
    if (record->haveMask != 0 && record->isFloating != 0) SetHostRect(&record->maskRect, 0, 0, 0, 0);
    record->inputRate = ToFixed(1);
    record->maskRate = ToFixed(1);
}

// Renders what the host delivered and hands it back.
void RenderDelivered(PluginGlobals* globals) {
    FilterRecord* record = globals->filterRecord;
    const Rect& area = record->filterRect;
    const bool filtersPixels = area.right > area.left && area.bottom > area.top;
    PixelArea delivered;
    if (filtersPixels && !FilterRecordArea(record, &delivered)) {
        // The host said yes but delivered no usable buffers (none, or rows
        // shorter than the area): nothing can be rendered, and an untouched
        // image must not pass for a filtered one.
        globals->result = filterBadParameters;
        return;
    }
    SetModulePreviewScale(SettingsBlock(record), 1);
    if (!RenderModule(globals)) {
        // The user stopped the run: nothing is handed back and the host is
        // told so, and keeps the image as it was. The output becomes the
        // input again for hosts that take it anyway.
        CopyRecordInputToOutput(record);
        globals->result = userCanceledErr;
        return;
    }
    globals->renderedThisRun = 1;
    globals->result = record->advanceState();
}

// HandleStart's steps, each ending the run with its result when it fails.
void RunStart(PluginGlobals* globals) {
    FilterRecord* record = globals->filterRecord;
    if (!ModeAccepted(record->imageMode)) {
        // A host that ignores the PiPL's modes: refused before any dialog or
        // request, as the host's own "bad mode" answer.
        globals->result = filterBadMode;
        return;
    }
    if (!RequireAdvanceState(record->advanceState)) {
        globals->result = userCanceledOrToldErr;
        return;
    }
    void* settings = RequireSettings(globals);
    if (settings == nullptr) {
        globals->result = memFullErr;
        return;
    }
    ApplyPlayedAction(record, settings);
    if (*ModuleShowDialog(settings) != 0) ConfirmSettings(globals);
    if (globals->result == userCanceledOrToldErr) return;
    RequestWholeArea(record);
    globals->result = record->advanceState();
    if (globals->result == noErr) RenderDelivered(globals);
}

}  // namespace

bool RequireAdvanceState(AdvanceStateProc proc) {
    if (proc != nullptr) return true;
    ShowHostMessage(kStringNeedsAdvanceState);
    return false;
}

bool RequireDisplayPixels(DisplayPixelsProc proc) {
    if (proc != nullptr) return true;
    ShowHostMessage(kStringNeedsDisplayPixels);
    return false;
}

// The whole run happens here: check the host's callbacks, show the dialog when
// the settings have not been confirmed for this run, ask for the whole filter
// area in one piece, render it and hand it back.
void HandleStart(PluginGlobals* globals) {
    globals->renderedThisRun = 0;
    RunStart(globals);
    EmptyRequest(globals->filterRecord);
}

void HandleContinue(PluginGlobals* globals) {
    EmptyRequest(globals->filterRecord);
    globals->result = noErr;
}

}  // namespace kelvo::plugin
