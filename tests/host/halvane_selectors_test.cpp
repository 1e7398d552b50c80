// Halvane's about, parameters, prepare and finish selectors and its dispatch,
// driven one selector at a time through our host.
#include <cstring>
#include <vector>

#include "host_test_support.h"
#include "plugin.h"

namespace {

using hosttest::SettingsOf;

class HalvaneSelectors : public hosttest::HostFixture {
protected:
    HalvaneSelectors() : HostFixture(KELVO_HALVANE_PATH) {}
};

TEST_F(HalvaneSelectors, AboutAsTheFirstCallMakesTheGlobalsAndShowsTheOwnedInformationBox) {
    khost::BeginRun(host);
    ASSERT_EQ(*khost::DataSlot(host), 0);
    EXPECT_EQ(khost::CallSelector(host, filterSelectorAbout), 0);
    khost::RunReport report = khost::EndRun(host);

    ASSERT_EQ(report.messageBoxes.size(), 1u);
    const khost::MessageBoxCall& box = report.messageBoxes[0];
    EXPECT_EQ(box.caption, L"Lens Flare Filter");
    EXPECT_EQ(box.text.rfind(L"Kelvo Lens Flare Filter 2.0 .\n", 0), 0u) << khost::Narrow(box.text);
    EXPECT_GT(box.text.size(), std::wstring(L"Kelvo Lens Flare Filter 2.0 .\n").size()) << "second line missing";
    EXPECT_TRUE(hosttest::IconIs(box, MB_ICONINFORMATION));
    EXPECT_EQ(box.type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(box.ownerIsHostWindow);
    EXPECT_TRUE(report.dialogs.empty());

    // The slot now holds the globals' handle: a plug-in handle like the settings record's.
    ASSERT_NE(report.dataSlot, 0);
    khost::HandleInfo globals = khost::InspectHandle(reinterpret_cast<Handle>(report.dataSlot));
    EXPECT_TRUE(globals.isGlobal);
    EXPECT_EQ(globals.recordSize, sizeof(void*) + 4);
    EXPECT_EQ(globals.signature, kPluginHandleSignature);
    EXPECT_GE(globals.blockSize, sizeof(PluginGlobals));

    // A later about keeps the same globals.
    khost::BeginRun(host);
    EXPECT_EQ(khost::CallSelector(host, filterSelectorAbout), 0);
    EXPECT_EQ(khost::EndRun(host).dataSlot, report.dataSlot);
}

TEST_F(HalvaneSelectors, SelectorsOutsideTheRangeAreRejectedAndTouchNothing) {
    // As the very first call, a bad selector still makes the globals.
    khost::BeginRun(host);
    EXPECT_EQ(khost::CallSelector(host, 6), filterBadParameters);
    EXPECT_NE(*khost::DataSlot(host), 0);

    ASSERT_EQ(khost::CallSelector(host, filterSelectorParameters), 0);
    const std::vector<uint8_t> settings = khost::InspectHandle(record()->parameters).bytes;
    std::vector<uint8_t> before(sizeof(FilterRecord));
    std::memcpy(before.data(), record(), before.size());
    for (int16_t selector : {int16_t{6}, int16_t{-1}, int16_t{-30100}, int16_t{32767}}) {
        EXPECT_EQ(khost::CallSelector(host, selector), filterBadParameters) << selector;
        EXPECT_EQ(khost::InspectHandle(record()->parameters).bytes, settings) << selector;
        EXPECT_EQ(std::memcmp(before.data(), record(), before.size()), 0) << "record changed by " << selector;
    }
    khost::RunReport report = khost::EndRun(host);
    EXPECT_TRUE(report.messageBoxes.empty());
    EXPECT_TRUE(report.advanceCalls.empty());
}

TEST_F(HalvaneSelectors, ParametersMakesTheDefaultRecordOnceAndRaisesShowDialogEveryTime) {
    khost::BeginRun(host);
    ASSERT_EQ(khost::CallSelector(host, filterSelectorParameters), 0);
    const Handle handle = record()->parameters;
    khost::HandleInfo info = khost::InspectHandle(handle);
    ASSERT_TRUE(info.present);
    EXPECT_TRUE(info.isGlobal);
    EXPECT_EQ(info.recordSize, sizeof(void*) + 4) << "hosts recognise the handle by its size";
    EXPECT_EQ(info.signature, kPluginHandleSignature);
    const uint8_t foto[4] = {'O', 'T', 'O', 'F'};
    EXPECT_EQ(std::memcmp(static_cast<uint8_t*>(handle) + sizeof(void*), foto, 4), 0);
    ASSERT_EQ(info.blockSize, 184u);

    const flare::FilterParameters p = SettingsOf(info);
    EXPECT_EQ(p.positionX, 100);
    EXPECT_EQ(p.positionY, 100);
    const double expected[] = {10, 21, 10, 0.05, 10, 30, 0.05, 10, 20, 22, 11, 0, 100, 0.7, 0.05, 0, 30, 0, 0.7, 1.0};
    const double* actual = &p.flareSize;
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i) EXPECT_EQ(actual[i], expected[i]) << "double " << i;
    EXPECT_EQ(p.previewScale, 0.0);
    EXPECT_EQ(p.showDialog, 1);
    for (uint8_t b : p.reserved) EXPECT_EQ(b, 0);

    // Edit the record as a dialog would, clear showDialog, and ask again.
    auto* block = *static_cast<flare::FilterParameters**>(handle);
    block->positionX = 321;
    block->raysCount = 7;
    block->showDialog = 0;
    ASSERT_EQ(khost::CallSelector(host, filterSelectorParameters), 0);
    EXPECT_EQ(record()->parameters, handle) << "record re-created";
    const flare::FilterParameters again = SettingsOf(khost::InspectHandle(handle));
    EXPECT_EQ(again.positionX, 321);
    EXPECT_EQ(again.raysCount, 7.0);
    EXPECT_EQ(again.flareSize, 10.0);
    EXPECT_EQ(again.showDialog, 1);
    khost::EndRun(host);
}

TEST_F(HalvaneSelectors, PrepareAsksForNoBufferSpaceAndFinishDoesNothing) {
    options().maxSpace = 3 << 20;
    khost::BeginRun(host);
    ASSERT_NE(record()->bufferSpace, 0) << "the host pre-fills bufferSpace";
    ASSERT_EQ(khost::CallSelector(host, filterSelectorParameters), 0);
    EXPECT_EQ(khost::CallSelector(host, filterSelectorPrepare), 0);
    EXPECT_EQ(record()->bufferSpace, 0);
    EXPECT_EQ(record()->maxSpace, 3 << 20);

    const std::vector<uint8_t> settings = khost::InspectHandle(record()->parameters).bytes;
    EXPECT_EQ(khost::CallSelector(host, filterSelectorFinish), 0);
    EXPECT_EQ(khost::InspectHandle(record()->parameters).bytes, settings);
    khost::RunReport report = khost::EndRun(host);
    EXPECT_TRUE(report.messageBoxes.empty());
    EXPECT_TRUE(report.dialogs.empty());
    EXPECT_TRUE(report.advanceCalls.empty());
}

}  // namespace
