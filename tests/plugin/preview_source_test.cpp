// The preview source: the fit of the filter area into the dialog's frame and
// the request it makes of the host.
#include "preview_source.h"

#include <gtest/gtest.h>

#include <vector>

#include "module_hooks.h"

namespace kelvo::plugin {

namespace {

// The module's side, as far as the preview source uses it.
int32_t storedFactor = -1;
void* storedInto = nullptr;
int advanceCalls = 0;
int16_t advanceAnswer = 0;
FilterRecord seenByHost;
FilterRecord* liveRecord = nullptr;

int16_t KELVO_CDECL FakeAdvanceState() {
    ++advanceCalls;
    seenByHost = *liveRecord;
    return advanceAnswer;
}

Rect HostRect(int top, int left, int bottom, int right) {
    return Rect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
                static_cast<int16_t>(right)};
}

void ExpectRect(const Rect& r, int top, int left, int bottom, int right) {
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.bottom, bottom);
    EXPECT_EQ(r.right, right);
}

// The frame control at client left 250, top 5, right 500, bottom 200.
Rect WorkedFrame() {
    Rect frame;
    SetHostRect(&frame, 250, 5, 500, 200);
    return frame;
}

}  // namespace

void SetModulePreviewScale(void* record, int32_t factor) {
    storedFactor = factor;
    storedInto = record;
}

TEST(FitPreviewRect, WorkedExamples) {
    Rect frame = WorkedFrame();
    int32_t factor = 0;
    ASSERT_TRUE(FitPreviewRect(HostRect(0, 0, 600, 800), &frame, &factor));
    EXPECT_EQ(factor, 4);
    ExpectRect(frame, 0, 0, 150, 200);

    // Coordinates are divided one by one, not the size.
    frame = WorkedFrame();
    ASSERT_TRUE(FitPreviewRect(HostRect(7, 13, 607, 813), &frame, &factor));
    EXPECT_EQ(factor, 4);
    ExpectRect(frame, 1, 3, 151, 203);
}

TEST(FitPreviewRect, RatiosRoundUpAndTheLargerOneWins) {
    Rect frame;
    int32_t factor = 0;
    // 248 wide after the inset; tall enough not to limit.
    SetHostRect(&frame, 0, 0, 250, 2000);
    ASSERT_TRUE(FitPreviewRect(HostRect(0, 0, 10, 496), &frame, &factor));
    EXPECT_EQ(factor, 2);
    SetHostRect(&frame, 0, 0, 250, 2000);
    ASSERT_TRUE(FitPreviewRect(HostRect(0, 0, 10, 497), &frame, &factor));
    EXPECT_EQ(factor, 3);

    // Wide and low: the width decides; narrow and tall: the height.
    SetHostRect(&frame, 0, 0, 102, 102);  // 100 x 100 inside
    ASSERT_TRUE(FitPreviewRect(HostRect(0, 0, 50, 1000), &frame, &factor));
    EXPECT_EQ(factor, 10);
    SetHostRect(&frame, 0, 0, 102, 102);
    ASSERT_TRUE(FitPreviewRect(HostRect(0, 0, 701, 20), &frame, &factor));
    EXPECT_EQ(factor, 8);
    ExpectRect(frame, 0, 0, 87, 2);
}

TEST(FitPreviewRect, SmallAreaIsNeverEnlarged) {
    Rect frame = WorkedFrame();
    int32_t factor = 0;
    ASSERT_TRUE(FitPreviewRect(HostRect(10, 20, 40, 60), &frame, &factor));
    EXPECT_EQ(factor, 1);
    ExpectRect(frame, 10, 20, 40, 60);
}

TEST(FitPreviewRect, RefusesSizesWithoutRoomAndTouchesNothing) {
    int32_t factor = 77;
    Rect frame = WorkedFrame();
    EXPECT_FALSE(FitPreviewRect(HostRect(5, 5, 5, 100), &frame, &factor)) << "no rows";
    EXPECT_FALSE(FitPreviewRect(HostRect(0, 9, 100, 3), &frame, &factor)) << "negative width";
    ExpectRect(frame, 5, 250, 200, 500);
    for (int side : {0, 1, 2}) {
        SetHostRect(&frame, 10, 10, static_cast<int16_t>(10 + side), 300);
        EXPECT_FALSE(FitPreviewRect(HostRect(0, 0, 100, 100), &frame, &factor)) << "frame " << side << " px wide";
        SetHostRect(&frame, 10, 10, 300, static_cast<int16_t>(10 + side));
        EXPECT_FALSE(FitPreviewRect(HostRect(0, 0, 100, 100), &frame, &factor)) << "frame " << side << " px high";
    }
    EXPECT_EQ(factor, 77);
    // Three pixels leave one for the image.
    SetHostRect(&frame, 10, 10, 13, 13);
    ASSERT_TRUE(FitPreviewRect(HostRect(0, 0, 100, 100), &frame, &factor));
    EXPECT_EQ(factor, 100);
    ExpectRect(frame, 0, 0, 1, 1);
}

TEST(HostRectArithmetic, SixteenBitsTruncatingTowardZero) {
    Rect r = HostRect(-7, 7, 9, -9);
    ScaleHostRect(&r, 1, 4);
    ExpectRect(r, -1, 1, 2, -2);
    r = HostRect(30000, -30000, 32767, 1000);
    ScaleHostRect(&r, 3, 3);  // the product needs 32 bits
    ExpectRect(r, 30000, -30000, 32767, 1000);
    ScaleHostRect(&r, 1, 0);
    ExpectRect(r, 30000, -30000, 32767, 1000);

    r = HostRect(0, 32767, 10, -32768);
    InsetHostRect(&r, 1, 2);
    ExpectRect(r, 2, -32768, 8, 32767);
    Rect copy;
    CopyHostRect(&copy, r);
    ExpectRect(copy, 2, -32768, 8, 32767);
}

class PreparePreview : public ::testing::Test {
protected:
    void SetUp() override {
        record = FilterRecord{};
        record.filterRect = HostRect(0, 0, 600, 800);
        record.planes = 4;
        record.advanceState = FakeAdvanceState;
        settings = PluginHandle{&settingsBlock, kPluginHandleSignature};
        record.parameters = &settings;
        // Sentinels: what the request must leave alone stays visible.
        record.maskRect = HostRect(11, 12, 13, 14);
        record.maskRate = 0x1234;
        record.maskPadding = 55;
        globals = PluginGlobals{};
        globals.filterRecord = &record;
        globals.previewRect = WorkedFrame();
        liveRecord = &record;
        storedFactor = -1;
        advanceCalls = 0;
        advanceAnswer = 0;
    }
    FilterRecord record;
    PluginGlobals globals;
    double settingsBlock = 0;
    PluginHandle settings{};
};

TEST_F(PreparePreview, AsksForTheReducedAreaWithoutAMask) {
    EXPECT_EQ(PreparePreviewSource(&globals), 0);
    ASSERT_EQ(advanceCalls, 1);
    EXPECT_EQ(storedFactor, 4);
    EXPECT_EQ(storedInto, &settingsBlock) << "the factor goes into the settings record";
    ExpectRect(globals.previewRect, 0, 0, 150, 200);
    ExpectRect(seenByHost.inRect, 0, 0, 150, 200);
    ExpectRect(seenByHost.outRect, 0, 0, 150, 200);
    EXPECT_EQ(seenByHost.inLoPlane, 0);
    EXPECT_EQ(seenByHost.inHiPlane, 3);
    EXPECT_EQ(seenByHost.outLoPlane, 0);
    EXPECT_EQ(seenByHost.outHiPlane, 3);
    EXPECT_EQ(seenByHost.inputRate, 0x00040000);
    EXPECT_EQ(seenByHost.inputPadding, -1);
    EXPECT_EQ(seenByHost.outputPadding, -1);
    ExpectRect(seenByHost.maskRect, 11, 12, 13, 14);
    EXPECT_EQ(seenByHost.maskRate, 0x1234);
    EXPECT_EQ(seenByHost.maskPadding, 55);
}

TEST_F(PreparePreview, MaskFieldsFollowMaskAndFloating) {
    record.haveMask = 1;
    PreparePreviewSource(&globals);
    ExpectRect(seenByHost.maskRect, 11, 12, 13, 14);
    EXPECT_EQ(seenByHost.maskRate, 0x00040000) << "a mask alone sets only the rate";
    EXPECT_EQ(seenByHost.maskPadding, 55);

    SetUp();
    record.haveMask = 1;
    record.isFloating = 1;
    record.filterRect = HostRect(7, 13, 607, 813);
    PreparePreviewSource(&globals);
    ExpectRect(seenByHost.maskRect, 1, 3, 151, 203);
    EXPECT_EQ(seenByHost.maskRate, 0x00040000);
    EXPECT_EQ(seenByHost.maskPadding, -1);

    SetUp();
    record.isFloating = 1;  // floating without a mask: nothing of the mask
    PreparePreviewSource(&globals);
    EXPECT_EQ(seenByHost.maskRate, 0x1234);
    EXPECT_EQ(seenByHost.maskPadding, 55);
}

TEST_F(PreparePreview, FactorOneAndFailuresReachTheCaller) {
    record.filterRect = HostRect(0, 0, 100, 120);
    advanceAnswer = memFullErr;
    EXPECT_EQ(PreparePreviewSource(&globals), memFullErr);
    EXPECT_EQ(globals.result, memFullErr);
    EXPECT_EQ(storedFactor, 1);
    EXPECT_EQ(seenByHost.inputRate, 0x00010000);
    ExpectRect(seenByHost.inRect, 0, 0, 100, 120);
}

TEST_F(PreparePreview, WithoutASettingsRecordOnlyTheRequestIsMade) {
    record.parameters = nullptr;
    EXPECT_EQ(PreparePreviewSource(&globals), 0);
    EXPECT_EQ(advanceCalls, 1);
    EXPECT_EQ(storedFactor, -1);
}

TEST_F(PreparePreview, NoRequestWhenTheFrameHasNoRoom) {
    SetHostRect(&globals.previewRect, 10, 10, 12, 200);
    const FilterRecord before = record;
    EXPECT_EQ(PreparePreviewSource(&globals), kPreviewNotRequested);
    EXPECT_EQ(globals.result, kPreviewNotRequested);
    EXPECT_NE(kPreviewNotRequested, userCanceledOrToldErr) << "the run must go on after the dialog";
    EXPECT_EQ(advanceCalls, 0);
    EXPECT_EQ(storedFactor, -1);
    ExpectRect(record.inRect, before.inRect.top, before.inRect.left, before.inRect.bottom, before.inRect.right);
    EXPECT_EQ(record.inputRate, before.inputRate);
}

TEST(PreviewBuffers, UsableOnlyWithBothBuffersAndMatchingRectangles) {
    std::vector<uint8_t> in(12 * 3), out(12 * 3);
    FilterRecord r{};
    r.planes = 3;
    r.inRect = r.outRect = HostRect(0, 0, 3, 4);
    EXPECT_FALSE(PreviewBuffersUsable(&r));
    r.inData = in.data();
    r.outData = out.data();
    EXPECT_TRUE(PreviewBuffersUsable(&r));
    r.outRowBytes = 11;  // shorter than a row
    EXPECT_FALSE(PreviewBuffersUsable(&r));
    r.outRowBytes = 12;
    r.outRect = HostRect(0, 0, 3, 5);
    EXPECT_FALSE(PreviewBuffersUsable(&r));
    EXPECT_FALSE(PreviewBuffersUsable(nullptr));
}

}  // namespace kelvo::plugin
