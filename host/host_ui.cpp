// The host's user-interface side: its window, the answers to the module's
// message boxes and dialog, and drawing pixel maps for displayPixels.
//
// Message boxes: the module's import-table entries for MessageBoxW/A are
// pointed at the host, which records the call and answers at once.
// The dialog: DialogBoxParamW/A are pointed at the host too, which records
// the call and runs the real dialog; a thread-local CBT hook (and, should no
// activation come, a scan of the thread's windows) finds the dialog window
// and answers it with WM_COMMAND IDOK or IDCANCEL from a timer, i.e. after
// the dialog has initialised and painted. A dialog that ignores the answer is
// ended with EndDialog after a while, so no test can hang on it. A run with a
// dialog script hands the filter dialog to the script instead (host_dialog.cpp)
// and answers it only if the script leaves it open.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "host_internal.h"

namespace kelvo::host {
namespace {

constexpr wchar_t kWindowClass[] = L"KelvoHostWindow";
constexpr UINT_PTR kAnswerTimer = 0x4B48;
constexpr UINT kAnswerDelayMs = 20;
constexpr int kTicksBeforeForcedEnd = 250;  // about five seconds

LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd, msg, wp, lp); }

bool IsDialogWindow(HWND hwnd) {
    wchar_t cls[16] = {};
    return GetClassNameW(hwnd, cls, 16) > 0 && std::wcscmp(cls, L"#32770") == 0;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

AnsweredWindow* FindAnswered(HostSession* s, HWND hwnd) {
    for (AnsweredWindow& a : s->answered)
        if (a.hwnd == hwnd) return &a;
    return nullptr;
}

VOID CALLBACK AnswerTimerProc(HWND hwnd, UINT, UINT_PTR, DWORD) {
    HostSession* s = g_session;
    AnsweredWindow* a = s ? FindAnswered(s, hwnd) : nullptr;
    if (a == nullptr) {
        KillTimer(hwnd, kAnswerTimer);
        return;
    }
    if (a->scripted) {
        // The script operates the dialog; the host answers only what it leaves open.
        if (!a->scriptStarted) {
            a->scriptStarted = true;
            StartDialogScript(s, hwnd, a->dialogIndex);
            return;
        }
        if (ScriptRunning(s)) return;
    }
    const int id = a->filterDialog && s->dialogAnswer == DialogAnswer::Cancel ? IDCANCEL : IDOK;
    ++a->ticks;
    if (a->ticks == 1) {
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd, id)));
    } else if (a->ticks >= kTicksBeforeForcedEnd) {
        KillTimer(hwnd, kAnswerTimer);
        if (a->dialogIndex >= 0) s->report.dialogs[a->dialogIndex].forcedEnd = true;
        s->report.problems.push_back("dialog \"" + Narrow(WindowText(hwnd)) + "\" ignored its answer; ended by the host");
        EndDialog(hwnd, id);
    }
}

// Starts answering a dialog window the host has not seen yet.
void TakeDialogWindow(HostSession* s, HWND hwnd) {
    if (FindAnswered(s, hwnd) != nullptr) return;
    // The file dialogs and boxes a script opens are the script's to answer.
    if (ScriptRunning(s)) return;
    AnsweredWindow a;
    a.hwnd = hwnd;
    if (s->dialogDepth > 0 && s->openDialogIndex >= 0 && !s->report.dialogs[s->openDialogIndex].shown) {
        a.filterDialog = true;
        a.dialogIndex = s->openDialogIndex;
        a.scripted = static_cast<bool>(s->script);
        s->report.dialogs[a.dialogIndex].shown = true;
    } else {
        // A box the import patch did not catch: recorded from its window.
        MessageBoxCall box;
        box.caption = WindowText(hwnd);
        box.owner = GetWindow(hwnd, GW_OWNER);
        box.ownerIsHostWindow = box.owner != nullptr && box.owner == s->window;
        box.selector = s->currentSelector;
        s->report.messageBoxes.push_back(box);
        s->report.problems.push_back("a dialog window appeared outside the patched calls: \"" + Narrow(box.caption) +
                                     "\"");
    }
    s->answered.push_back(a);
    SetTimer(hwnd, kAnswerTimer, kAnswerDelayMs, AnswerTimerProc);
}

LRESULT CALLBACK CbtProc(int code, WPARAM wp, LPARAM lp) {
    HostSession* s = g_session;
    if (s != nullptr && code == HCBT_ACTIVATE) {
        HWND hwnd = reinterpret_cast<HWND>(wp);
        if (IsDialogWindow(hwnd)) TakeDialogWindow(s, hwnd);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

BOOL CALLBACK ScanWindow(HWND hwnd, LPARAM lp) {
    HostSession* s = reinterpret_cast<HostSession*>(lp);
    if (IsDialogWindow(hwnd) && IsWindowVisible(hwnd)) TakeDialogWindow(s, hwnd);
    return TRUE;
}

// Fallback for window systems that never activate the dialog.
VOID CALLBACK ScanTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    if (g_session != nullptr)
        EnumThreadWindows(GetCurrentThreadId(), ScanWindow, reinterpret_cast<LPARAM>(g_session));
}

std::wstring Widen(const char* text) {
    if (text == nullptr) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &w[0], n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

int RecordMessageBox(std::wstring text, std::wstring caption, HWND owner, UINT type, bool wide) {
    HostSession* s = g_session;
    if (s == nullptr) return IDOK;
    MessageBoxCall box;
    box.text = std::move(text);
    box.caption = std::move(caption);
    box.owner = owner;
    box.ownerIsHostWindow = owner != nullptr && owner == s->window;
    box.type = type;
    box.wide = wide;
    box.selector = s->currentSelector;
    s->report.messageBoxes.push_back(box);
    return s->options.messageBoxAnswer;
}

int WINAPI HostMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    return RecordMessageBox(text ? text : L"", caption ? caption : L"", owner, type, true);
}

int WINAPI HostMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return RecordMessageBox(Widen(text), Widen(caption), owner, type, false);
}

// Records the call and runs the real dialog, which the hook answers.
template <typename RunDialog>
INT_PTR RunAnsweredDialog(HINSTANCE instance, std::wstring name, HWND owner, LPARAM param, RunDialog run) {
    HostSession* s = g_session;
    if (s == nullptr) return run();
    DialogCall call;
    call.templateName = std::move(name);
    call.fromModule = instance == s->module.module;
    call.owner = owner;
    call.ownerIsHostWindow = owner != nullptr && owner == s->window;
    call.initParam = param;
    call.selector = s->currentSelector;
    s->report.dialogs.push_back(call);
    const int index = static_cast<int>(s->report.dialogs.size()) - 1;
    const int outerIndex = s->openDialogIndex;
    s->openDialogIndex = index;
    ++s->dialogDepth;
    const UINT_PTR scan = SetTimer(nullptr, 0, 100, ScanTimerProc);
    const INT_PTR end = run();
    if (scan != 0) KillTimer(nullptr, scan);
    FinishDialogScript(s);
    --s->dialogDepth;
    s->openDialogIndex = outerIndex;
    s->report.dialogs[index].endCode = end;
    return end;
}

std::wstring TemplateName(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) return L"#" + std::to_wstring(reinterpret_cast<uintptr_t>(name));
    return name;
}

INT_PTR WINAPI HostDialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND owner, DLGPROC proc, LPARAM param) {
    return RunAnsweredDialog(instance, TemplateName(name), owner, param,
                             [&] { return DialogBoxParamW(instance, name, owner, proc, param); });
}

INT_PTR WINAPI HostDialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
    std::wstring text = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<uintptr_t>(name)) : Widen(name);
    return RunAnsweredDialog(instance, text, owner, param,
                             [&] { return DialogBoxParamA(instance, name, owner, proc, param); });
}

struct ImportRedirect {
    const char* name;
    void* target;
};

}  // namespace

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &w[0], n);
    return w;
}

void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    auto setContext = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDpiAwarenessContext")));
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 is (HANDLE)-4.
    if (setContext != nullptr && setContext(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)))) return;
    SetProcessDPIAware();
}

bool CreateHostWindow(HostSession* s, std::string* error) {
    HINSTANCE self = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = self;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    if (RegisterClassW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        if (error) *error = "cannot register the host window class";
        return false;
    }
    s->window = CreateWindowExW(0, kWindowClass, L"kelvo-host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 800,
                                600, nullptr, nullptr, self, nullptr);
    if (s->window == nullptr) {
        if (error) *error = "cannot create the host window";
        return false;
    }
    if (s->options.showWindow) ShowWindow(s->window, SW_SHOWNOACTIVATE);
    s->platform.hwnd = reinterpret_cast<intptr_t>(s->window);
    return true;
}

void DestroyHostWindow(HostSession* s) {
    if (s->window != nullptr) DestroyWindow(s->window);
    s->window = nullptr;
}

void InstallDialogHook(HostSession* s) {
    s->cbtHook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

void RemoveDialogHook(HostSession* s) {
    if (s->cbtHook != nullptr) UnhookWindowsHookEx(s->cbtHook);
    s->cbtHook = nullptr;
}

int PatchModuleImports(HMODULE module) {
    const ImportRedirect redirects[] = {
        {"MessageBoxW", reinterpret_cast<void*>(&HostMessageBoxW)},
        {"MessageBoxA", reinterpret_cast<void*>(&HostMessageBoxA)},
        {"DialogBoxParamW", reinterpret_cast<void*>(&HostDialogBoxParamW)},
        {"DialogBoxParamA", reinterpret_cast<void*>(&HostDialogBoxParamA)},
    };
    auto* base = reinterpret_cast<uint8_t*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return 0;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return 0;
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return 0;
    int patched = 0;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name != 0; ++desc) {
        const char* dll = reinterpret_cast<const char*>(base + desc->Name);
        if (lstrcmpiA(dll, "user32.dll") != 0) continue;
        const DWORD namesRva = desc->OriginalFirstThunk != 0 ? desc->OriginalFirstThunk : desc->FirstThunk;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + namesRva);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const ImportRedirect& r : redirects) {
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), r.name) != 0) continue;
                DWORD old = 0;
                if (VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old)) {
                    slots->u1.Function = reinterpret_cast<ULONG_PTR>(r.target);
                    VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
                    ++patched;
                }
            }
        }
    }
    return patched;
}

namespace {

// The lowest and highest byte offsets a pixel map's layout reads for a
// rectangle, reading `planes` bytes `planeBytes` apart from each pixel.
void MapExtent(const PSPixelMap& map, int32_t colBytes, int32_t planes, int32_t planeBytes, const VRect& src,
               int64_t* lo, int64_t* hi) {
    const int64_t w = static_cast<int64_t>(src.right) - src.left;
    const int64_t h = static_cast<int64_t>(src.bottom) - src.top;
    const int64_t row0 = static_cast<int64_t>(src.top) - map.bounds.top;
    const int64_t col0 = static_cast<int64_t>(src.left) - map.bounds.left;
    *lo = INT64_MAX;
    *hi = INT64_MIN;
    for (int64_t r : {row0, row0 + h - 1}) {
        for (int64_t c : {col0, col0 + w - 1}) {
            for (int64_t p : {int64_t{0}, int64_t{planes - 1}}) {
                const int64_t off = r * map.rowBytes + c * colBytes + p * planeBytes;
                *lo = off < *lo ? off : *lo;
                *hi = off > *hi ? off : *hi;
            }
        }
    }
}

bool CopyRect(HostSession* s, const void* baseAddr, const PSPixelMap& layout, int32_t colBytes, int32_t bytes,
              const VRect& src, std::vector<uint8_t>* out) {
    const int64_t w = static_cast<int64_t>(src.right) - src.left;
    const int64_t h = static_cast<int64_t>(src.bottom) - src.top;
    if (baseAddr == nullptr || w <= 0 || h <= 0 || w > 8192 || h > 8192 || bytes <= 0) return false;
    int64_t lo = 0, hi = 0;
    MapExtent(layout, colBytes, bytes, 1, src, &lo, &hi);
    const auto* base = static_cast<const uint8_t*>(baseAddr);
    if (!InsideLiveBuffer(s, base + lo, base + hi)) return false;
    const int64_t row0 = static_cast<int64_t>(src.top) - layout.bounds.top;
    const int64_t col0 = static_cast<int64_t>(src.left) - layout.bounds.left;
    out->resize(static_cast<size_t>(w * h * bytes));
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x)
            std::memcpy(out->data() + (y * w + x) * bytes, base + (row0 + y) * layout.rowBytes + (col0 + x) * colBytes,
                        static_cast<size_t>(bytes));
    return true;
}

}  // namespace

bool CopyPixelMap(HostSession* s, const PSPixelMap& map, const VRect& src, std::vector<uint8_t>* pixels,
                  std::vector<uint8_t>* maskPixels) {
    if (map.planeBytes != 1 || map.colBytes <= 0) return false;
    if (!CopyRect(s, map.baseAddr, map, map.colBytes, map.colBytes, src, pixels)) return false;
    if (map.masks != nullptr) {
        PSPixelMap maskLayout = map;
        maskLayout.rowBytes = map.masks->rowBytes;
        if (!CopyRect(s, map.masks->maskData, maskLayout, map.masks->colBytes, 1, src, maskPixels)) return false;
    }
    return true;
}

bool DrawPixelMap(HostSession* s, const PSPixelMap& map, const VRect& src, int32_t dstRow, int32_t dstCol, HDC dc,
                  bool* fromHostBuffer) {
    *fromHostBuffer = false;
    const int64_t w = static_cast<int64_t>(src.right) - src.left;
    const int64_t h = static_cast<int64_t>(src.bottom) - src.top;
    if (map.baseAddr == nullptr || w <= 0 || h <= 0 || w > 8192 || h > 8192) return false;
    const int shownPlanes = map.colBytes >= 3 ? 3 : 1;
    // The bytes the drawing reads: every corner of the source rectangle.
    const auto* base = static_cast<const uint8_t*>(map.baseAddr);
    const int64_t row0 = static_cast<int64_t>(src.top) - map.bounds.top;
    const int64_t col0 = static_cast<int64_t>(src.left) - map.bounds.left;
    int64_t lo = 0, hi = 0;
    MapExtent(map, map.colBytes, shownPlanes, map.planeBytes, src, &lo, &hi);
    // Only buffers the host handed out are read; anything else could be any memory.
    if (!InsideLiveBuffer(s, base + lo, base + hi)) return false;
    *fromHostBuffer = true;

    const int64_t stride = (w * 3 + 3) & ~int64_t{3};
    std::vector<uint8_t> bits(static_cast<size_t>(stride * h));
    for (int64_t y = 0; y < h; ++y) {
        for (int64_t x = 0; x < w; ++x) {
            const uint8_t* px = base + (row0 + y) * map.rowBytes + (col0 + x) * map.colBytes;
            uint8_t* d = bits.data() + y * stride + x * 3;
            const uint8_t red = px[0];
            const uint8_t green = shownPlanes == 3 ? px[map.planeBytes] : red;
            const uint8_t blue = shownPlanes == 3 ? px[2 * static_cast<int64_t>(map.planeBytes)] : red;
            d[0] = blue;
            d[1] = green;
            d[2] = red;
        }
    }
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = static_cast<LONG>(w);
    bmi.bmiHeader.biHeight = -static_cast<LONG>(h);  // top-down rows
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    return SetDIBitsToDevice(dc, dstCol, dstRow, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                             static_cast<UINT>(h), bits.data(), &bmi, DIB_RGB_COLORS) != 0;
}

}  // namespace kelvo::host
