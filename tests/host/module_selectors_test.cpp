// The about, parameters, prepare and finish selectors and the dispatch of both
// modules, driven one selector at a time through our host.
#include <cstring>
#include <vector>

#include "host_test_support.h"
#include "plugin.h"

namespace kelvo::host {

namespace {

class ModuleSelectors : public hosttest::ModuleFixture {};

TEST_P(ModuleSelectors, AboutAsTheFirstCallMakesTheGlobalsAndShowsTheOwnedInformationBox) {
    host::BeginRun(host);
    ASSERT_EQ(*host::DataSlot(host), 0);
    EXPECT_EQ(host::CallSelector(host, filterSelectorAbout), 0);
    host::RunReport report = host::EndRun(host);

    ASSERT_EQ(report.messageBoxes.size(), 1u);
    const host::MessageBoxCall& box = report.messageBoxes[0];
    const std::wstring firstLine = module().aboutFirstLine;
    EXPECT_EQ(box.caption, module().caption);
    EXPECT_EQ(box.text.rfind(firstLine, 0), 0u) << host::Narrow(box.text);
    EXPECT_GT(box.text.size(), firstLine.size()) << "second line missing";
    EXPECT_TRUE(hosttest::IconIs(box, MB_ICONINFORMATION));
    EXPECT_EQ(box.type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(box.ownerIsHostWindow);
    EXPECT_EQ(box.selector, filterSelectorAbout);
    EXPECT_TRUE(report.dialogs.empty());

    // The slot now holds the globals' handle: a plug-in handle like the settings record's.
    ASSERT_NE(report.dataSlot, 0);
    host::HandleInfo globals = host::InspectHandle(reinterpret_cast<Handle>(report.dataSlot));
    EXPECT_TRUE(globals.isGlobal);
    EXPECT_EQ(globals.recordSize, hosttest::kHandleRecordSize);
    EXPECT_EQ(globals.signature, kPluginHandleSignature);
    EXPECT_GE(globals.blockSize, sizeof(PluginGlobals));

    // A later about keeps the same globals.
    host::BeginRun(host);
    EXPECT_EQ(host::CallSelector(host, filterSelectorAbout), 0);
    EXPECT_EQ(host::EndRun(host).dataSlot, report.dataSlot);
}

TEST_P(ModuleSelectors, SelectorsOutsideTheRangeAreRejectedAndTouchNothing) {
    // As the very first call, a bad selector still makes the globals.
    host::BeginRun(host);
    EXPECT_EQ(host::CallSelector(host, 6), filterBadParameters);
    EXPECT_NE(*host::DataSlot(host), 0);

    ASSERT_EQ(host::CallSelector(host, filterSelectorParameters), 0);
    const std::vector<uint8_t> settings = SettingsBytes();
    std::vector<uint8_t> before(sizeof(FilterRecord));
    std::memcpy(before.data(), record(), before.size());
    for (int16_t selector : {int16_t{6}, int16_t{-1}, int16_t{-30100}, int16_t{32767}}) {
        EXPECT_EQ(host::CallSelector(host, selector), filterBadParameters) << selector;
        EXPECT_EQ(SettingsBytes(), settings) << selector;
        EXPECT_EQ(std::memcmp(before.data(), record(), before.size()), 0) << "record changed by " << selector;
    }
    host::RunReport report = host::EndRun(host);
    EXPECT_TRUE(report.messageBoxes.empty());
    EXPECT_TRUE(report.advanceCalls.empty());
}

TEST_P(ModuleSelectors, ParametersMakesTheDefaultRecordOnceAndRaisesShowDialogEveryTime) {
    host::BeginRun(host);
    ASSERT_EQ(host::CallSelector(host, filterSelectorParameters), 0);
    const Handle handle = record()->parameters;
    host::HandleInfo info = host::InspectHandle(handle);
    ASSERT_TRUE(info.present);
    EXPECT_TRUE(info.isGlobal);
    EXPECT_EQ(info.recordSize, hosttest::kHandleRecordSize) << "hosts recognise the handle by its size";
    EXPECT_EQ(info.signature, kPluginHandleSignature);
    const uint8_t foto[4] = {'O', 'T', 'O', 'F'};
    EXPECT_EQ(std::memcmp(static_cast<uint8_t*>(handle) + sizeof(void*), foto, 4), 0);
    ASSERT_GE(info.blockSize, module().recordSize);

    module().expectDefaults(info.bytes);
    EXPECT_EQ(hosttest::PreviewScaleOf(module(), info.bytes), 0.0);
    EXPECT_EQ(hosttest::ShowDialogOf(module(), info.bytes), 1);

    // Edit every byte of the record as a dialog would, clear showDialog, and
    // ask again: only showDialog may change.
    auto* block = *static_cast<uint8_t**>(handle);
    for (size_t i = 0; i < module().recordSize; ++i) block[i] = static_cast<uint8_t>(i * 37 + 5);
    const int16_t zero = 0, one = 1;
    std::memcpy(block + module().showDialogOffset, &zero, sizeof zero);
    std::vector<uint8_t> edited(block, block + module().recordSize);
    ASSERT_EQ(host::CallSelector(host, filterSelectorParameters), 0);
    EXPECT_EQ(record()->parameters, handle) << "record re-created";
    std::memcpy(edited.data() + module().showDialogOffset, &one, sizeof one);
    const std::vector<uint8_t> again = SettingsBytes();
    ASSERT_GE(again.size(), module().recordSize);
    EXPECT_EQ(std::vector<uint8_t>(again.begin(), again.begin() + static_cast<ptrdiff_t>(module().recordSize)), edited);
    EXPECT_EQ(hosttest::ShowDialogOf(module(), again), 1);
    host::EndRun(host);
}

TEST_P(ModuleSelectors, PrepareAsksForNoBufferSpaceAndFinishDoesNothing) {
    options().maxSpace = 3 << 20;
    host::BeginRun(host);
    ASSERT_NE(record()->bufferSpace, 0) << "the host pre-fills bufferSpace";
    ASSERT_EQ(host::CallSelector(host, filterSelectorParameters), 0);
    EXPECT_EQ(host::CallSelector(host, filterSelectorPrepare), 0);
    EXPECT_EQ(record()->bufferSpace, 0);
    EXPECT_EQ(record()->maxSpace, 3 << 20);

    const std::vector<uint8_t> settings = SettingsBytes();
    EXPECT_EQ(host::CallSelector(host, filterSelectorFinish), 0);
    EXPECT_EQ(SettingsBytes(), settings);
    host::RunReport report = host::EndRun(host);
    EXPECT_TRUE(report.messageBoxes.empty());
    EXPECT_TRUE(report.dialogs.empty());
    EXPECT_TRUE(report.advanceCalls.empty());
}

INSTANTIATE_TEST_SUITE_P(BothModules, ModuleSelectors, ::testing::ValuesIn(hosttest::BothModules()),
                         hosttest::ModuleTestName);

}  // namespace

}  // namespace kelvo::host
