// kelvo-host.exe as a user runs it on each module: exit codes, what it
// prints about the module, and the written image.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "host_test_support.h"

namespace kelvo::host {

namespace {

std::wstring TempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

// Runs the program on the module with the given arguments (after the module
// path) and returns its exit code, or -1 when it could not be started. Its
// standard output goes to `output` when given, else nowhere.
DWORD RunProgram(const char* modulePath, const std::wstring& args, const std::wstring* output = nullptr) {
    std::wstring command = L"\"" + hosttest::WinePath(KELVO_HOST_EXE) + L"\" \"" + hosttest::WinePath(modulePath) +
                           L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = output != nullptr ? CreateFileW(output->c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                                   : CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                                 nullptr);
    si.hStdOutput = nul;
    si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(nul);
        return static_cast<DWORD>(-1);
    }
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(nul);
    return code;
}

std::string Utf8(const std::wstring& w) { return host::Narrow(w); }

class HostProgram : public ::testing::TestWithParam<hosttest::ModuleCase> {
protected:
    DWORD Run(const std::wstring& args, const std::wstring* output = nullptr) {
        return RunProgram(GetParam().path, args, output);
    }
};

TEST_P(HostProgram, RunsAFilterOnAFileAndReportsFailures) {
    const std::wstring in = TempPath(L"kelvo_host_in.ppm");
    const std::wstring out = TempPath(L"kelvo_host_out.png");
    const std::wstring printed = TempPath(L"kelvo_host_stdout.txt");
    const host::Image input = hosttest::PatternImage(24, 16, 3);
    std::string error;
    ASSERT_TRUE(host::WriteImage(Utf8(in), input, &error)) << error;
    DeleteFileW(out.c_str());

    EXPECT_EQ(Run(L"\"" + in + L"\" \"" + out + L"\" --dialog ok --about", &printed), 0u);
    // The module's PiPL as the program prints it: the menu name with its blanks.
    std::ifstream text(Utf8(printed));
    const std::string lines((std::istreambuf_iterator<char>(text)), std::istreambuf_iterator<char>());
    EXPECT_NE(lines.find(std::string("name:     \"") + GetParam().menuName + "\""), std::string::npos) << lines;
    EXPECT_NE(lines.find("category: \"Kelvo \""), std::string::npos) << lines;
    EXPECT_NE(lines.find("  result 0"), std::string::npos) << lines;
    host::Image written;
    ASSERT_TRUE(host::ReadImage(Utf8(out), &written, &error)) << error;
    EXPECT_EQ(written.width, 24);
    EXPECT_EQ(written.height, 16);
    EXPECT_EQ(written.planes, 3);

    // A cancelled dialog and a host without advanceState end the run with result 1.
    EXPECT_EQ(Run(L"\"" + in + L"\" \"" + out + L"\" --dialog cancel"), 1u);
    EXPECT_EQ(Run(L"\"" + in + L"\" \"" + out + L"\" --no-advance-state"), 1u);
    // Usage errors.
    EXPECT_EQ(Run(L"\"" + in + L"\" \"" + out + L"\" --dialog maybe"), 2u);
    EXPECT_EQ(Run(L"\"" + in + L"\""), 2u);
    EXPECT_EQ(Run(L"missing.ppm \"" + out + L"\""), 2u);
    DeleteFileW(in.c_str());
    DeleteFileW(out.c_str());
    text.close();
    DeleteFileW(printed.c_str());
}

// A dialog script that does not parse, or a script file that is missing, is a
// usage error before anything runs.
TEST_P(HostProgram, RefusesADialogScriptItCannotRead) {
    const std::wstring printed = TempPath(L"kelvo_host_script.txt");
    EXPECT_EQ(Run(L"in.png out.png --dialog-script \"set X; ok\"", &printed), 2u);
    EXPECT_EQ(Run(L"in.png out.png --dialog-script \"press 1\"", &printed), 2u);
    std::ifstream f(Utf8(printed));
    const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("unknown dialog action: press 1"), std::string::npos) << text;
    EXPECT_EQ(Run(L"in.png out.png --dialog-script-file Z:\\no\\such\\script.txt"), 2u);
}

INSTANTIATE_TEST_SUITE_P(BothModules, HostProgram, ::testing::ValuesIn(hosttest::BothModules()),
                         hosttest::ModuleTestName);

}  // namespace

}  // namespace kelvo::host
