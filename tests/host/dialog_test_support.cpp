#include "dialog_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli_render.h"

namespace kelvo::dialogtest {

int Edit(const SettingsTable& table, const char* name) {
    const SettingField* f = FindSetting(table, name);
    EXPECT_NE(f, nullptr) << name;
    return f != nullptr ? f->editId : -1;
}

int Spin(const SettingsTable& table, const char* name) {
    const SettingField* f = FindSetting(table, name);
    EXPECT_NE(f, nullptr) << name;
    return f != nullptr ? f->spinId : -1;
}

Snapshot Take(host::DialogDriver& d, const SettingsTable& table) {
    Snapshot s;
    for (int i = 0; i < table.count; ++i) s.texts[table.fields[i].editId] = d.Text(table.fields[i].editId);
    s.record = d.SettingsBytes();
    s.progressCalls = d.ProgressCount();
    s.displayCalls = d.DisplayCount();
    s.lastDisplay = d.LastDisplay();
    s.focus = d.FocusedId();
    return s;
}

host::RunReport RunScripted(host::HostSession* host, host::DialogScript script) {
    host::RunPlan plan;
    plan.script = std::move(script);
    plan.dialog = host::DialogAnswer::Cancel;
    host::RunReport report = host::RunFilter(host, plan);
    EXPECT_EQ(report.dialogs.size(), 1u);
    for (const host::DialogCall& call : report.dialogs) {
        EXPECT_TRUE(call.scripted);
        for (const std::string& p : call.scriptProblems) ADD_FAILURE() << "dialog script: " << p;
    }
    return report;
}

const host::AdvanceCall* PreviewRequest(const host::RunReport& report) {
    for (const host::AdvanceCall& call : report.advanceCalls)
        if (call.duringDialog) return &call;
    return nullptr;
}

namespace {

image::Image ToCli(const host::Image& image) {
    image::Image out;
    out.width = image.width;
    out.height = image.height;
    out.channels = image.planes;
    out.pixels = image.pixels;
    return out;
}

cli::FilterSettings SettingsFrom(const FilterDescription& filter, const std::vector<uint8_t>& record) {
    cli::FilterSettings settings = cli::SettingsFor(filter);
    void* target = cli::SettingsRecord(&settings);
    const size_t size = filter.recordSize;
    EXPECT_GE(record.size(), size);
    std::memcpy(target, record.data(), record.size() < size ? record.size() : size);
    return settings;
}

}  // namespace

std::vector<uint8_t> ExpectedPreview(const FilterDescription& filter, const host::AdvanceCall& request, int32_t planes,
                                     const std::vector<uint8_t>& record) {
    host::Image reduced;
    reduced.width = request.inRect.right - request.inRect.left;
    reduced.height = request.inRect.bottom - request.inRect.top;
    reduced.planes = planes;
    reduced.pixels = request.inPixels;
    image::Image out;
    std::string error;
    EXPECT_TRUE(cli::RenderImage(SettingsFrom(filter, record), ToCli(reduced), &out, nullptr, &error)) << error;
    return out.pixels;
}

host::Image RenderLikeCommandLine(const FilterDescription& filter, const host::Image& input,
                                  const std::vector<std::pair<std::string, std::string>>& sets) {
    cli::FilterSettings settings = cli::SettingsFor(filter);
    std::string error;
    for (const auto& [name, value] : sets)
        EXPECT_TRUE(cli::ApplyAssignment(filter, cli::SettingsRecord(&settings), cli::SettingAssignment{name, value},
                                         &error))
            << error;
    // The final render's run state, as kelvo-render sets it.
    cli::SetFinalRunState(filter, cli::SettingsRecord(&settings));
    image::Image out;
    EXPECT_TRUE(cli::RenderImage(settings, ToCli(input), &out, nullptr, &error)) << error;
    host::Image result;
    result.width = out.width;
    result.height = out.height;
    result.planes = out.channels;
    result.pixels = out.pixels;
    return result;
}

std::wstring TempPath(const std::wstring& name) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (f == nullptr) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (f == nullptr) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

int DisplayDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::string SaveScreenshot(const host::Image& picture, const std::string& name) {
    const int dpi = DisplayDpi();
    const std::string file = name + (dpi == 96 ? "" : "-" + std::to_string(dpi) + "dpi") + ".png";
    // The build folder's copy; the file dialogs may have moved the current
    // folder, so the program's own folder is used.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string folder = host::Narrow(self);
    folder = folder.substr(0, folder.find_last_of("\\/") + 1);
    std::string error;
    std::string written;
    if (host::WriteImage(folder + file, picture, &error)) written = folder + file;
    const char* docs = std::getenv("KELVO_SCREENSHOT_DIR");
    if (docs != nullptr && *docs != '\0') {
        const std::string path = host::Narrow(hosttest::WinePath((std::string(docs) + "/" + file).c_str()));
        EXPECT_TRUE(host::WriteImage(path, picture, &error)) << error;
    }
    return written;
}

}  // namespace kelvo::dialogtest
