// The framework's chief header: the handle record, the per-instance globals and
// the framework operations that both modules compile in.
#pragma once

#include <cstdint>

#include "host_interface.h"

namespace kelvo::plugin {

// 'FOTO' as a 32-bit integer; in memory (little-endian) the bytes read O, T, O, F.
constexpr uint32_t kPluginHandleSignature = 0x464F544F;

// The plug-in's own handle record. Hosts that keep a plug-in's settings
// recognise it by its size (pointer size + 4 bytes) and the signature after the
// pointer, so it is packed to 4 bytes: 8 bytes on Win32, 12 on x64.
#pragma pack(push, 4)
struct PluginHandle {
    void* block;         // the zero-filled, locked data block
    uint32_t signature;  // kPluginHandleSignature
};
#pragma pack(pop)
static_assert(sizeof(PluginHandle) == sizeof(void*) + 4, "PluginHandle is pointer size + 4 bytes");

// Per-instance globals, kept in the block of a PluginHandle in the host's data slot.
struct PluginGlobals {
    int16_t result;              // result code of the selector being handled
    Rect previewRect;            // preview frame, then the reduced filter rectangle
    FilterRecord* filterRecord;  // current call's record (the about record for selector 0)
    uint8_t renderedThisRun;     // start rendered the image: finish records the settings
};

// 16.16 fixed-point form of a whole number.
inline int32_t ToFixed(int32_t n) { return static_cast<int32_t>(static_cast<uint32_t>(n) << 16); }

// Stores left, top, right, bottom into a host Rect (note the argument order).
inline void SetHostRect(Rect* rect, int16_t left, int16_t top, int16_t right, int16_t bottom) {
    rect->top = top;
    rect->left = left;
    rect->bottom = bottom;
    rect->right = right;
}

// Asks for every plane, interleaved, in input and output: 0 .. planes - 1.
inline void RequestAllPlanes(FilterRecord* record) {
    record->outLoPlane = 0;
    record->inLoPlane = 0;
    record->outHiPlane = static_cast<int16_t>(record->planes - 1);
    record->inHiPlane = record->outHiPlane;
}

inline bool HostRectIsEmpty(const Rect& r) { return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0; }

// The image modes the modules' PiPL lists ('mode' bytes 5F FF C0 00, one bit
// per mode from the high bit of the first byte on): greyscale, RGB, CMYK, HSL,
// HSB, multichannel, duotone and Lab at 8 bits per sample, their six 16-bit
// counterparts (Gray16 .. Duotone16), RGB96 and Gray32. Bitmap and indexed
// colour are not rendered.
constexpr uint32_t kAcceptedModeBits = 0x5FFFC000u;
inline bool ModeAccepted(int16_t imageMode) {
    return imageMode >= 0 && imageMode < 32 && (kAcceptedModeBits & (0x80000000u >> imageMode)) != 0;
}

// The settings record behind the host's `parameters`, or null when there is none.
inline void* SettingsBlock(const FilterRecord* record) {
    if (record == nullptr || record->parameters == nullptr) return nullptr;
    return static_cast<PluginHandle*>(record->parameters)->block;
}

// ---- Framework operations (Win32 side, plugin/*.cpp) ----------------------------
PluginHandle* NewPluginHandle(int32_t size);
// A new settings record in the host's `parameters` for a host that holds
// none: the user's remembered settings if there are valid ones, else the
// defaults, with the defaults' run state. Null when memory fails.
void* NewSettingsRecord(FilterRecord* record);
// The settings of the last OK'd dialog, kept for hosts that forget them:
// RememberSettings writes the record's settings to the user's remembered file,
// RecallRememberedSettings takes them from it into a record. Both are silent
// when there is no file or it cannot be written.
void RememberSettings(const void* record);
void RecallRememberedSettings(void* record);
void ShowHostMessage(int16_t stringId);
void HandleAbout(PluginGlobals* globals);
void HandleParameters(PluginGlobals* globals);
void HandlePrepare(PluginGlobals* globals);
void HandleFinish(PluginGlobals* globals);
void HandleStart(PluginGlobals* globals);
void HandleContinue(PluginGlobals* globals);
bool RequireAdvanceState(AdvanceStateProc proc);
bool RequireDisplayPixels(DisplayPixelsProc proc);
int RunFilterDialog(PluginGlobals* globals);

// String ids of the module string tables.
enum : int16_t {
    kStringAbout = 1,
    kStringCaption = 2,
    kStringSettingsFilter = 3,
    kStringPreviewUnavailable = 4,  // shown in the preview area when there is no preview
    kStringNeedsAdvanceState = 16996,
    kStringNeedsHost25 = 16997,
    kStringIncompatibleHost = 16998,
    kStringNeedsDisplayPixels = 16999,
};

}  // namespace kelvo::plugin
