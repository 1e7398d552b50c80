// Shared pieces of the host tests: module paths, test images, and a fixture
// that opens a host on a module and closes it again.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "flare_parameters.h"
#include "host.h"

namespace hosttest {

// A path from the build (a Unix path) as Wine's loader takes it.
std::wstring WinePath(const char* path);

// A deterministic image whose planes all differ from each other.
khost::Image PatternImage(int32_t width, int32_t height, int32_t planes);

// Halvane's settings record as the host holds it; fails the test when the
// block is not a 184-byte record.
flare::FilterParameters SettingsOf(const khost::HandleInfo& info);

// A 185-byte settings file: the byte 1, then the record.
std::vector<uint8_t> SettingsFile(const flare::FilterParameters& p);

bool IconIs(const khost::MessageBoxCall& box, UINT icon);

// Opens a host on one module for each test.
class HostFixture : public ::testing::Test {
protected:
    explicit HostFixture(const char* modulePath) : path_(modulePath) {}
    void SetUp() override { Open(khost::HostOptions{}); }
    void TearDown() override { khost::CloseHost(host); }
    // Reopens with other options (a fresh host: no slot, no parameters).
    void Open(const khost::HostOptions& options);
    khost::HostOptions& options() { return *khost::Options(host); }
    FilterRecord* record() { return khost::Record(host); }
    khost::RunReport Run(bool parameters = true, khost::DialogAnswer answer = khost::DialogAnswer::Ok);

    khost::HostSession* host = nullptr;

private:
    const char* path_;
};

}  // namespace hosttest
