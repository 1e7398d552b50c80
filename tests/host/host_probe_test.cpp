// The host against a probe module that plays what our modules never do: the
// classic band-by-band continue loop, a request that is never emptied, and
// writes past the rows.
#include "host_test_support.h"

namespace kelvo::host {

namespace {

using hosttest::PatternImage;

class HostProbe : public hosttest::HostFixture {
protected:
    HostProbe() : HostFixture(KELVO_PROBE_PATH) {}

    void SetMode(int32_t mode) {
        using SetModeProc = void(KELVO_CDECL*)(int32_t);
        auto proc = reinterpret_cast<SetModeProc>(
            reinterpret_cast<void*>(GetProcAddress(host::Module(host).module, "ProbeSetMode")));
        ASSERT_NE(proc, nullptr);
        proc(mode);
    }
};

TEST_F(HostProbe, EntryPointComesFromThePipl) {
    const host::HostModule& m = host::Module(host);
    EXPECT_EQ(m.pipl.name, "Host Probe");
    EXPECT_EQ(m.pipl.category, "Tests ");
    EXPECT_EQ(pipl::EntryForThisArchitecture(m.pipl), "ProbeEntry");
    EXPECT_NE(m.entry, nullptr);
    EXPECT_EQ(m.patchedImports, 0) << "the probe imports no message boxes";
}

TEST_F(HostProbe, ClassicContinueLoopWorksBandByBand) {
    SetMode(0);
    const host::Image input = PatternImage(20, 40, 3);
    host::SetImage(host, input);
    host::RunReport report = Run();
    ASSERT_EQ(report.result, 0);
    EXPECT_FALSE(report.looping);
    EXPECT_EQ(report.continueCount, 3);  // rows 0-16, 16-32, 32-40
    ASSERT_EQ(report.advanceCalls.size(), 3u);
    for (const host::AdvanceCall& c : report.advanceCalls) EXPECT_EQ(c.selector, -1) << "the host's own advance";
    EXPECT_EQ(report.advanceCalls[2].inRect.top, 32);
    EXPECT_EQ(report.advanceCalls[2].inRect.bottom, 40);
    ASSERT_EQ(report.output.pixels.size(), input.pixels.size());
    for (size_t i = 0; i < input.pixels.size(); ++i)
        ASSERT_EQ(report.output.pixels[i], 255 - input.pixels[i]) << "byte " << i;
}

TEST_F(HostProbe, RequestNeverEmptiedIsReportedAsLooping) {
    SetMode(1);
    options().continueCap = 10;
    host::RunReport report = Run();
    EXPECT_TRUE(report.looping);
    EXPECT_EQ(report.continueCount, 10);
    EXPECT_FALSE(report.problems.empty());
    EXPECT_EQ(report.output.pixels, PatternImage(40, 30, 3).pixels) << "a failed run is undone";
    EXPECT_EQ(report.selectors.back().selector, filterSelectorContinue) << "no finish after a looping module";
}

TEST_F(HostProbe, WritesPastTheRowsAreCounted) {
    SetMode(2);
    options().rowSlack = 4;
    host::RunReport report = Run();
    EXPECT_EQ(report.result, 0);
    EXPECT_EQ(report.guardFaults, 30) << "one byte past each of 30 rows";
}

}  // namespace

}  // namespace kelvo::host
