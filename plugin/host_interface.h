// The host's filter plug-in interface: records, callbacks, selectors and result
// codes, declared byte for byte as hosts lay them out on Win32 and on x64.
//
// Portable on purpose (no windows.h): the renderers and the command-line tools
// build these records natively, and the offsets are checked for both pointer
// sizes at compile time.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define KELVO_CDECL __cdecl
#else
#define KELVO_CDECL
#endif

namespace kelvo::plugin {

// ---- Selectors passed to the entry point -----------------------------------
enum : int16_t {
    filterSelectorAbout = 0,
    filterSelectorParameters = 1,
    filterSelectorPrepare = 2,
    filterSelectorStart = 3,
    filterSelectorContinue = 4,
    filterSelectorFinish = 5,
};

// ---- Result codes ------------------------------------------------------------
enum : int16_t {
    noErr = 0,
    userCanceledOrToldErr = 1,  // positive: the user has already been told
    userCanceledErr = -128,  // the user stopped the operation; the host keeps the image as it was
    memFullErr = -108,
    filterBadParameters = -30100,
    filterBadMode = -30101,  // the filter does not work in the image's mode
};

// ---- Image modes (imageMode) ---------------------------------------------------
enum : int16_t {
    plugInModeBitmap = 0,
    plugInModeGrayScale = 1,
    plugInModeIndexedColor = 2,
    plugInModeRGBColor = 3,
    plugInModeCMYKColor = 4,
    plugInModeHSLColor = 5,
    plugInModeHSBColor = 6,
    plugInModeMultichannel = 7,
    plugInModeDuotone = 8,
    plugInModeLabColor = 9,
};

// ---- Small records ---------------------------------------------------------------
struct Point {
    int16_t v;
    int16_t h;
};

struct Rect {  // host rectangle: top, left, bottom, right
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

struct VRect {
    int32_t top;
    int32_t left;
    int32_t bottom;
    int32_t right;
};

struct RGBColor {
    uint16_t red;
    uint16_t green;
    uint16_t blue;
};

struct PlugInMonitor {
    int32_t gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

using Fixed = int32_t;  // 16.16 fixed point; 1.0 is 0x00010000
using Handle = void*;   // opaque to the host: the plug-in's PluginHandle

struct PlatformData {
    intptr_t hwnd;  // the host's main window
};

struct AboutRecord {
    PlatformData* platformData;
    void* sSPBasic;
    void* plugInRef;
    char reserved[244];
};

struct PSPixelMask {
    PSPixelMask* next;
    void* maskData;
    int32_t rowBytes;
    int32_t colBytes;
    int32_t maskDescription;  // 0: simple mask
};

struct PSPixelMap {
    int32_t version;
    VRect bounds;
    int32_t imageMode;
    int32_t rowBytes;
    int32_t colBytes;
    int32_t planeBytes;
    void* baseAddr;
    PSPixelMask* mat;
    PSPixelMask* masks;
    int32_t maskPhaseRow;
    int32_t maskPhaseCol;
};

// ---- Callbacks ---------------------------------------------------------------------
using TestAbortProc = uint8_t(KELVO_CDECL*)();
using ProgressProc = void(KELVO_CDECL*)(int32_t done, int32_t total);
using AdvanceStateProc = int16_t(KELVO_CDECL*)();
using DisplayPixelsProc = int16_t(KELVO_CDECL*)(const PSPixelMap* source, const VRect* srcRect,
                                                int32_t dstRow, int32_t dstCol, void* platformContext);
using HostProc = void(KELVO_CDECL*)(int16_t selector, intptr_t* data);
using ProcessEventProc = void(KELVO_CDECL*)(void* event);
using ColorServicesProc = int16_t(KELVO_CDECL*)(void* info);

// The plug-in's exported entry point.
using PluginEntryProc = void(KELVO_CDECL*)(int16_t selector, void* record, intptr_t* data, int16_t* result);

// ---- Handles the host makes (handleProcs) -------------------------------------------
// The host's own handles: a descriptor is one, and the plug-in disposes of the
// descriptor it has read through disposeProc. Natural alignment, no pack pragma.
using NewPIHandleProc = Handle(KELVO_CDECL*)(int32_t size);
using DisposePIHandleProc = void(KELVO_CDECL*)(Handle handle);
using GetPIHandleSizeProc = int32_t(KELVO_CDECL*)(Handle handle);
using SetPIHandleSizeProc = int16_t(KELVO_CDECL*)(Handle handle, int32_t size);
using LockPIHandleProc = void*(KELVO_CDECL*)(Handle handle, uint8_t moveHigh);
using UnlockPIHandleProc = void(KELVO_CDECL*)(Handle handle);
using RecoverSpaceProc = void(KELVO_CDECL*)(int32_t size);

struct HandleProcs {
    int16_t handleProcsVersion;  // kCurrentHandleProcsVersion
    int16_t numHandleProcs;      // how many of the pointers below the host fills
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
    DisposePIHandleProc disposeRegularHandleProc;
};
constexpr int16_t kCurrentHandleProcsVersion = 1;

// ---- Scripting: descriptors, the settings of a recorded or played action -------------
// Keys, types and units are four-character codes held as integers whose most
// significant byte is the first character.
constexpr uint32_t FourCharCode(const char (&code)[5]) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}
using DescriptorKeyID = uint32_t;
using DescriptorTypeID = uint32_t;
using DescriptorUnitID = uint32_t;
using PIDescriptorHandle = Handle;  // a host handle holding a descriptor
using PIReadDescriptor = void*;     // the host's token for a descriptor being read
using PIWriteDescriptor = void*;    // ... or written

constexpr DescriptorTypeID typeInteger = FourCharCode("long");
constexpr DescriptorTypeID typeFloat = FourCharCode("doub");
constexpr DescriptorTypeID typeUnitFloat = FourCharCode("UntF");
constexpr DescriptorTypeID typeNull = FourCharCode("null");
constexpr DescriptorUnitID unitAngle = FourCharCode("#Ang");   // degrees
constexpr DescriptorUnitID unitPixels = FourCharCode("#Pxl");

// playInfo: what the host asks of a played action's dialog.
enum : int16_t {
    plugInDialogDontDisplay = 0,
    plugInDialogDisplay = 1,
    plugInDialogSilent = 2,
};
// recordInfo: what the plug-in lets the recorded action do with its dialog.
enum : int16_t {
    plugInDialogOptional = 0,
    plugInDialogRequired = 1,
    plugInDialogNone = 2,
};

using OpenReadDescriptorProc = PIReadDescriptor(KELVO_CDECL*)(PIDescriptorHandle descriptor,
                                                              DescriptorKeyID* expectedKeys);
using CloseReadDescriptorProc = int16_t(KELVO_CDECL*)(PIReadDescriptor token);
using GetKeyProc = uint8_t(KELVO_CDECL*)(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type,
                                         int32_t* flags);
using GetIntegerProc = int16_t(KELVO_CDECL*)(PIReadDescriptor token, int32_t* value);
using GetFloatProc = int16_t(KELVO_CDECL*)(PIReadDescriptor token, double* value);
using GetUnitFloatProc = int16_t(KELVO_CDECL*)(PIReadDescriptor token, DescriptorUnitID* unit, double* value);

struct ReadDescriptorProcs {
    int16_t readDescriptorProcsVersion;  // kCurrentReadDescriptorProcsVersion
    int16_t numReadDescriptorProcs;      // at least kCurrentReadDescriptorProcsCount
    OpenReadDescriptorProc openReadDescriptorProc;
    CloseReadDescriptorProc closeReadDescriptorProc;
    GetKeyProc getKeyProc;
    GetIntegerProc getIntegerProc;
    GetFloatProc getFloatProc;
    GetUnitFloatProc getUnitFloatProc;
    void* getBooleanProc;  // the rest are not used by our modules
    void* getTextProc;
    void* getAliasProc;
    void* getEnumeratedProc;
    void* getClassProc;
    void* getSimpleReferenceProc;
    void* getObjectProc;
    void* getCountProc;
    void* getStringProc;
    void* getPinnedIntegerProc;
    void* getPinnedFloatProc;
    void* getPinnedUnitFloatProc;
};
constexpr int16_t kCurrentReadDescriptorProcsVersion = 0;
constexpr int16_t kCurrentReadDescriptorProcsCount = 18;

using OpenWriteDescriptorProc = PIWriteDescriptor(KELVO_CDECL*)();
using CloseWriteDescriptorProc = int16_t(KELVO_CDECL*)(PIWriteDescriptor token, PIDescriptorHandle* descriptor);
using PutIntegerProc = int16_t(KELVO_CDECL*)(PIWriteDescriptor token, DescriptorKeyID key, int32_t value);
using PutFloatProc = int16_t(KELVO_CDECL*)(PIWriteDescriptor token, DescriptorKeyID key, const double* value);
using PutUnitFloatProc = int16_t(KELVO_CDECL*)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorUnitID unit,
                                               const double* value);

struct WriteDescriptorProcs {
    int16_t writeDescriptorProcsVersion;  // kCurrentWriteDescriptorProcsVersion
    int16_t numWriteDescriptorProcs;      // at least kCurrentWriteDescriptorProcsCount
    OpenWriteDescriptorProc openWriteDescriptorProc;
    CloseWriteDescriptorProc closeWriteDescriptorProc;
    PutIntegerProc putIntegerProc;
    PutFloatProc putFloatProc;
    PutUnitFloatProc putUnitFloatProc;
    void* putBooleanProc;  // the rest are not used by our modules
    void* putTextProc;
    void* putAliasProc;
    void* putEnumeratedProc;
    void* putClassProc;
    void* putSimpleReferenceProc;
    void* putObjectProc;
    void* putCountProc;
    void* putStringProc;
    void* putScopedClassProc;
    void* putScopedObjectProc;
};
constexpr int16_t kCurrentWriteDescriptorProcsVersion = 0;
constexpr int16_t kCurrentWriteDescriptorProcsCount = 16;

// What FilterRecord.descriptorParameters points at in a host that records and
// plays actions; null in every other host.
struct PIDescriptorParameters {
    int16_t descriptorParametersVersion;  // kCurrentDescriptorParametersVersion
    int16_t playInfo;                     // plugInDialogDontDisplay, ...Display or ...Silent
    int16_t recordInfo;                   // set by the plug-in at finish
    PIDescriptorHandle descriptor;        // the settings to play at start; the recorded ones after finish
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
};
constexpr int16_t kCurrentDescriptorParametersVersion = 0;

// ---- The parameter block -------------------------------------------------------------
#pragma pack(push, 4)
struct FilterRecord {
    int32_t serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    Handle parameters;
    Point imageSize;
    int16_t planes;
    Rect filterRect;
    RGBColor background;
    RGBColor foreground;
    int32_t maxSpace;
    int32_t bufferSpace;
    Rect inRect;
    int16_t inLoPlane;
    int16_t inHiPlane;
    Rect outRect;
    int16_t outLoPlane;
    int16_t outHiPlane;
    void* inData;
    int32_t inRowBytes;
    void* outData;
    int32_t outRowBytes;
    uint8_t isFloating;
    uint8_t haveMask;
    uint8_t autoMask;
    Rect maskRect;
    void* maskData;
    int32_t maskRowBytes;
    uint8_t backColor[4];
    uint8_t foreColor[4];
    uint32_t hostSig;
    HostProc hostProc;
    int16_t imageMode;
    Fixed imageHRes;
    Fixed imageVRes;
    Point floatCoord;
    Point wholeSize;
    PlugInMonitor monitor;
    PlatformData* platformData;
    void* bufferProcs;
    void* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    uint8_t supportsDummyChannels;
    uint8_t supportsAlternateLayouts;
    int16_t wantLayout;
    int16_t filterCase;
    int16_t dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    uint8_t supportsAbsolute;
    uint8_t wantsAbsolute;
    void* getPropertyObsolete;
    uint8_t cannotUndo;
    uint8_t supportsPadding;
    int16_t inputPadding;
    int16_t outputPadding;
    int16_t maskPadding;
    char samplingSupport;
    char reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    ColorServicesProc colorServices;
    int16_t inLayerPlanes;
    int16_t inTransparencyMask;
    int16_t inLayerMasks;
    int16_t inInvertedLayerMasks;
    int16_t inNonLayerPlanes;
    int16_t outLayerPlanes;
    int16_t outTransparencyMask;
    int16_t outLayerMasks;
    int16_t outInvertedLayerMasks;
    int16_t outNonLayerPlanes;
    int16_t absLayerPlanes;
    int16_t absTransparencyMask;
    int16_t absLayerMasks;
    int16_t absInvertedLayerMasks;
    int16_t absNonLayerPlanes;
    int16_t inPreDummyPlanes;
    int16_t inPostDummyPlanes;
    int16_t outPreDummyPlanes;
    int16_t outPostDummyPlanes;
    int32_t inColumnBytes;
    int32_t inPlaneBytes;
    int32_t outColumnBytes;
    int32_t outPlaneBytes;
    void* imageServicesProcs;
    void* propertyProcs;
    int16_t inTileHeight;
    int16_t inTileWidth;
    Point inTileOrigin;
    int16_t absTileHeight;
    int16_t absTileWidth;
    Point absTileOrigin;
    int16_t outTileHeight;
    int16_t outTileWidth;
    Point outTileOrigin;
    int16_t maskTileHeight;
    int16_t maskTileWidth;
    Point maskTileOrigin;
    PIDescriptorParameters* descriptorParameters;
    void* errorString;
    void* channelPortProcs;
    void* documentInfo;
    void* sSPBasic;
    void* plugInRef;
    int32_t depth;
    char reserved[66];
};
#pragma pack(pop)

// ---- Layout checks for both pointer sizes ---------------------------------------------
#define KELVO_AT(field, off32, off64) \
    static_assert(offsetof(FilterRecord, field) == (sizeof(void*) == 4 ? (off32) : (off64)), #field)

KELVO_AT(serialNumber, 0, 0);
KELVO_AT(abortProc, 4, 4);
KELVO_AT(progressProc, 8, 12);
KELVO_AT(parameters, 12, 20);
KELVO_AT(imageSize, 16, 28);
KELVO_AT(planes, 20, 32);
KELVO_AT(filterRect, 22, 34);
KELVO_AT(background, 30, 42);
KELVO_AT(foreground, 36, 48);
KELVO_AT(maxSpace, 44, 56);
KELVO_AT(bufferSpace, 48, 60);
KELVO_AT(inRect, 52, 64);
KELVO_AT(inLoPlane, 60, 72);
KELVO_AT(inHiPlane, 62, 74);
KELVO_AT(outRect, 64, 76);
KELVO_AT(outLoPlane, 72, 84);
KELVO_AT(outHiPlane, 74, 86);
KELVO_AT(inData, 76, 88);
KELVO_AT(inRowBytes, 80, 96);
KELVO_AT(outData, 84, 100);
KELVO_AT(outRowBytes, 88, 108);
KELVO_AT(isFloating, 92, 112);
KELVO_AT(haveMask, 93, 113);
KELVO_AT(autoMask, 94, 114);
KELVO_AT(maskRect, 96, 116);
KELVO_AT(maskData, 104, 124);
KELVO_AT(maskRowBytes, 108, 132);
KELVO_AT(backColor, 112, 136);
KELVO_AT(foreColor, 116, 140);
KELVO_AT(hostSig, 120, 144);
KELVO_AT(hostProc, 124, 148);
KELVO_AT(imageMode, 128, 156);
KELVO_AT(imageHRes, 132, 160);
KELVO_AT(imageVRes, 136, 164);
KELVO_AT(floatCoord, 140, 168);
KELVO_AT(wholeSize, 144, 172);
KELVO_AT(monitor, 148, 176);
KELVO_AT(platformData, 188, 216);
KELVO_AT(bufferProcs, 192, 224);
KELVO_AT(resourceProcs, 196, 232);
KELVO_AT(processEvent, 200, 240);
KELVO_AT(displayPixels, 204, 248);
KELVO_AT(handleProcs, 208, 256);
KELVO_AT(supportsDummyChannels, 212, 264);
KELVO_AT(supportsAlternateLayouts, 213, 265);
KELVO_AT(wantLayout, 214, 266);
KELVO_AT(filterCase, 216, 268);
KELVO_AT(dummyPlaneValue, 218, 270);
KELVO_AT(premiereHook, 220, 272);
KELVO_AT(advanceState, 224, 280);
KELVO_AT(supportsAbsolute, 228, 288);
KELVO_AT(wantsAbsolute, 229, 289);
KELVO_AT(getPropertyObsolete, 232, 292);
KELVO_AT(cannotUndo, 236, 300);
KELVO_AT(supportsPadding, 237, 301);
KELVO_AT(inputPadding, 238, 302);
KELVO_AT(outputPadding, 240, 304);
KELVO_AT(maskPadding, 242, 306);
KELVO_AT(samplingSupport, 244, 308);
KELVO_AT(reservedByte, 245, 309);
KELVO_AT(inputRate, 248, 312);
KELVO_AT(maskRate, 252, 316);
KELVO_AT(colorServices, 256, 320);
KELVO_AT(inLayerPlanes, 260, 328);
KELVO_AT(inTransparencyMask, 262, 330);
KELVO_AT(inLayerMasks, 264, 332);
KELVO_AT(inInvertedLayerMasks, 266, 334);
KELVO_AT(inNonLayerPlanes, 268, 336);
KELVO_AT(outLayerPlanes, 270, 338);
KELVO_AT(outTransparencyMask, 272, 340);
KELVO_AT(outLayerMasks, 274, 342);
KELVO_AT(outInvertedLayerMasks, 276, 344);
KELVO_AT(outNonLayerPlanes, 278, 346);
KELVO_AT(absLayerPlanes, 280, 348);
KELVO_AT(absTransparencyMask, 282, 350);
KELVO_AT(absLayerMasks, 284, 352);
KELVO_AT(absInvertedLayerMasks, 286, 354);
KELVO_AT(absNonLayerPlanes, 288, 356);
KELVO_AT(inPreDummyPlanes, 290, 358);
KELVO_AT(inPostDummyPlanes, 292, 360);
KELVO_AT(outPreDummyPlanes, 294, 362);
KELVO_AT(outPostDummyPlanes, 296, 364);
KELVO_AT(inColumnBytes, 300, 368);
KELVO_AT(inPlaneBytes, 304, 372);
KELVO_AT(outColumnBytes, 308, 376);
KELVO_AT(outPlaneBytes, 312, 380);
KELVO_AT(imageServicesProcs, 316, 384);
KELVO_AT(propertyProcs, 320, 392);
KELVO_AT(inTileHeight, 324, 400);
KELVO_AT(inTileWidth, 326, 402);
KELVO_AT(inTileOrigin, 328, 404);
KELVO_AT(absTileHeight, 332, 408);
KELVO_AT(absTileWidth, 334, 410);
KELVO_AT(absTileOrigin, 336, 412);
KELVO_AT(outTileHeight, 340, 416);
KELVO_AT(outTileWidth, 342, 418);
KELVO_AT(outTileOrigin, 344, 420);
KELVO_AT(maskTileHeight, 348, 424);
KELVO_AT(maskTileWidth, 350, 426);
KELVO_AT(maskTileOrigin, 352, 428);
KELVO_AT(descriptorParameters, 356, 432);
KELVO_AT(errorString, 360, 440);
KELVO_AT(channelPortProcs, 364, 448);
KELVO_AT(documentInfo, 368, 456);
KELVO_AT(sSPBasic, 372, 464);
KELVO_AT(plugInRef, 376, 472);
KELVO_AT(depth, 380, 480);
KELVO_AT(reserved, 384, 484);
static_assert(sizeof(FilterRecord) == (sizeof(void*) == 4 ? 452 : 552), "FilterRecord size");
#undef KELVO_AT

static_assert(sizeof(PSPixelMap) == (sizeof(void*) == 4 ? 56 : 72), "PSPixelMap size");
static_assert(offsetof(PSPixelMap, baseAddr) == (sizeof(void*) == 4 ? 36 : 40), "PSPixelMap.baseAddr");
static_assert(sizeof(PSPixelMask) == (sizeof(void*) == 4 ? 20 : 32), "PSPixelMask size");
static_assert(offsetof(AboutRecord, platformData) == 0, "AboutRecord.platformData");
static_assert(sizeof(Rect) == 8 && sizeof(VRect) == 16, "rectangles");

// Descriptor and handle procedure tables: naturally aligned, so every pointer
// follows the two leading int16 at the pointer size.
#define KELVO_PROCS_AT(record, field, index)                                                         \
    static_assert(offsetof(record, field) == (sizeof(void*) == 4 ? 4 + 4 * (index) : 8 + 8 * (index)), \
                  #record "." #field)
KELVO_PROCS_AT(HandleProcs, newProc, 0);
KELVO_PROCS_AT(HandleProcs, disposeProc, 1);
KELVO_PROCS_AT(HandleProcs, disposeRegularHandleProc, 7);
KELVO_PROCS_AT(ReadDescriptorProcs, openReadDescriptorProc, 0);
KELVO_PROCS_AT(ReadDescriptorProcs, closeReadDescriptorProc, 1);
KELVO_PROCS_AT(ReadDescriptorProcs, getKeyProc, 2);
KELVO_PROCS_AT(ReadDescriptorProcs, getIntegerProc, 3);
KELVO_PROCS_AT(ReadDescriptorProcs, getFloatProc, 4);
KELVO_PROCS_AT(ReadDescriptorProcs, getUnitFloatProc, 5);
KELVO_PROCS_AT(ReadDescriptorProcs, getPinnedUnitFloatProc, 17);
KELVO_PROCS_AT(WriteDescriptorProcs, openWriteDescriptorProc, 0);
KELVO_PROCS_AT(WriteDescriptorProcs, closeWriteDescriptorProc, 1);
KELVO_PROCS_AT(WriteDescriptorProcs, putIntegerProc, 2);
KELVO_PROCS_AT(WriteDescriptorProcs, putFloatProc, 3);
KELVO_PROCS_AT(WriteDescriptorProcs, putUnitFloatProc, 4);
KELVO_PROCS_AT(WriteDescriptorProcs, putScopedObjectProc, 15);
#undef KELVO_PROCS_AT
static_assert(sizeof(HandleProcs) == (sizeof(void*) == 4 ? 36 : 72), "HandleProcs size");
static_assert(sizeof(ReadDescriptorProcs) == (sizeof(void*) == 4 ? 76 : 152), "ReadDescriptorProcs size");
static_assert(sizeof(WriteDescriptorProcs) == (sizeof(void*) == 4 ? 68 : 136), "WriteDescriptorProcs size");
static_assert(offsetof(PIDescriptorParameters, playInfo) == 2 && offsetof(PIDescriptorParameters, recordInfo) == 4,
              "PIDescriptorParameters: the three int16");
static_assert(offsetof(PIDescriptorParameters, descriptor) == 8, "PIDescriptorParameters.descriptor");
static_assert(offsetof(PIDescriptorParameters, writeDescriptorProcs) == (sizeof(void*) == 4 ? 12 : 16),
              "PIDescriptorParameters.writeDescriptorProcs");
static_assert(offsetof(PIDescriptorParameters, readDescriptorProcs) == (sizeof(void*) == 4 ? 16 : 24),
              "PIDescriptorParameters.readDescriptorProcs");
static_assert(sizeof(PIDescriptorParameters) == (sizeof(void*) == 4 ? 20 : 32), "PIDescriptorParameters size");

}  // namespace kelvo::plugin
