#include "host_test_support.h"

#include <cstring>

namespace hosttest {
namespace {

// Under Wine in a virtual display there is no window manager, and the X11
// driver waits two seconds for one whenever a managed window (each dialog) is
// hidden. Unmanaged windows skip the wait. The driver reads the setting when
// it starts, at the process's first window, so it is written before main.
const bool kUnmanagedWineWindows = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return false;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const wchar_t no[] = L"N";
    RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof no);
    RegCloseKey(key);
    return true;
}();

}  // namespace

std::wstring WinePath(const char* path) {
    std::wstring w;
    for (const char* p = path; *p != '\0'; ++p) w += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return path[0] == '/' ? L"Z:" + w : w;
}

khost::Image PatternImage(int32_t width, int32_t height, int32_t planes) {
    khost::Image image = khost::MakeImage(width, height, planes);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t p = 0; p < planes; ++p)
                image.pixels[(static_cast<size_t>(y) * width + x) * planes + p] =
                    static_cast<uint8_t>(x * 3 + y * 7 + p * 50 + 11);
    return image;
}

flare::FilterParameters SettingsOf(const khost::HandleInfo& info) {
    flare::FilterParameters p{};
    EXPECT_EQ(info.bytes.size(), sizeof p) << "settings record size";
    if (info.bytes.size() == sizeof p) std::memcpy(&p, info.bytes.data(), sizeof p);
    return p;
}

std::vector<uint8_t> SettingsFile(const flare::FilterParameters& p) {
    std::vector<uint8_t> file(1 + sizeof p, 1);
    std::memcpy(file.data() + 1, &p, sizeof p);
    return file;
}

bool IconIs(const khost::MessageBoxCall& box, UINT icon) { return (box.type & MB_ICONMASK) == icon; }

void HostFixture::Open(const khost::HostOptions& options) {
    khost::CloseHost(host);
    std::string error;
    host = khost::OpenHost(WinePath(path_), options, &error);
    ASSERT_NE(host, nullptr) << error;
    khost::SetImage(host, PatternImage(40, 30, 3));
}

khost::RunReport HostFixture::Run(bool parameters, khost::DialogAnswer answer) {
    khost::RunPlan plan;
    plan.parameters = parameters;
    plan.dialog = answer;
    return khost::RunFilter(host, plan);
}

}  // namespace hosttest
