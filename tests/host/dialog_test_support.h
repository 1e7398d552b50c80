// What the tests of the modules' dialogs share: a scripted run, snapshots of
// the dialog taken from the script, the preview the renderer would draw for
// the reduced image the host delivered, the final image `kelvo-render` would
// render with the same --set values, and files in Wine's temp folder.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "cli_settings.h"
#include "host_dialog.h"
#include "host_test_support.h"

namespace kelvo::dialogtest {

// What the dialog shows and holds at one moment, read from the script.
struct Snapshot {
    std::map<int, std::wstring> texts;  // every settings field's edit, by id
    std::vector<uint8_t> record;
    size_t progressCalls = 0;           // a preview render reports progress
    size_t displayCalls = 0;
    host::DisplayCall lastDisplay;
    int focus = -1;
};
Snapshot Take(host::DialogDriver& d, const SettingsTable& table);

// The edit control of a named setting, and its spin bar.
int Edit(const SettingsTable& table, const char* name);
int Spin(const SettingsTable& table, const char* name);

// Runs with the dialog operated by the script; whatever the script leaves
// open is cancelled. Problems the driver met fail the test.
host::RunReport RunScripted(host::HostSession* host, host::DialogScript script);

// The preview request made during the dialog, or null.
const host::AdvanceCall* PreviewRequest(const host::RunReport& report);

// The module's renderer over the reduced input that request delivered, with
// the given settings record (its previewScale included): the pixels the
// preview must show, rows of the request's width, planes interleaved.
std::vector<uint8_t> ExpectedPreview(const FilterDescription& filter, const host::AdvanceCall& request, int32_t planes,
                                     const std::vector<uint8_t>& record);

// The image `kelvo-render [--filter glow] --set NAME=VALUE ...` renders from
// `input` (the command-line renderer's own code, in this program).
host::Image RenderLikeCommandLine(const FilterDescription& filter, const host::Image& input,
                                  const std::vector<std::pair<std::string, std::string>>& sets);

// Files for the file dialogs, in Wine's temp folder.
std::wstring TempPath(const std::wstring& name);
bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::wstring& path);

// The picture that a test saves into the build folder (and into docs/images
// with KELVO_SCREENSHOT_DIR set): "<name>.png", or "<name>-144dpi.png" at
// 144 DPI. Returns the path written, or "" on failure.
std::string SaveScreenshot(const host::Image& picture, const std::string& name);

// The DPI the display runs at (96 unless the prefix says otherwise).
int DisplayDpi();

}  // namespace kelvo::dialogtest
