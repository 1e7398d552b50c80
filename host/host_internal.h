// The host's own state and the pieces its source files share. Not for users
// of the library: they see host.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host.h"

namespace kelvo::host {

// A buffer handed to the module: guard bytes before and after the rows, and
// each row followed by `rowSlack` more guard bytes.
struct HostBuffer {
    bool live = false;
    std::vector<uint8_t> storage;
    uint8_t* data = nullptr;  // first row
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;
    int32_t sampleBytes = 1;  // 1, 2 or 4: the document's depth (the mask: 1)
    int32_t rowBytes = 0;
    Rect rect{};            // image coordinates (input: sampled coordinates)
    int16_t loPlane = 0;
    Fixed rate = 0x10000;   // input and mask only
    // An output delivered while the dialog is up is the preview's drawing
    // surface, in reduced coordinates: it is never written into the document.
    bool previewSurface = false;
};

constexpr size_t kGuardBytes = 64;

struct DialogThreadState;
struct DescriptorHost;

// A dialog window the host has seen and is answering.
struct AnsweredWindow {
    HWND hwnd = nullptr;
    bool filterDialog = false;  // the module's dialog (else a stray box)
    int dialogIndex = -1;       // index into the report's dialogs
    int ticks = 0;
    bool scripted = false;      // the run's script operates it
    bool scriptStarted = false;
};

struct HostSession {
    HostModule module;
    HostOptions options;
    HWND window = nullptr;
    PlatformData platform{};
    std::vector<uint64_t> recordStorage;  // the FilterRecord and the extra bytes
    FilterRecord* record = nullptr;
    AboutRecord about{};
    intptr_t dataSlot = 0;

    Image image;
    Image imageAtRunStart;  // restored when a run fails, as editors undo a failed filter

    RunReport report;
    DialogAnswer dialogAnswer = DialogAnswer::Ok;
    int16_t currentSelector = -1;
    int dialogDepth = 0;
    int openDialogIndex = -1;
    int advanceCount = 0;  // explicit advanceState calls in this run
    int progressCount = 0;

    HostBuffer in, out, mask;

    HHOOK cbtHook = nullptr;
    std::vector<AnsweredWindow> answered;

    // The run's dialog script and, while it operates a dialog, its state.
    DialogScript script;
    DialogThreadState* scripted = nullptr;
    // Taken around what the dialog's thread adds to the report while a
    // script's thread reads it.
    CRITICAL_SECTION reportLock;

    // The descriptors, handles and procedure tables of a host that records
    // and plays actions (host_descriptor.cpp); null until first offered.
    DescriptorHost* descriptors = nullptr;
};

// A script operating the filter dialog from its own thread (host_dialog.cpp).
struct DialogThreadState {
    HostSession* session = nullptr;
    HWND dialog = nullptr;
    DWORD dialogThread = 0;
    int dialogIndex = -1;
    HANDLE thread = nullptr;
    HHOOK messageHook = nullptr;
    volatile LONG releasesSeen = 0;  // key and button releases the dialog's thread took
    LONG releasesSent = 0;
    volatile LONG done = 0;          // the script returned
    std::vector<std::string> problems;
};

// Report lock, held for a scope.
class ReportLock {
public:
    explicit ReportLock(HostSession* s) : s_(s) { EnterCriticalSection(&s_->reportLock); }
    ~ReportLock() { LeaveCriticalSection(&s_->reportLock); }
    ReportLock(const ReportLock&) = delete;
    ReportLock& operator=(const ReportLock&) = delete;

private:
    HostSession* s_;
};

// The session whose callbacks are live on this thread.
extern HostSession* g_session;

// ---- host_buffers.cpp ------------------------------------------------------------
// Serves a request as the record holds it: takes back the pending output,
// then delivers input, output and mask buffers (or fails as the options say).
// `explicitCall` is false for the host's own advance between continue calls.
int16_t ServeRequest(HostSession* s, bool explicitCall);
// Writes the pending output into the image (when asked), checks the guard
// bytes of every live buffer and releases them.
void ReleaseBuffers(HostSession* s, bool takeBackOutput);
// True when [first, last] lies inside one of the live buffers.
bool InsideLiveBuffer(const HostSession* s, const uint8_t* first, const uint8_t* last);

// ---- host_ui.cpp ------------------------------------------------------------------
bool CreateHostWindow(HostSession* s, std::string* error);
void DestroyHostWindow(HostSession* s);
void InstallDialogHook(HostSession* s);
void RemoveDialogHook(HostSession* s);
int PatchModuleImports(HMODULE module);
// Draws the pixel map into the device context (the displayPixels callback's work).
bool DrawPixelMap(HostSession* s, const PSPixelMap& map, const VRect& src, int32_t dstRow, int32_t dstCol, HDC dc,
                  bool* fromHostBuffer);

// Copies what a pixel map shows of srcRect (every column byte) and, when it
// has one, its mask's bytes; false when any byte lies outside the live buffers.
bool CopyPixelMap(HostSession* s, const PSPixelMap& map, const VRect& src, std::vector<uint8_t>* pixels,
                  std::vector<uint8_t>* maskPixels);

// ---- host_dialog.cpp --------------------------------------------------------------
// Starts the run's script on the filter dialog (from the dialog's thread,
// once it is up); true when a script took it.
bool StartDialogScript(HostSession* s, HWND dialog, int dialogIndex);
// True while a script operates the dialog (the host leaves it alone).
bool ScriptRunning(const HostSession* s);
// After the dialog ended: waits for the script's thread and files its problems.
void FinishDialogScript(HostSession* s);

// ---- host_descriptor.cpp ------------------------------------------------------------
// With offerDescriptors, points the fresh record at the host's descriptor
// parameters and handle procedures, with no descriptor and recordInfo unset.
void OfferDescriptors(HostSession* s);
// Hands the module a copy of the played descriptor, with playInfo.
void PlayDescriptor(HostSession* s, const Descriptor& played, int16_t playInfo);
// After the run: what the module recorded (and did with the played
// descriptor) into the report; the run's handles are released.
void CollectDescriptors(HostSession* s);
void FreeDescriptorHost(HostSession* s);

// ---- host_callbacks.cpp -----------------------------------------------------------
uint8_t KELVO_CDECL HostAbortProc();
void KELVO_CDECL HostProgressProc(int32_t done, int32_t total);
int16_t KELVO_CDECL HostAdvanceState();
int16_t KELVO_CDECL HostDisplayPixels(const PSPixelMap* source, const VRect* srcRect, int32_t dstRow, int32_t dstCol,
                                      void* platformContext);

}  // namespace kelvo::host
