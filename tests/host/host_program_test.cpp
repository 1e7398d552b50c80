// kelvo-host.exe as a user runs it: exit codes and the written image.
#include <cstdio>
#include <string>

#include "host_test_support.h"

namespace {

std::wstring TempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

// Runs the program with the given arguments (after the module path) and
// returns its exit code, or -1 when it could not be started.
DWORD RunProgram(const std::wstring& args) {
    std::wstring command = L"\"" + hosttest::WinePath(KELVO_HOST_EXE) + L"\" \"" +
                           hosttest::WinePath(KELVO_HALVANE_PATH) + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
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

std::string Utf8(const std::wstring& w) { return khost::Narrow(w); }

TEST(HostProgram, RunsAFilterOnAFileAndReportsFailures) {
    const std::wstring in = TempPath(L"kelvo_host_in.ppm");
    const std::wstring out = TempPath(L"kelvo_host_out.png");
    const khost::Image input = hosttest::PatternImage(24, 16, 3);
    std::string error;
    ASSERT_TRUE(khost::WriteImage(Utf8(in), input, &error)) << error;
    DeleteFileW(out.c_str());

    EXPECT_EQ(RunProgram(L"\"" + in + L"\" \"" + out + L"\" --dialog ok --about"), 0u);
    khost::Image written;
    ASSERT_TRUE(khost::ReadImage(Utf8(out), &written, &error)) << error;
    EXPECT_EQ(written.width, 24);
    EXPECT_EQ(written.height, 16);
    EXPECT_EQ(written.planes, 3);

    // A cancelled dialog and a host without advanceState end the run with result 1.
    EXPECT_EQ(RunProgram(L"\"" + in + L"\" \"" + out + L"\" --dialog cancel"), 1u);
    EXPECT_EQ(RunProgram(L"\"" + in + L"\" \"" + out + L"\" --no-advance-state"), 1u);
    // Usage errors.
    EXPECT_EQ(RunProgram(L"\"" + in + L"\" \"" + out + L"\" --dialog maybe"), 2u);
    EXPECT_EQ(RunProgram(L"\"" + in + L"\""), 2u);
    EXPECT_EQ(RunProgram(L"missing.ppm \"" + out + L"\""), 2u);
    DeleteFileW(in.c_str());
    DeleteFileW(out.c_str());
}

}  // namespace
