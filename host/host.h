// kelvo_host: a Win32 filter host of our own, built to drive filter modules
// (.8bf) the way real editors do and to play the awkward hosts as well.
//
// It loads a module, reads its PiPL, makes a real top-level window, fills a
// FilterRecord (allocated larger than the published record, as hosts do) and
// calls the entry point selector by selector. It serves advanceState
// (rectangles, plane ranges, whole-number sampling rates, edge padding, row
// strides with guard bytes, taking back the previous request's output),
// displayPixels, abortProc and progressProc, and it answers the module's
// message boxes and dialog by itself, so nothing waits for a user.
//
// Everything the host sees is recorded in a RunReport. Callbacks have no
// context argument, so one session at a time is active on a thread.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host_image.h"
#include "host_interface.h"
#include "pipl.h"

namespace kelvo::host {

// The host speaks the plug-in interface (host_interface.h) in its own names.
using namespace plugin;

enum class DialogAnswer { Ok, Cancel };

class DialogDriver;
// Operates the module's dialog like a person, on a thread of its own, once the
// dialog is up (host_dialog.h). While it runs, the host answers no dialog by
// itself; when it returns with the dialog still open, the host answers it with
// the plan's DialogAnswer.
using DialogScript = std::function<void(DialogDriver&)>;

// One value of a descriptor (the settings of a recorded action) as the host
// keeps it. A played descriptor may hold anything: a type the module does not
// expect, a key it does not know, a NaN.
struct DescriptorItem {
    uint32_t key = 0;
    uint32_t type = 0;  // typeInteger, typeFloat, typeUnitFloat, or any other code
    uint32_t unit = 0;  // of a unit float
    int32_t integer = 0;
    double number = 0;
};
using Descriptor = std::vector<DescriptorItem>;

// How the host behaves. The defaults are a well-behaved modern host.
struct HostOptions {
    // Callbacks offered in the record.
    bool offerAdvanceState = true;
    bool offerDisplayPixels = true;
    // Plays the host that records and plays actions: descriptorParameters
    // with the read and write procedures, and handleProcs for the
    // descriptors' handles. Off: both are null, as in every other host.
    bool offerDescriptors = false;

    // advanceState misbehaving: the n-th call of a run (1-based; 0 = never)
    // answers failCode and delivers nothing ...
    int failAdvanceStateAt = 0;
    int16_t failAdvanceStateCode = memFullErr;
    // ... or answers 0 and delivers null buffers (0 = never, -1 = every call).
    int nullBuffersAt = 0;

    // abortProc answers true once this many progress calls were made in the
    // run; 0 = from the start, -1 = never.
    int abortAfterProgress = -1;

    // Selection: haveMask/isFloating/autoMask and the maskRect the host writes
    // into the record before start; mask pixels delivered with this value.
    bool haveMask = false;
    bool isFloating = false;
    bool autoMask = false;
    Rect maskRect = {0, 0, 0, 0};
    uint8_t maskValue = 255;

    // Image mode; -1 derives it from the plane count (1 grey, 3 RGB, 4 CMYK,
    // 2 and 5 or more multichannel).
    int16_t imageMode = -1;
    // A deep document (an image of 2- or 4-byte samples, host_image.h) is
    // described with depth 16 or 32 and, with imageMode -1, Gray16, RGB48,
    // DeepMultichannel or CMYK64 (16 bits), Gray32 or RGB96 (32 bits); an old
    // host leaves depth 0 and lets the mode say it.
    bool leaveDepthZero = false;
    // The last plane is transparency: inLayerPlanes/inTransparencyMask say so.
    bool transparencyPlane = false;
    // Filter rectangle; all zero means the whole image.
    Rect filterRect = {0, 0, 0, 0};

    // Buffers: extra bytes after each delivered row (filled with guard bytes
    // that are checked when the buffer is taken back), whether padding values
    // are honoured, whether bottom/right of a request are clamped to the
    // image, and what an output buffer holds when delivered (-1: the image's
    // current pixels; 0..255: that byte).
    int32_t rowSlack = 0;
    bool supportsPadding = true;
    bool clampRequests = false;
    int outputFill = -1;
    // Takes back the pending output when start/continue return 0, as the
    // classic continue loop does. Turn off with outputFill >= 0.
    bool takeBackOnReturn = true;

    // What the host keeps between runs.
    bool keepDataSlot = true;
    bool keepParameters = true;
    // Calls continue/finish even after a selector failed (most hosts stop).
    bool continueAfterFailure = false;
    // Continue calls allowed before the module is reported as looping.
    int continueCap = 64;

    int32_t maxSpace = 64 << 20;
    // Bytes allocated beyond the published FilterRecord (hosts allocate more).
    int32_t recordExtra = 1024;
    // The folder the module sees as %LOCALAPPDATA%, where it remembers the
    // settings of the last OK'd dialog (in Kelvo\). Empty: the host removes
    // LOCALAPPDATA from its environment, so the module remembers nothing and
    // every run starts as if no earlier run had been OK'd. Our tests and tools
    // share Wine prefixes, whose own %LOCALAPPDATA% would carry one test's
    // settings into the next; only the tests of remembering name a folder,
    // each a fresh one of its own.
    std::wstring rememberFolder;

    // Answer of every message box the module shows.
    int messageBoxAnswer = IDOK;
    // Shows the host window (it exists either way).
    bool showWindow = false;
};

// What one run does, in the order a user's action makes the host do it.
struct RunPlan {
    bool about = false;       // the about box first
    bool parameters = true;   // the user picked the filter with its dialog (false: a repeat)
    DialogAnswer dialog = DialogAnswer::Ok;
    // A Halvane settings file (185 bytes: 1, then the 184-byte record) copied
    // into `parameters` before the run; parameters is called first if there is
    // no record yet; showDialog then says whether the dialog is wanted.
    std::vector<uint8_t> settingsFile;
    // A settings record an editor stored with its document (a Smart Filter's,
    // say): copied over the module's record before the run, as much as the
    // record holds, after a parameters call if there is no record yet. Its
    // own showDialog then decides the dialog.
    std::vector<uint8_t> savedRecord;
    // When set, operates the filter dialog instead of the plain answer.
    DialogScript script;
    bool prepare = true;
    bool finish = true;
    // With offerDescriptors: plays an action, handing the module this
    // descriptor at start with playInfo (plugInDialogDontDisplay: the dialog
    // stays closed). Otherwise the run is recorded from an empty descriptor.
    bool playDescriptor = false;
    Descriptor descriptor;
    int16_t playInfo = plugInDialogDontDisplay;
};

struct SelectorCall {
    int16_t selector = 0;
    int16_t result = 0;
    intptr_t dataBefore = 0;
    intptr_t dataAfter = 0;
};

struct MessageBoxCall {
    std::wstring text;
    std::wstring caption;
    UINT type = 0;          // MB_* flags as passed
    HWND owner = nullptr;
    bool ownerIsHostWindow = false;
    bool wide = true;       // MessageBoxW (false: MessageBoxA)
    int16_t selector = -1;  // selector during which it was shown
};

struct DialogCall {
    std::wstring templateName;  // "#n" for a numeric template
    bool fromModule = false;    // instance handle is the module's
    HWND owner = nullptr;
    bool ownerIsHostWindow = false;
    LPARAM initParam = 0;
    bool shown = false;       // a dialog window was activated and answered
    bool forcedEnd = false;   // the host had to end it with EndDialog
    bool scripted = false;    // a DialogScript operated it
    std::vector<std::string> scriptProblems;  // what the script could not do
    INT_PTR endCode = 0;
    int16_t selector = -1;
};

struct AdvanceCall {
    int16_t selector = -1;
    bool duringDialog = false;
    // The request as the module left it in the record.
    Rect inRect{}, outRect{}, maskRect{};
    int16_t inLoPlane = 0, inHiPlane = 0, outLoPlane = 0, outHiPlane = 0;
    Fixed inputRate = 0, maskRate = 0;
    int16_t inputPadding = 0, outputPadding = 0, maskPadding = 0;
    uint8_t haveMask = 0, isFloating = 0;
    // The answer.
    int16_t answer = 0;
    bool inDelivered = false, outDelivered = false, maskDelivered = false;
    int32_t inRowBytes = 0, outRowBytes = 0, maskRowBytes = 0;
    std::string problem;  // what the host refused, if anything
    // The input delivered during the dialog (the preview's reduced copy of
    // the image): rows of inRect's width, planes interleaved, no gaps.
    std::vector<uint8_t> inPixels;
};

struct DisplayCall {
    PSPixelMap map{};
    bool hasMask = false;
    PSPixelMask mask{};
    VRect srcRect{};
    int32_t dstRow = 0, dstCol = 0;
    bool hasContext = false;
    bool fromHostBuffer = false;  // the pixel map lies inside a buffer the host delivered
    bool drawn = false;
    // What was drawn, copied from a host buffer: srcRect's rows, colBytes
    // bytes per pixel, no gaps; and the mask's bytes under the same pixels.
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> maskPixels;
    // Where the image went in the dialog's client area (dstCol, dstRow are
    // relative to the painted window's device context).
    HWND window = nullptr;
};

struct ProgressCall {
    int32_t done = 0;
    int32_t total = 0;
};

// A handle the module left in the record, seen as hosts that keep settings see
// it: a global-memory block of pointer size + 4 bytes with the signature.
struct HandleInfo {
    bool present = false;       // non-null
    bool isGlobal = false;      // made by the global-memory functions
    size_t recordSize = 0;      // GlobalSize of the handle record
    uint32_t signature = 0;
    size_t blockSize = 0;       // GlobalSize of the data block (0 if not global)
    std::vector<uint8_t> bytes; // the data block (blockSize bytes)
};

struct RunReport {
    std::vector<SelectorCall> selectors;
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<DialogCall> dialogs;
    std::vector<AdvanceCall> advanceCalls;
    std::vector<DisplayCall> displayCalls;
    std::vector<ProgressCall> progressCalls;
    int abortCalls = 0;
    int continueCount = 0;
    bool looping = false;  // continue hit the cap with a non-empty request
    int16_t result = 0;    // first non-zero selector result, else 0

    // The record after the run.
    Rect inRect{}, outRect{}, maskRect{};
    int32_t bufferSpace = 0, maxSpace = 0;

    int guardFaults = 0;                // guard or row-slack bytes overwritten
    std::vector<std::string> problems;  // protocol faults the host noticed
    intptr_t dataSlot = 0;
    HandleInfo settings;  // the `parameters` handle
    Image output;         // the image after the run

    // With offerDescriptors: the descriptor the module wrote (recordedAction
    // false when it wrote none), the recordInfo it left (kRecordInfoUnset if
    // untouched), and whether it disposed of the played descriptor's handle.
    bool recordedAction = false;
    Descriptor recorded;
    int16_t recordInfo = 0;
    bool playedDescriptorDisposed = false;
};

// recordInfo as the host leaves it before a run, so that a module that never
// sets it shows.
constexpr int16_t kRecordInfoUnset = 0x7EEE;

struct HostModule {
    std::wstring path;
    HMODULE module = nullptr;
    std::vector<uint8_t> piplBytes;
    pipl::PiplInfo pipl;
    std::vector<uint8_t> aeteBytes;  // the AETE resource the PiPL's 'hstm' names; empty without one
    PluginEntryProc entry = nullptr;
    int patchedImports = 0;  // import-table entries redirected to the host
};

struct HostBuffer;
struct HostSession;

// Loads the module, reads its PiPL, finds the entry point for this
// architecture, redirects its message-box and dialog imports, creates the
// host window and an empty record. Null with *error on failure.
HostSession* OpenHost(const std::wstring& modulePath, const HostOptions& options, std::string* error);
void CloseHost(HostSession* session);

HostOptions* Options(HostSession* session);
const HostModule& Module(const HostSession* session);
HWND HostWindow(const HostSession* session);
// The record handed to the module (at least recordExtra bytes longer than
// the published record).
FilterRecord* Record(HostSession* session);
intptr_t* DataSlot(HostSession* session);
// The document (the image the filter works on).
void SetImage(HostSession* session, const Image& image);
const Image& CurrentImage(const HostSession* session);

// Runs as the host runs a filter: [about,] [parameters,] [settings file,]
// prepare, start, continue while a request is pending (capped), finish.
RunReport RunFilter(HostSession* session, const RunPlan& plan);

// Selector by selector, for the tests of odd call orders: BeginRun applies the
// options to the record (and drops the slot or parameters if told to) and
// clears the log; CallSelector calls the entry point (the about record for
// selector 0); ContinueLoop calls continue while a request is pending; EndRun
// takes back what is pending and returns the report.
void BeginRun(HostSession* session, DialogAnswer dialog = DialogAnswer::Ok);
int16_t CallSelector(HostSession* session, int16_t selector);
int16_t ContinueLoop(HostSession* session);
RunReport EndRun(HostSession* session);
// The report so far, without ending the run.
const RunReport& CurrentReport(const HostSession* session);

// Copies a Halvane settings file (1, then the record's bytes) into the record
// in `parameters` (as much as the block holds), then sets the record's
// showDialog (offset 176) to the given value, as the run wants it. False when
// the file is not a settings file or `parameters` is not a handle the host
// can write into.
bool ApplySettingsFile(HostSession* session, const std::vector<uint8_t>& file, int16_t showDialog,
                       std::string* error);

// Looks at a handle the way settings-keeping hosts do. Never dereferences a
// pointer that is not a global-memory block.
HandleInfo InspectHandle(Handle handle);

// True when the rectangle asks for something (host loops test this).
bool RectPending(const Rect& r);

// Declares the process DPI aware (per monitor where the system knows it), as
// editors are; call before the first window.
void BecomeDpiAware();

// Text forms for the program and test messages.
std::string RectText(const Rect& r);
// UTF-8 and back.
std::string Narrow(const std::wstring& text);
std::wstring Wide(const std::string& text);

}  // namespace kelvo::host
