// The start and continue selectors of both modules as hosts of every kind
// drive them: missing callbacks, the dialog answered either way, repeated runs,
// failing or empty advanceState answers, masks, plane counts, padded rows, and
// hosts that keep neither the data slot nor the settings record.
#include <cstring>
#include <vector>

#include "host_test_support.h"
#include "plugin.h"

namespace kelvo::host {

namespace {

using hosttest::PatternImage;
using host::DialogAnswer;

bool SameRect(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

bool Empty(const Rect& r) { return SameRect(r, Rect{0, 0, 0, 0}); }

// The explicit advanceState calls the start selector made outside the dialog.
std::vector<host::AdvanceCall> FinalRequests(const host::RunReport& report) {
    std::vector<host::AdvanceCall> calls;
    for (const host::AdvanceCall& c : report.advanceCalls)
        if (c.selector == filterSelectorStart && !c.duringDialog) calls.push_back(c);
    return calls;
}

class ModuleRun : public hosttest::ModuleFixture {
protected:
    // A first run that the user confirms, so later runs can be repeats.
    void ConfirmedRun() {
        host::RunReport first = Run();
        ASSERT_EQ(first.result, 0);
        ASSERT_EQ(first.dialogs.size(), 1u);
    }

    void ExpectHostMessage(const host::RunReport& report, const wchar_t* text) {
        ASSERT_EQ(report.messageBoxes.size(), 1u);
        const host::MessageBoxCall& box = report.messageBoxes[0];
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, module().caption);
        EXPECT_TRUE(hosttest::IconIs(box, MB_ICONERROR));
        EXPECT_EQ(box.type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.selector, filterSelectorStart);
    }
};

// ---- Callbacks the host lacks --------------------------------------------------------

TEST_P(ModuleRun, WithoutAdvanceStateEveryStartTellsTheUserAndStops) {
    options().offerAdvanceState = false;
    host::RunReport report = Run();
    EXPECT_EQ(report.result, 1);
    ExpectHostMessage(report, L"This plug-in requires Adobe Photoshop 3.04 or later functionality.");
    EXPECT_TRUE(report.dialogs.empty());
    EXPECT_TRUE(report.advanceCalls.empty());
    EXPECT_TRUE(Empty(report.inRect) && Empty(report.outRect));
    EXPECT_EQ(report.output.pixels, PatternImage(40, 30, 3).pixels);
    EXPECT_EQ(ShowDialog(), 1);

    // The same on a repeat, whatever showDialog says.
    report = Run(false);
    EXPECT_EQ(report.result, 1);
    ExpectHostMessage(report, L"This plug-in requires Adobe Photoshop 3.04 or later functionality.");
    EXPECT_TRUE(report.dialogs.empty());
}

TEST_P(ModuleRun, DialogDueWithoutDisplayPixelsTellsTheUserAndKeepsShowDialog) {
    options().offerDisplayPixels = false;
    host::RunReport report = Run();
    EXPECT_EQ(report.result, 1);
    ExpectHostMessage(report, L"This plug-in requires Adobe Photoshop 2.5.2 or later functionality");
    EXPECT_TRUE(report.dialogs.empty());
    EXPECT_TRUE(report.advanceCalls.empty());
    EXPECT_EQ(ShowDialog(), 1);
    EXPECT_TRUE(Empty(report.inRect) && Empty(report.outRect));
}

// ---- The dialog ------------------------------------------------------------------------

TEST_P(ModuleRun, DialogOkRendersTheWholeAreaAndClearsShowDialog) {
    host::RunReport report = Run(true, DialogAnswer::Ok);
    ASSERT_EQ(report.result, 0);
    ASSERT_EQ(report.dialogs.size(), 1u);
    const host::DialogCall& dialog = report.dialogs[0];
    EXPECT_EQ(dialog.templateName, L"FILTERPARAM");
    EXPECT_TRUE(dialog.fromModule);
    EXPECT_TRUE(dialog.ownerIsHostWindow);
    EXPECT_NE(dialog.initParam, 0) << "the dialog gets the working globals";
    EXPECT_TRUE(dialog.shown);
    EXPECT_FALSE(dialog.forcedEnd);
    EXPECT_EQ(dialog.endCode, 1);
    EXPECT_TRUE(report.messageBoxes.empty());

    // The whole filter area, all planes, full size, asked for and handed back.
    const std::vector<host::AdvanceCall> calls = FinalRequests(report);
    ASSERT_EQ(calls.size(), 2u);
    const Rect whole{0, 0, 30, 40};
    for (const host::AdvanceCall& c : calls) {
        EXPECT_TRUE(SameRect(c.inRect, whole)) << host::RectText(c.inRect);
        EXPECT_TRUE(SameRect(c.outRect, whole)) << host::RectText(c.outRect);
        EXPECT_EQ(c.inLoPlane, 0);
        EXPECT_EQ(c.inHiPlane, 2);
        EXPECT_EQ(c.outLoPlane, 0);
        EXPECT_EQ(c.outHiPlane, 2);
        EXPECT_EQ(c.inputRate, ToFixed(1));
        EXPECT_EQ(c.answer, 0);
    }
    EXPECT_EQ(ShowDialog(), 0);
    EXPECT_EQ(PreviewScale(), 1.0) << "set for the final render";
    EXPECT_TRUE(Empty(report.inRect) && Empty(report.outRect) && Empty(report.maskRect));
    EXPECT_EQ(report.continueCount, 0);
    EXPECT_EQ(report.guardFaults, 0);
    EXPECT_TRUE(report.problems.empty()) << report.problems.front();
}

TEST_P(ModuleRun, DialogCancelAbandonsTheRunWithoutHandingBackOutput) {
    host::RunReport report = Run(true, DialogAnswer::Cancel);
    EXPECT_EQ(report.result, 1);
    ASSERT_EQ(report.dialogs.size(), 1u);
    EXPECT_EQ(report.dialogs[0].endCode, 2);
    EXPECT_TRUE(FinalRequests(report).empty()) << "no final request after Cancel";
    EXPECT_TRUE(report.messageBoxes.empty()) << "Cancel shows no message";
    EXPECT_EQ(ShowDialog(), 0);
    EXPECT_EQ(report.output.pixels, PatternImage(40, 30, 3).pixels);
    EXPECT_TRUE(Empty(report.inRect) && Empty(report.outRect));

    // After a cancelled dialog a repeat renders with the record as it is, without the dialog.
    report = Run(false);
    EXPECT_EQ(report.result, 0);
    EXPECT_TRUE(report.dialogs.empty());
    EXPECT_EQ(FinalRequests(report).size(), 2u);
}

TEST_P(ModuleRun, RepeatedRunSkipsTheDialogAndNeedsNoDisplayPixels) {
    ConfirmedRun();
    options().offerDisplayPixels = false;
    host::RunReport report = Run(false);
    EXPECT_EQ(report.result, 0);
    EXPECT_TRUE(report.dialogs.empty());
    EXPECT_TRUE(report.messageBoxes.empty());
    EXPECT_EQ(FinalRequests(report).size(), 2u);
    EXPECT_EQ(ShowDialog(), 0);
}

// ---- advanceState answers ------------------------------------------------------------

TEST_P(ModuleRun, FailingAdvanceStateCodeBecomesTheResult) {
    ConfirmedRun();
    const host::Image before = host::CurrentImage(host);
    struct Case {
        int at;
        int16_t code;
    };
    for (Case c : {Case{1, memFullErr}, Case{2, -4321}, Case{1, 7}}) {
        options().failAdvanceStateAt = c.at;
        options().failAdvanceStateCode = c.code;
        host::RunReport report = Run(false);
        EXPECT_EQ(report.result, c.code) << "call " << c.at;
        EXPECT_EQ(report.advanceCalls.size(), static_cast<size_t>(c.at)) << "call " << c.at;
        EXPECT_TRUE(Empty(report.inRect) && Empty(report.outRect) && Empty(report.maskRect));
        EXPECT_EQ(report.output.pixels, before.pixels);
        EXPECT_TRUE(report.messageBoxes.empty());
    }
}

// A host that answers yes but delivers nothing: the image stays as it was and
// the run is reported as failed, not as done.
TEST_P(ModuleRun, AdvanceStateWithNullBuffersLeavesTheImageAloneAndFails) {
    ConfirmedRun();
    const host::Image before = host::CurrentImage(host);
    options().nullBuffersAt = -1;
    host::RunReport report = Run(false);
    EXPECT_EQ(report.result, filterBadParameters);
    EXPECT_EQ(report.advanceCalls.size(), 1u);
    for (const host::AdvanceCall& c : report.advanceCalls) EXPECT_FALSE(c.inDelivered || c.outDelivered);
    EXPECT_EQ(report.output.pixels, before.pixels);
    EXPECT_TRUE(Empty(report.inRect) && Empty(report.outRect));
}

// ---- Rectangles and the continue loop ---------------------------------------------------

TEST_P(ModuleRun, StartAndContinueLeaveEveryRectangleEmpty) {
    options().haveMask = true;
    options().maskRect = Rect{1, 1, 20, 30};
    host::BeginRun(host);
    ASSERT_EQ(host::CallSelector(host, filterSelectorParameters), 0);
    ASSERT_EQ(host::CallSelector(host, filterSelectorPrepare), 0);
    ASSERT_EQ(host::CallSelector(host, filterSelectorStart), 0);
    EXPECT_TRUE(Empty(record()->inRect) && Empty(record()->outRect) && Empty(record()->maskRect));
    // Called anyway, continue has nothing to do and says so.
    record()->maskRect = Rect{1, 1, 20, 30};
    EXPECT_EQ(host::CallSelector(host, filterSelectorContinue), 0);
    EXPECT_TRUE(Empty(record()->inRect) && Empty(record()->outRect));
    EXPECT_EQ(host::CallSelector(host, filterSelectorContinue), 0);
    EXPECT_TRUE(Empty(record()->inRect) && Empty(record()->outRect));
    host::RunReport report = host::EndRun(host);
    EXPECT_EQ(report.result, 0);
}

TEST_P(ModuleRun, HostLoopingOnTheMaskRectangleGetsNothingToDo) {
    options().haveMask = true;
    options().maskRect = Rect{2, 3, 20, 30};
    options().continueCap = 4;
    host::RunReport report = Run();
    EXPECT_EQ(report.result, 0);
    EXPECT_FALSE(report.looping);
    EXPECT_EQ(report.continueCount, 0);
    EXPECT_TRUE(Empty(report.maskRect));

    // A host that re-arms maskRect and loops on it: one continue empties it.
    host::BeginRun(host);
    record()->maskRect = Rect{2, 3, 20, 30};
    EXPECT_EQ(host::ContinueLoop(host), 0);
    report = host::EndRun(host);
    EXPECT_FALSE(report.looping);
    EXPECT_EQ(report.continueCount, 1);
}

TEST_P(ModuleRun, MaskRectangleAtTheRequestDependsOnFloating) {
    const Rect hostMask{2, 3, 20, 30};
    options().haveMask = true;
    options().maskRect = hostMask;
    host::RunReport report = Run();
    ASSERT_EQ(report.result, 0);
    std::vector<host::AdvanceCall> calls = FinalRequests(report);
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(SameRect(calls[0].maskRect, hostMask)) << host::RectText(calls[0].maskRect);
    EXPECT_EQ(calls[0].maskRate, ToFixed(1));
    EXPECT_TRUE(calls[0].maskDelivered);

    options().isFloating = true;
    report = Run(false);
    ASSERT_EQ(report.result, 0);
    calls = FinalRequests(report);
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(Empty(calls[0].maskRect)) << host::RectText(calls[0].maskRect);
    EXPECT_FALSE(calls[0].maskDelivered);
    EXPECT_TRUE(Empty(report.maskRect));
}

// ---- Planes and row strides --------------------------------------------------------------

TEST_P(ModuleRun, OnePlaneImageIsRequestedAsPlaneZeroOnly) {
    host::SetImage(host, PatternImage(40, 30, 1));
    host::RunReport report = Run();
    ASSERT_EQ(report.result, 0);
    for (const host::AdvanceCall& c : FinalRequests(report)) {
        EXPECT_EQ(c.inLoPlane, 0);
        EXPECT_EQ(c.inHiPlane, 0);
        EXPECT_EQ(c.outLoPlane, 0);
        EXPECT_EQ(c.outHiPlane, 0);
    }
    EXPECT_EQ(report.guardFaults, 0);
}

TEST_P(ModuleRun, PlaneCountsAndWideRowsGiveTheSameImageAndKeepTheGuards) {
    for (int32_t planes : {1, 3, 4, 5}) {
        const host::Image input = PatternImage(37, 23, planes);
        std::vector<uint8_t> packed;
        for (int32_t slack : {0, 13}) {
            host::HostOptions o;
            o.rowSlack = slack;
            Open(o);
            host::SetImage(host, input);
            host::RunReport report = Run();
            ASSERT_EQ(report.result, 0) << planes << " planes, slack " << slack;
            EXPECT_EQ(report.guardFaults, 0) << planes << " planes, slack " << slack;
            const std::vector<host::AdvanceCall> calls = FinalRequests(report);
            ASSERT_EQ(calls.size(), 2u);
            EXPECT_EQ(calls[0].inHiPlane, planes - 1);
            EXPECT_EQ(calls[0].inRowBytes, 37 * planes + slack);
            EXPECT_EQ(calls[0].outRowBytes, 37 * planes + slack);
            if (slack == 0) {
                packed = report.output.pixels;
            } else {
                EXPECT_EQ(report.output.pixels, packed) << planes << " planes: wide rows changed the image";
            }
            // Planes past the three colour planes pass through untouched.
            for (size_t i = 0; i < report.output.pixels.size(); ++i) {
                if (static_cast<int32_t>(i % planes) >= 3) {
                    ASSERT_EQ(report.output.pixels[i], input.pixels[i]) << "byte " << i << " of " << planes << " planes";
                }
            }
        }
    }
}

// ---- What the host keeps between runs -----------------------------------------------------

TEST_P(ModuleRun, HostKeepingNeitherSlotNorParametersGetsAFreshRunEachTime) {
    options().keepDataSlot = false;
    options().keepParameters = false;
    for (int run = 0; run < 2; ++run) {
        host::RunReport report = Run();
        ASSERT_EQ(report.result, 0) << "run " << run;
        EXPECT_NE(report.selectors.front().dataAfter, 0);
        EXPECT_EQ(report.selectors.front().dataBefore, 0) << "the host dropped the slot";
        ASSERT_EQ(report.dialogs.size(), 1u) << "run " << run;
        EXPECT_EQ(report.dialogs[0].endCode, 1);
        module().expectDefaults(report.settings.bytes);
        EXPECT_EQ(hosttest::ShowDialogOf(module(), report.settings.bytes), 0);
        EXPECT_EQ(FinalRequests(report).size(), 2u);
    }
}

TEST_P(ModuleRun, StartWithoutAnyRecordRendersTheDefaultsWithoutTheDialog) {
    host::RunPlan plan;
    plan.parameters = false;
    host::RunReport report = host::RunFilter(host, plan);
    EXPECT_EQ(report.result, 0);
    EXPECT_TRUE(report.dialogs.empty());
    EXPECT_TRUE(report.messageBoxes.empty());
    EXPECT_EQ(FinalRequests(report).size(), 2u);
    ASSERT_TRUE(report.settings.present);
    EXPECT_EQ(report.settings.recordSize, hosttest::kHandleRecordSize);
    EXPECT_EQ(report.settings.signature, kPluginHandleSignature);
    ASSERT_GE(report.settings.blockSize, module().recordSize);
    module().expectDefaults(report.settings.bytes);
    EXPECT_EQ(hosttest::ShowDialogOf(module(), report.settings.bytes), 0);
    EXPECT_EQ(hosttest::PreviewScaleOf(module(), report.settings.bytes), 1.0);
}

// ---- Image modes ----------------------------------------------------------------------------

// A host that calls the filter in a mode the PiPL leaves out (bitmap, indexed
// colour) gets filterBadMode: no dialog, no request, the image as it was.
// Every mode the PiPL lists renders (here with 8-bit samples and depth 8).
TEST_P(ModuleRun, ModesThePiplExcludesAreRefusedAsBadMode) {
    ConfirmedRun();
    const host::HostModule& loaded = host::Module(host);
    int refused = 0;
    for (int16_t mode = 0; mode < 18; ++mode) {
        const std::vector<uint8_t> before = host::CurrentImage(host).pixels;
        options().imageMode = mode;
        const bool accepted = pipl::AcceptsMode(loaded.pipl, mode);
        host::RunReport report = Run(mode % 2 == 0);  // with and without the dialog
        if (accepted) {
            EXPECT_EQ(report.result, 0) << "mode " << mode;
            continue;
        }
        ++refused;
        EXPECT_EQ(report.result, filterBadMode) << "mode " << mode;
        EXPECT_TRUE(report.dialogs.empty()) << "mode " << mode;
        EXPECT_TRUE(report.advanceCalls.empty()) << "mode " << mode;
        EXPECT_TRUE(report.messageBoxes.empty()) << "mode " << mode;
        EXPECT_TRUE(Empty(report.inRect) && Empty(report.outRect)) << "mode " << mode;
        EXPECT_EQ(report.output.pixels, before) << "mode " << mode;
    }
    EXPECT_EQ(refused, 2) << "bitmap and indexed colour";
}

// ---- Cancel in the final run ----------------------------------------------------------------

// Stopping the final run is the user's cancel: the host is told -128
// (userCanceledErr), gets nothing handed back and keeps its image as it was,
// however far the passes came.
TEST_P(ModuleRun, AnAbortInTheFinalRunIsAUserCancelAndKeepsTheImage) {
    ConfirmedRun();
    const std::vector<uint8_t> before = host::CurrentImage(host).pixels;
    options().abortAfterProgress = 0;  // from the first row
    host::RunReport report = Run(false);
    EXPECT_EQ(report.result, userCanceledErr);
    EXPECT_GE(report.abortCalls, 1);
    EXPECT_TRUE(report.progressCalls.empty());
    EXPECT_EQ(FinalRequests(report).size(), 1u) << "nothing is handed back";
    EXPECT_TRUE(Empty(report.inRect) && Empty(report.outRect));
    EXPECT_EQ(report.output.pixels, before);

    options().abortAfterProgress = 5;
    report = Run(false);
    EXPECT_EQ(report.result, userCanceledErr);
    EXPECT_GE(report.progressCalls.size(), 5u);
    EXPECT_LT(report.progressCalls.size(), 30u) << "the render went on after the abort";
    EXPECT_EQ(report.output.pixels, before);

    // The next run that nobody stops renders as usual.
    options().abortAfterProgress = -1;
    report = Run(false);
    EXPECT_EQ(report.result, 0);
    EXPECT_NE(report.output.pixels, before);
}

INSTANTIATE_TEST_SUITE_P(BothModules, ModuleRun, ::testing::ValuesIn(hosttest::BothModules()),
                         hosttest::ModuleTestName);

}  // namespace

}  // namespace kelvo::host
