// The host's advanceState, displayPixels, abortProc and progressProc, with the
// test playing the plug-in: it writes requests into the record and calls the
// callbacks the host put there. (The probe module is loaded only to have a
// session; its entry point is not called here.)
#include <cstring>
#include <vector>

#include "host_test_support.h"

namespace kelvo::host {

namespace {

using hosttest::PatternImage;

class HostBuffers : public hosttest::HostFixture {
protected:
    HostBuffers() : HostFixture(KELVO_PROBE_PATH) {}

    void SetUp() override {
        HostFixture::SetUp();
        if (HasFatalFailure()) return;
        host::SetImage(host, image);
        host::BeginRun(host);
    }

    void Request(const Rect& in, const Rect& out, int16_t lo = 0, int16_t hi = 2, Fixed rate = 0x10000) {
        FilterRecord* r = record();
        r->inRect = in;
        r->outRect = out;
        r->inLoPlane = r->outLoPlane = lo;
        r->inHiPlane = r->outHiPlane = hi;
        r->inputRate = rate;
    }

    uint8_t Pixel(int32_t y, int32_t x, int32_t p) const {
        return image.pixels[(static_cast<size_t>(y) * image.width + x) * image.planes + p];
    }

    const host::Image image = PatternImage(10, 8, 3);
};

int32_t Clamp(int32_t v, int32_t hi) { return v < 0 ? 0 : (v > hi ? hi : v); }

TEST_F(HostBuffers, SubsampledInputWithEdgeReplication) {
    Request(Rect{-1, -1, 5, 6}, Rect{0, 0, 0, 0}, 1, 2, 2 << 16);
    record()->inputPadding = -1;
    ASSERT_EQ(record()->advanceState(), 0);
    ASSERT_NE(record()->inData, nullptr);
    EXPECT_EQ(record()->outData, nullptr) << "an empty outRect gets no buffer";
    ASSERT_EQ(record()->inRowBytes, 7 * 2);
    const auto* in = static_cast<const uint8_t*>(record()->inData);
    for (int32_t y = -1; y < 5; ++y)
        for (int32_t x = -1; x < 6; ++x)
            for (int32_t p = 0; p < 2; ++p)
                ASSERT_EQ(in[(y + 1) * 14 + (x + 1) * 2 + p], Pixel(Clamp(y * 2, 7), Clamp(x * 2, 9), p + 1))
                    << y << "," << x << " plane " << p + 1;
    const host::AdvanceCall& call = host::CurrentReport(host).advanceCalls.back();
    EXPECT_EQ(call.inputRate, 2 << 16);
    EXPECT_EQ(call.inputPadding, -1);
    EXPECT_EQ(call.inLoPlane, 1);
}

TEST_F(HostBuffers, ConstantPaddingAndAHostThatIgnoresPadding) {
    Request(Rect{6, 8, 10, 12}, Rect{0, 0, 0, 0});
    record()->inputPadding = 9;
    ASSERT_EQ(record()->advanceState(), 0);
    const auto* in = static_cast<const uint8_t*>(record()->inData);
    EXPECT_EQ(in[0], Pixel(6, 8, 0));
    EXPECT_EQ(in[3 * 3], 9) << "column 11 is outside the image";
    EXPECT_EQ(in[2 * record()->inRowBytes], 9) << "row 8 is outside the image";

    options().supportsPadding = false;
    ASSERT_EQ(record()->advanceState(), 0);
    in = static_cast<const uint8_t*>(record()->inData);
    EXPECT_EQ(in[3 * 3], 0);
}

TEST_F(HostBuffers, OutputReachesTheImageAtTheNextRequestOnly) {
    Request(Rect{0, 0, 0, 0}, Rect{2, 3, 4, 6}, 1, 1);
    ASSERT_EQ(record()->advanceState(), 0);
    ASSERT_NE(record()->outData, nullptr);
    auto* out = static_cast<uint8_t*>(record()->outData);
    EXPECT_EQ(out[0], Pixel(2, 3, 1)) << "output buffers start as the image";
    for (int32_t y = 0; y < 2; ++y) std::memset(out + y * record()->outRowBytes, 0xEE, 3);
    EXPECT_EQ(host::CurrentImage(host).pixels, image.pixels) << "taken back too early";

    Request(Rect{0, 0, 0, 0}, Rect{0, 0, 0, 0});
    ASSERT_EQ(record()->advanceState(), 0);
    const host::Image& now = host::CurrentImage(host);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 10; ++x)
            for (int32_t p = 0; p < 3; ++p) {
                const bool written = y >= 2 && y < 4 && x >= 3 && x < 6 && p == 1;
                ASSERT_EQ(now.pixels[(y * 10 + x) * 3 + p], written ? 0xEE : Pixel(y, x, p)) << y << "," << x << "," << p;
            }
}

TEST_F(HostBuffers, GuardBytesCatchWritesPastTheRows) {
    options().rowSlack = 5;
    Request(Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4});
    ASSERT_EQ(record()->advanceState(), 0);
    ASSERT_EQ(record()->outRowBytes, 4 * 3 + 5);
    auto* out = static_cast<uint8_t*>(record()->outData);
    out[12] ^= 0xFF;                              // first slack byte of row 0
    out[3 * record()->outRowBytes + 16] ^= 0xFF;  // last slack byte of row 3
    out[-1] ^= 0xFF;                              // just before the buffer
    host::RunReport report = host::EndRun(host);
    EXPECT_EQ(report.guardFaults, 3);
    EXPECT_FALSE(report.problems.empty());
}

TEST_F(HostBuffers, BadRequestsAreRefused) {
    Request(Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}, 0, 3);
    EXPECT_EQ(record()->advanceState(), filterBadParameters) << "plane 3 of a three-plane image";
    EXPECT_EQ(record()->inData, nullptr);
    Request(Rect{4, 0, 0, 4}, Rect{0, 0, 0, 0});
    EXPECT_EQ(record()->advanceState(), filterBadParameters) << "inverted rectangle";
    Request(Rect{0, 0, 4, 4}, Rect{0, 0, 0, 0}, 0, 2, 0);
    EXPECT_EQ(record()->advanceState(), filterBadParameters) << "rate 0";
    Request(Rect{0, 0, 32767, 32767}, Rect{0, 0, 32767, 32767});
    EXPECT_EQ(record()->advanceState(), memFullErr);
    EXPECT_EQ(record()->inData, nullptr);
    EXPECT_EQ(record()->outData, nullptr);
    EXPECT_EQ(host::CurrentReport(host).problems.size(), 4u);
}

TEST_F(HostBuffers, ClampingHostShortensTheRequest) {
    options().clampRequests = true;
    Request(Rect{0, 0, 100, 100}, Rect{1, 1, 100, 100}, 0, 2, 3 << 16);
    ASSERT_EQ(record()->advanceState(), 0);
    EXPECT_EQ(record()->inRect.bottom, 3);  // ceil(8 / 3)
    EXPECT_EQ(record()->inRect.right, 4);   // ceil(10 / 3)
    EXPECT_EQ(record()->outRect.bottom, 8);
    EXPECT_EQ(record()->outRect.right, 10);
}

TEST_F(HostBuffers, FailingAndEmptyAnswersAsConfigured) {
    options().failAdvanceStateAt = 2;
    options().failAdvanceStateCode = -5;
    options().nullBuffersAt = 1;
    Request(Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4});
    EXPECT_EQ(record()->advanceState(), 0);
    EXPECT_EQ(record()->inData, nullptr);
    EXPECT_EQ(record()->outData, nullptr);
    EXPECT_EQ(record()->advanceState(), -5);
    EXPECT_EQ(record()->inData, nullptr);
    EXPECT_EQ(record()->advanceState(), 0);
    EXPECT_NE(record()->inData, nullptr);
    const auto& calls = host::CurrentReport(host).advanceCalls;
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].answer, -5);
}

TEST_F(HostBuffers, DisplayPixelsDrawsHostBuffersOnly) {
    Request(Rect{0, 0, 0, 0}, Rect{0, 0, 8, 10});
    ASSERT_EQ(record()->advanceState(), 0);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);

    PSPixelMap map{};
    map.version = 1;
    map.bounds = VRect{0, 0, 8, 10};
    map.imageMode = plugInModeRGBColor;
    map.rowBytes = record()->outRowBytes;
    map.colBytes = 3;
    map.planeBytes = 1;
    map.baseAddr = record()->outData;
    const VRect src = map.bounds;
    EXPECT_EQ(record()->displayPixels(&map, &src, 5, 7, dc), 0);
    const COLORREF c = GetPixel(dc, 7 + 4, 5 + 3);
    EXPECT_EQ(GetRValue(c), Pixel(3, 4, 0));
    EXPECT_EQ(GetGValue(c), Pixel(3, 4, 1));
    EXPECT_EQ(GetBValue(c), Pixel(3, 4, 2));

    // A map over the plug-in's own memory, or one running past the buffer, is not read.
    std::vector<uint8_t> own(300, 0);
    PSPixelMap foreign = map;
    foreign.baseAddr = own.data();
    EXPECT_NE(record()->displayPixels(&foreign, &src, 0, 0, dc), 0);
    const VRect tooBig{0, 0, 9, 10};
    EXPECT_NE(record()->displayPixels(&map, &tooBig, 0, 0, dc), 0);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);

    const auto& calls = host::CurrentReport(host).displayCalls;
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(calls[0].drawn && calls[0].fromHostBuffer && calls[0].hasContext);
    EXPECT_EQ(calls[0].dstRow, 5);
    EXPECT_EQ(calls[0].dstCol, 7);
    EXPECT_FALSE(calls[1].drawn || calls[1].fromHostBuffer);
    EXPECT_FALSE(calls[2].drawn);
}

TEST_F(HostBuffers, AbortAnswersAfterTheGivenProgress) {
    options().abortAfterProgress = 2;
    EXPECT_EQ(record()->abortProc(), 0);
    record()->progressProc(1, 10);
    EXPECT_EQ(record()->abortProc(), 0);
    record()->progressProc(2, 10);
    EXPECT_NE(record()->abortProc(), 0);
    const host::RunReport& report = host::CurrentReport(host);
    EXPECT_EQ(report.abortCalls, 3);
    ASSERT_EQ(report.progressCalls.size(), 2u);
    EXPECT_EQ(report.progressCalls[1].done, 2);
    EXPECT_EQ(report.progressCalls[1].total, 10);
}

TEST_F(HostBuffers, TheRecordCarriesTheHostAndTheImage) {
    const FilterRecord* r = record();
    EXPECT_EQ(r->imageSize.h, 10);
    EXPECT_EQ(r->imageSize.v, 8);
    EXPECT_EQ(r->planes, 3);
    EXPECT_EQ(r->imageMode, plugInModeRGBColor);
    EXPECT_EQ(r->filterRect.bottom, 8);
    EXPECT_EQ(r->filterRect.right, 10);
    ASSERT_NE(r->platformData, nullptr);
    EXPECT_EQ(reinterpret_cast<HWND>(r->platformData->hwnd), host::HostWindow(host));
    EXPECT_TRUE(IsWindow(host::HostWindow(host)));
    EXPECT_EQ(GetParent(host::HostWindow(host)), nullptr) << "a top-level window";
    EXPECT_EQ(r->inputRate, 0x10000);
}

}  // namespace

}  // namespace kelvo::host
