// Halvane's settings files as the host loads them into the settings record
// before a run. What both modules share is in module_run_test.cpp.
#include "host_test_support.h"

namespace kelvo::host {

namespace {

using hosttest::SettingsOf;

class HalvaneRun : public hosttest::HostFixture {
protected:
    HalvaneRun() : HostFixture(KELVO_HALVANE_PATH) {}
};

TEST_F(HalvaneRun, SettingsFileIsRenderedWithOrWithoutTheDialog) {
    flare::FilterParameters p = flare::DefaultFlareParameters();
    p.positionX = 7;
    p.positionY = -3;
    p.flareSize = 55.5;
    p.raysCount = 9;
    host::RunPlan plan;
    plan.parameters = false;
    plan.settingsFile = hosttest::SettingsFile(p);
    host::RunReport report = host::RunFilter(host, plan);
    ASSERT_EQ(report.result, 0);
    EXPECT_TRUE(report.dialogs.empty());
    flare::FilterParameters held = SettingsOf(report.settings);
    EXPECT_EQ(held.positionX, 7);
    EXPECT_EQ(held.positionY, -3);
    EXPECT_EQ(held.flareSize, 55.5);
    EXPECT_EQ(held.raysCount, 9.0);
    EXPECT_EQ(held.previewScale, 1.0);
    EXPECT_EQ(held.showDialog, 0);

    plan.parameters = true;
    report = host::RunFilter(host, plan);
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(report.dialogs.size(), 1u);
    held = SettingsOf(report.settings);
    EXPECT_EQ(held.positionX, 7);
    EXPECT_EQ(held.showDialog, 0);
}

}  // namespace

}  // namespace kelvo::host
