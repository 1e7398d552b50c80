#include "host_test_support.h"

#include <cstring>

#include "expected_defaults.h"

namespace kelvo::hosttest {
namespace {

template <typename Record>
Record RecordFrom(const std::vector<uint8_t>& bytes) {
    Record r;
    std::memset(&r, 0, sizeof r);
    EXPECT_GE(bytes.size(), sizeof r) << "settings record too short";
    std::memcpy(&r, bytes.data(), bytes.size() < sizeof r ? bytes.size() : sizeof r);
    return r;
}

void ExpectHalvaneDefaults(const std::vector<uint8_t>& record) {
    expected::ExpectFlareSettingsDefaults(RecordFrom<flare::FilterParameters>(record));
}

void ExpectEmberlitDefaults(const std::vector<uint8_t>& record) {
    const auto p = RecordFrom<glow::FilterParameters>(record);
    expected::ExpectGlowSettingsDefaults(p);
    // The block is made zero-filled; the two bytes after showDialog stay so.
    ASSERT_GE(record.size(), sizeof p);
    EXPECT_EQ(record[34], 0);
    EXPECT_EQ(record[35], 0);
}

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

// Editors are DPI aware, and so is the host in every test program: the
// dialogs are laid out at the display's real DPI.
const bool kDpiAware = [] {
    host::BecomeDpiAware();
    return true;
}();

}  // namespace

std::wstring WinePath(const char* path) {
    std::wstring w;
    for (const char* p = path; *p != '\0'; ++p) w += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return path[0] == '/' ? L"Z:" + w : w;
}

host::Image PatternImage(int32_t width, int32_t height, int32_t planes) {
    host::Image image = host::MakeImage(width, height, planes);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t p = 0; p < planes; ++p)
                image.pixels[(static_cast<size_t>(y) * width + x) * planes + p] =
                    static_cast<uint8_t>(x * 3 + y * 7 + p * 50 + 11);
    return image;
}

flare::FilterParameters SettingsOf(const host::HandleInfo& info) {
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

bool IconIs(const host::MessageBoxCall& box, UINT icon) { return (box.type & MB_ICONMASK) == icon; }

const ModuleCase& HalvaneModule() {
    static const ModuleCase m = {"Halvane",
                                 KELVO_HALVANE_PATH,
                                 "Lens Flare",
                                 L"Lens Flare Filter",
                                 L"Kelvo Lens Flare Filter 2.0 .\n",
                                 sizeof(flare::FilterParameters),
                                 offsetof(flare::FilterParameters, previewScale),
                                 true,
                                 offsetof(flare::FilterParameters, showDialog),
                                 ExpectHalvaneDefaults};
    return m;
}

const ModuleCase& EmberlitModule() {
    static const ModuleCase m = {"Emberlit",
                                 KELVO_EMBERLIT_PATH,
                                 "Glow      ",
                                 L"Glow Filter",
                                 L"Kelvo Glow Filter 2.0.\n",
                                 sizeof(glow::FilterParameters),
                                 offsetof(glow::FilterParameters, previewScale),
                                 false,
                                 offsetof(glow::FilterParameters, showDialog),
                                 ExpectEmberlitDefaults};
    return m;
}

std::vector<ModuleCase> BothModules() { return {HalvaneModule(), EmberlitModule()}; }

std::string ModuleTestName(const ::testing::TestParamInfo<ModuleCase>& info) { return info.param.name; }

void PrintTo(const ModuleCase& m, std::ostream* os) { *os << m.name; }

int16_t ShowDialogOf(const ModuleCase& m, const std::vector<uint8_t>& record) {
    int16_t v = -1;
    EXPECT_GE(record.size(), m.showDialogOffset + sizeof v) << m.name << " settings record too short";
    if (record.size() >= m.showDialogOffset + sizeof v) std::memcpy(&v, record.data() + m.showDialogOffset, sizeof v);
    return v;
}

double PreviewScaleOf(const ModuleCase& m, const std::vector<uint8_t>& record) {
    const size_t width = m.previewScaleIsDouble ? sizeof(double) : sizeof(int32_t);
    EXPECT_GE(record.size(), m.previewScaleOffset + width) << m.name << " settings record too short";
    if (record.size() < m.previewScaleOffset + width) return -1;
    if (m.previewScaleIsDouble) {
        double d = 0;
        std::memcpy(&d, record.data() + m.previewScaleOffset, sizeof d);
        return d;
    }
    int32_t i = 0;
    std::memcpy(&i, record.data() + m.previewScaleOffset, sizeof i);
    return i;
}

void HostFixture::Open(const host::HostOptions& options) {
    host::CloseHost(host);
    std::string error;
    host = host::OpenHost(WinePath(path_), options, &error);
    ASSERT_NE(host, nullptr) << error;
    host::SetImage(host, PatternImage(40, 30, 3));
}

host::RunReport HostFixture::Run(bool parameters, host::DialogAnswer answer) {
    host::RunPlan plan;
    plan.parameters = parameters;
    plan.dialog = answer;
    return host::RunFilter(host, plan);
}

}  // namespace kelvo::hosttest
