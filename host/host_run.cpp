// Loading a module and driving it selector by selector.
#include <algorithm>
#include <cstring>
#include <string>

#include "host_internal.h"
#include "plugin.h"

namespace kelvo::host {
namespace {

constexpr int kPiplId = 16000;
constexpr WORD kPiplLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 1033
// Halvane's settings record, which a settings file holds after its marker byte.
constexpr size_t kFlareRecordBytes = 184;
constexpr size_t kShowDialogOffset = 176;

bool ReadPiplResource(HostModule* m, std::string* error) {
    HRSRC res = FindResourceExW(m->module, L"PIPL", MAKEINTRESOURCEW(kPiplId), kPiplLanguage);
    if (res == nullptr) res = FindResourceW(m->module, MAKEINTRESOURCEW(kPiplId), L"PIPL");
    if (res == nullptr) {
        if (error) *error = "no PIPL resource 16000";
        return false;
    }
    HGLOBAL loaded = LoadResource(m->module, res);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(m->module, res);
    if (bytes == nullptr) {
        if (error) *error = "cannot load the PIPL resource";
        return false;
    }
    const auto* p = static_cast<const uint8_t*>(bytes);
    m->piplBytes.assign(p, p + size);
    std::string why;
    if (!pipl::ParsePipl(m->piplBytes.data(), m->piplBytes.size(), &m->pipl, &why)) {
        if (error) *error = "PIPL: " + why;
        return false;
    }
    // The scripting dictionary, when the PiPL names one (read, not required).
    if (m->pipl.hasTerminology) {
        const auto aeteId = static_cast<uint16_t>(m->pipl.terminology.aeteId);
        HRSRC aete = FindResourceW(m->module, MAKEINTRESOURCEW(aeteId), L"AETE");
        HGLOBAL held = aete != nullptr ? LoadResource(m->module, aete) : nullptr;
        const void* data = held != nullptr ? LockResource(held) : nullptr;
        if (data != nullptr) {
            const auto* a = static_cast<const uint8_t*>(data);
            m->aeteBytes.assign(a, a + SizeofResource(m->module, aete));
        }
    }
    return true;
}

int16_t ModeForPlanes(int32_t planes, int32_t depth) {
    if (depth == 32) return planes < 3 ? 17 : 16;  // Gray32, RGB96
    switch (planes) {
        case 1: return depth == 16 ? 10 : plugInModeGrayScale;   // Gray16
        case 3: return depth == 16 ? 11 : plugInModeRGBColor;    // RGB48
        case 4: return depth == 16 ? 13 : plugInModeCMYKColor;   // CMYK64
        default: return depth == 16 ? 14 : plugInModeMultichannel;  // DeepMultichannel
    }
}

// A fresh record for a run, as a host builds it when the user picks the filter.
void FillRecord(HostSession* s) {
    FilterRecord* r = s->record;
    const HostOptions& o = s->options;
    const Handle parameters = o.keepParameters ? r->parameters : nullptr;
    std::memset(s->recordStorage.data(), 0, s->recordStorage.size() * sizeof(uint64_t));
    const Image& image = s->image;
    const int16_t width = static_cast<int16_t>(image.width), height = static_cast<int16_t>(image.height);

    r->serialNumber = 0;
    r->abortProc = HostAbortProc;
    r->progressProc = HostProgressProc;
    r->parameters = parameters;
    r->imageSize = Point{height, width};
    r->planes = static_cast<int16_t>(image.planes);
    const bool wholeImage = o.filterRect.top == 0 && o.filterRect.left == 0 && o.filterRect.bottom == 0 &&
                            o.filterRect.right == 0;
    r->filterRect = wholeImage ? Rect{0, 0, height, width} : o.filterRect;
    r->background = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    r->foreground = RGBColor{0, 0, 0};
    r->maxSpace = o.maxSpace;
    r->bufferSpace = 0x12345;  // the module's to set at prepare
    r->isFloating = o.isFloating ? 1 : 0;
    r->haveMask = o.haveMask ? 1 : 0;
    r->autoMask = o.autoMask ? 1 : 0;
    r->maskRect = o.maskRect;
    r->backColor[0] = r->backColor[1] = r->backColor[2] = 255;
    r->hostSig = 0x4B4C564F;  // 'KLVO'
    const int32_t depth = image.sampleBytes * 8;
    r->imageMode = o.imageMode >= 0 ? o.imageMode : ModeForPlanes(image.planes, depth);
    r->imageHRes = 72 << 16;
    r->imageVRes = 72 << 16;
    r->wholeSize = Point{height, width};
    r->platformData = &s->platform;
    r->displayPixels = o.offerDisplayPixels ? HostDisplayPixels : nullptr;
    r->advanceState = o.offerAdvanceState ? HostAdvanceState : nullptr;
    r->supportsPadding = o.supportsPadding ? 1 : 0;
    r->inputRate = ToFixed(1);
    r->maskRate = ToFixed(1);
    const int16_t planes = static_cast<int16_t>(image.planes);
    if (o.transparencyPlane && planes >= 2) {
        r->inLayerPlanes = r->outLayerPlanes = r->absLayerPlanes = static_cast<int16_t>(planes - 1);
        r->inTransparencyMask = r->outTransparencyMask = r->absTransparencyMask = 1;
    } else {
        r->inNonLayerPlanes = r->outNonLayerPlanes = r->absNonLayerPlanes = planes;
    }
    if (o.isFloating) {
        r->filterCase = 3;
    } else if (o.transparencyPlane) {
        r->filterCase = o.haveMask ? 5 : 4;
    } else {
        r->filterCase = o.haveMask ? 2 : 1;
    }
    r->depth = o.leaveDepthZero ? 0 : depth;
    OfferDescriptors(s);
}

bool AnyPending(const FilterRecord* r) {
    return RectPending(r->inRect) || RectPending(r->outRect) || (r->haveMask && RectPending(r->maskRect));
}

}  // namespace

std::string RectText(const Rect& r) {
    return "(" + std::to_string(r.top) + "," + std::to_string(r.left) + "," + std::to_string(r.bottom) + "," +
           std::to_string(r.right) + ")";
}

HostSession* OpenHost(const std::wstring& modulePath, const HostOptions& options, std::string* error) {
    auto* s = new HostSession;
    InitializeCriticalSection(&s->reportLock);
    s->options = options;
    s->module.path = modulePath;
    auto fail = [&](const std::string& why) -> HostSession* {
        if (error) *error = why;
        CloseHost(s);
        return nullptr;
    };
    s->module.module = LoadLibraryW(modulePath.c_str());
    if (s->module.module == nullptr)
        return fail("cannot load " + Narrow(modulePath) + " (error " + std::to_string(GetLastError()) + ")");
    std::string why;
    if (!ReadPiplResource(&s->module, &why)) return fail(why);
    const std::string& entryName = pipl::EntryForThisArchitecture(s->module.pipl);
    if (entryName.empty())
        return fail(std::string("PIPL has no entry point for this architecture ('") +
                    (sizeof(void*) == 8 ? "8664" : "wx86") + "')");
    s->module.entry = reinterpret_cast<PluginEntryProc>(
        reinterpret_cast<void*>(GetProcAddress(s->module.module, entryName.c_str())));
    if (s->module.entry == nullptr) return fail("the module exports no " + entryName);
    s->module.patchedImports = PatchModuleImports(s->module.module);

    if (!CreateHostWindow(s, &why)) return fail(why);
    const size_t recordBytes = sizeof(FilterRecord) + static_cast<size_t>(options.recordExtra > 0 ? options.recordExtra : 0);
    s->recordStorage.assign((recordBytes + 7) / 8, 0);
    s->record = reinterpret_cast<FilterRecord*>(s->recordStorage.data());
    s->about.platformData = &s->platform;
    InstallDialogHook(s);
    g_session = s;
    return s;
}

void CloseHost(HostSession* s) {
    if (s == nullptr) return;
    ReleaseBuffers(s, false);
    RemoveDialogHook(s);
    DestroyHostWindow(s);
    FreeDescriptorHost(s);
    if (s->module.module != nullptr) FreeLibrary(s->module.module);
    if (g_session == s) g_session = nullptr;
    DeleteCriticalSection(&s->reportLock);
    delete s;
}

HostOptions* Options(HostSession* s) { return &s->options; }
const HostModule& Module(const HostSession* s) { return s->module; }
HWND HostWindow(const HostSession* s) { return s->window; }
FilterRecord* Record(HostSession* s) { return s->record; }
intptr_t* DataSlot(HostSession* s) { return &s->dataSlot; }
void SetImage(HostSession* s, const Image& image) {
    s->image = image;
    s->imageAtRunStart = image;
}
const Image& CurrentImage(const HostSession* s) { return s->image; }
const RunReport& CurrentReport(const HostSession* s) { return s->report; }

void BeginRun(HostSession* s, DialogAnswer dialog) {
    g_session = s;
    ReleaseBuffers(s, false);
    s->report = RunReport{};
    s->answered.clear();
    s->dialogAnswer = dialog;
    s->advanceCount = 0;
    s->progressCount = 0;
    if (!s->options.keepDataSlot) s->dataSlot = 0;
    FillRecord(s);
    s->imageAtRunStart = s->image;
}

int16_t CallSelector(HostSession* s, int16_t selector) {
    g_session = s;
    // Set at every call: the options may change between calls, and another
    // session of the process may have set its own folder meanwhile.
    const std::wstring& folder = s->options.rememberFolder;
    SetEnvironmentVariableW(L"LOCALAPPDATA", folder.empty() ? nullptr : folder.c_str());
    SelectorCall call;
    call.selector = selector;
    call.dataBefore = s->dataSlot;
    int16_t result = 0;
    void* record = selector == filterSelectorAbout ? static_cast<void*>(&s->about) : static_cast<void*>(s->record);
    const int16_t outer = s->currentSelector;
    s->currentSelector = selector;
    s->module.entry(selector, record, &s->dataSlot, &result);
    s->currentSelector = outer;
    call.result = result;
    call.dataAfter = s->dataSlot;
    s->report.selectors.push_back(call);
    if (result != 0 && s->report.result == 0) s->report.result = result;
    return result;
}

int16_t ContinueLoop(HostSession* s) {
    int16_t last = 0;
    while (AnyPending(s->record)) {
        if (s->report.continueCount >= s->options.continueCap) {
            s->report.looping = true;
            s->report.problems.push_back("continue called " + std::to_string(s->report.continueCount) +
                                         " times and the request is still " + RectText(s->record->inRect) + " " +
                                         RectText(s->record->outRect) + " " + RectText(s->record->maskRect));
            break;
        }
        // The host's own advance: takes back the last output, delivers the new request.
        const int16_t served = ServeRequest(s, false);
        if (served != 0) {
            if (s->report.result == 0) s->report.result = served;
            break;
        }
        ++s->report.continueCount;
        last = CallSelector(s, filterSelectorContinue);
        if (last != 0 && !s->options.continueAfterFailure) break;
    }
    return last;
}

RunReport EndRun(HostSession* s) {
    RunReport& rep = s->report;
    const bool failed = rep.result != 0 || rep.looping;
    ReleaseBuffers(s, !failed && s->options.takeBackOnReturn);
    if (failed) s->image = s->imageAtRunStart;  // the editor undoes a failed filter
    const FilterRecord* r = s->record;
    rep.inRect = r->inRect;
    rep.outRect = r->outRect;
    rep.maskRect = r->maskRect;
    rep.bufferSpace = r->bufferSpace;
    rep.maxSpace = r->maxSpace;
    rep.dataSlot = s->dataSlot;
    rep.settings = InspectHandle(r->parameters);
    rep.output = s->image;
    CollectDescriptors(s);
    return rep;
}

RunReport RunFilter(HostSession* s, const RunPlan& plan) {
    BeginRun(s, plan.dialog);
    s->script = plan.script;
    if (plan.playDescriptor) PlayDescriptor(s, plan.descriptor, plan.playInfo);
    bool stopped = false;
    auto step = [&](int16_t selector) {
        if (stopped) return;
        if (CallSelector(s, selector) != 0 && !s->options.continueAfterFailure) stopped = true;
    };
    if (plan.about) step(filterSelectorAbout);
    const bool haveSettings = !plan.settingsFile.empty() || !plan.savedRecord.empty();
    if (plan.parameters || (haveSettings && s->record->parameters == nullptr)) step(filterSelectorParameters);
    if (!plan.savedRecord.empty() && !stopped) {
        const HandleInfo info = InspectHandle(s->record->parameters);
        if (info.isGlobal && info.signature == kPluginHandleSignature && info.blockSize > 0) {
            std::memcpy(*static_cast<uint8_t**>(s->record->parameters), plan.savedRecord.data(),
                        std::min(plan.savedRecord.size(), info.blockSize));
        } else {
            s->report.problems.push_back("saved record: the module made no settings record the host can write into");
            if (s->report.result == 0) s->report.result = filterBadParameters;
            stopped = true;
        }
    }
    if (!plan.settingsFile.empty() && !stopped) {
        std::string why;
        if (!ApplySettingsFile(s, plan.settingsFile, plan.parameters ? 1 : 0, &why)) {
            s->report.problems.push_back("settings file: " + why);
            if (s->report.result == 0) s->report.result = filterBadParameters;
            stopped = true;
        }
    }
    if (plan.prepare) step(filterSelectorPrepare);
    step(filterSelectorStart);
    if (!stopped) {
        if (ContinueLoop(s) != 0 && !s->options.continueAfterFailure) stopped = true;
        if (s->report.looping) stopped = true;
    }
    if (plan.finish) step(filterSelectorFinish);
    s->script = nullptr;
    return EndRun(s);
}

bool ApplySettingsFile(HostSession* s, const std::vector<uint8_t>& file, int16_t showDialog, std::string* error) {
    auto fail = [error](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (file.empty() || file[0] != 1) return fail("not a settings file (first byte is not 1)");
    Handle h = s->record->parameters;
    HandleInfo info = InspectHandle(h);
    if (!info.present) return fail("the module made no settings record");
    if (!info.isGlobal || info.recordSize != sizeof(void*) + 4 || info.signature != kPluginHandleSignature ||
        info.blockSize == 0)
        return fail("the settings record is not a handle the host can write into");
    // Only a lens-flare record takes a settings file; another module's record
    // would be overwritten with meaningless values.
    if (info.blockSize < kFlareRecordBytes) return fail("the module's settings record is not a lens-flare record");
    auto* block = *static_cast<uint8_t**>(h);
    const size_t n = std::min(file.size() - 1, kFlareRecordBytes);
    std::memcpy(block, file.data() + 1, n);
    std::memcpy(block + kShowDialogOffset, &showDialog, 2);
    return true;
}

HandleInfo InspectHandle(Handle handle) {
    HandleInfo info;
    info.present = handle != nullptr;
    if (handle == nullptr) return info;
    HGLOBAL record = GlobalHandle(handle);
    if (record == nullptr) return info;
    info.isGlobal = true;
    info.recordSize = GlobalSize(record);
    if (info.recordSize < sizeof(void*) + 4) return info;
    void* block = nullptr;
    std::memcpy(&block, handle, sizeof block);
    std::memcpy(&info.signature, static_cast<uint8_t*>(handle) + sizeof(void*), 4);
    if (block == nullptr) return info;
    HGLOBAL data = GlobalHandle(block);
    if (data == nullptr) return info;
    info.blockSize = GlobalSize(data);
    const auto* bytes = static_cast<const uint8_t*>(block);
    info.bytes.assign(bytes, bytes + info.blockSize);
    return info;
}

}  // namespace kelvo::host
