// Shared pieces of the host tests: module paths, test images, a fixture that
// opens a host on a module and closes it again, and what the tests that run
// against both modules need to know about each.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "flare_parameters.h"
#include "glow_parameters.h"
#include "host.h"

namespace kelvo::hosttest {

// The size of the plug-in's handle record as hosts see it: a pointer and the
// 4-byte signature, packed to 4 bytes. Written out per build, so a change of
// packing shows up in both the x64 and the Win32 tests.
#if defined(_WIN64)
constexpr size_t kHandleRecordSize = 12;
#else
constexpr size_t kHandleRecordSize = 8;
#endif

// A path from the build (a Unix path) as Wine's loader takes it.
std::wstring WinePath(const char* path);

// A deterministic image whose planes all differ from each other.
host::Image PatternImage(int32_t width, int32_t height, int32_t planes);

// Halvane's settings record as the host holds it; fails the test when the
// block is not a 184-byte record.
flare::FilterParameters SettingsOf(const host::HandleInfo& info);

// A 185-byte settings file: the byte 1, then the record.
std::vector<uint8_t> SettingsFile(const flare::FilterParameters& p);

bool IconIs(const host::MessageBoxCall& box, UINT icon);

// Opens a host on one module for each test.
class HostFixture : public ::testing::Test {
protected:
    explicit HostFixture(const char* modulePath) : path_(modulePath) {}
    void SetUp() override { Open(host::HostOptions{}); }
    void TearDown() override { host::CloseHost(host); }
    // Reopens with other options (a fresh host: no slot, no parameters).
    void Open(const host::HostOptions& options);
    host::HostOptions& options() { return *host::Options(host); }
    plugin::FilterRecord* record() { return host::Record(host); }
    host::RunReport Run(bool parameters = true, host::DialogAnswer answer = host::DialogAnswer::Ok);

    host::HostSession* host = nullptr;

private:
    const char* path_;
};

// One of our modules as the framework-level tests see it: where it is, what
// its strings and PiPL say, and where the framework's two fields sit in its
// settings record.
struct ModuleCase {
    const char* name;              // test-name suffix
    const char* path;
    const char* menuName;          // PiPL 'name', blanks kept
    const wchar_t* caption;        // string 2
    const wchar_t* aboutFirstLine; // string 1 up to and with its line feed
    size_t recordSize;             // bytes of the settings record
    size_t previewScaleOffset;
    bool previewScaleIsDouble;     // Halvane: double; Emberlit: int32
    size_t showDialogOffset;       // int16
    // Checks the user settings of a record against the module's defaults
    // (everything but previewScale and showDialog).
    void (*expectDefaults)(const std::vector<uint8_t>& record);
};

const ModuleCase& HalvaneModule();
const ModuleCase& EmberlitModule();
std::vector<ModuleCase> BothModules();
std::string ModuleTestName(const ::testing::TestParamInfo<ModuleCase>& info);
void PrintTo(const ModuleCase& m, std::ostream* os);

// The framework's fields read from a record's bytes (as stored: Emberlit's
// int32 previewScale comes back as a whole double). A record too short for
// the field fails the test and reads as -1.
int16_t ShowDialogOf(const ModuleCase& m, const std::vector<uint8_t>& record);
double PreviewScaleOf(const ModuleCase& m, const std::vector<uint8_t>& record);

// A host on each of the two modules in turn.
class ModuleFixture : public HostFixture, public ::testing::WithParamInterface<ModuleCase> {
protected:
    ModuleFixture() : HostFixture(GetParam().path) {}
    const ModuleCase& module() const { return GetParam(); }
    // The settings record's bytes as the host holds them now.
    std::vector<uint8_t> SettingsBytes() { return host::InspectHandle(record()->parameters).bytes; }
    int16_t ShowDialog() { return ShowDialogOf(module(), SettingsBytes()); }
    double PreviewScale() { return PreviewScaleOf(module(), SettingsBytes()); }
};

}  // namespace kelvo::hosttest
