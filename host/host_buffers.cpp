// advanceState's work: building the buffers a request asks for from the
// document and taking the module's output back into it.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "host_internal.h"

namespace kelvo::host {
namespace {

// Largest buffer the host hands out; a bigger request fails as a real host's
// allocation would, with memFullErr.
constexpr int64_t kMaxBufferBytes = int64_t{256} << 20;

uint8_t GuardByte(size_t i) { return static_cast<uint8_t>(0x5A + i * 37); }

int32_t RectWidth(const Rect& r) { return static_cast<int32_t>(r.right) - r.left; }
int32_t RectHeight(const Rect& r) { return static_cast<int32_t>(r.bottom) - r.top; }
bool HasArea(const Rect& r) { return RectWidth(r) > 0 && RectHeight(r) > 0; }

// Image coordinate of sampled coordinate v at a 16.16 rate: nearest neighbour,
// rounded toward minus infinity.
int64_t Sample(int32_t v, Fixed rate) { return (static_cast<int64_t>(v) * rate) >> 16; }

// Allocates a width x height x planes buffer with guards; false when too big.
bool Allocate(HostBuffer* b, const Rect& rect, int32_t planes, int32_t slack, int32_t sampleBytes = 1) {
    const int32_t width = RectWidth(rect), height = RectHeight(rect);
    const int64_t rowBytes = static_cast<int64_t>(width) * planes * sampleBytes + slack;
    const int64_t total = rowBytes * height + 2 * static_cast<int64_t>(kGuardBytes);
    if (rowBytes > INT32_MAX || total > kMaxBufferBytes) return false;
    b->storage.assign(static_cast<size_t>(total), 0);
    for (size_t i = 0; i < kGuardBytes; ++i) {
        b->storage[i] = GuardByte(i);
        b->storage[static_cast<size_t>(total) - kGuardBytes + i] = GuardByte(i + 1000);
    }
    b->data = b->storage.data() + kGuardBytes;
    b->width = width;
    b->height = height;
    b->planes = planes;
    b->sampleBytes = sampleBytes;
    b->rowBytes = static_cast<int32_t>(rowBytes);
    b->rect = rect;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* pad = b->data + static_cast<size_t>(y) * rowBytes + static_cast<size_t>(width) * planes * sampleBytes;
        for (int32_t i = 0; i < slack; ++i) pad[i] = GuardByte(static_cast<size_t>(y) * 7 + i);
    }
    b->live = true;
    return true;
}

// Counts guard and row-slack bytes that no longer hold their pattern.
int CountGuardFaults(const HostBuffer& b) {
    if (!b.live) return 0;
    int faults = 0;
    const size_t total = b.storage.size();
    for (size_t i = 0; i < kGuardBytes; ++i) {
        if (b.storage[i] != GuardByte(i)) ++faults;
        if (b.storage[total - kGuardBytes + i] != GuardByte(i + 1000)) ++faults;
    }
    const int32_t used = b.width * b.planes * b.sampleBytes;
    const int32_t slack = b.rowBytes - used;
    for (int32_t y = 0; y < b.height; ++y) {
        const uint8_t* pad = b.data + static_cast<size_t>(y) * b.rowBytes + used;
        for (int32_t i = 0; i < slack; ++i)
            if (pad[i] != GuardByte(static_cast<size_t>(y) * 7 + i)) ++faults;
    }
    return faults;
}

void Release(HostSession* s, HostBuffer* b, const char* name) {
    if (!b->live) return;
    const int faults = CountGuardFaults(*b);
    if (faults > 0) {
        s->report.guardFaults += faults;
        s->report.problems.push_back(std::string(name) + " buffer: " + std::to_string(faults) +
                                     " guard bytes overwritten");
    }
    *b = HostBuffer{};
}

// Fills a buffer from the document: rows and columns of `rect` in sampled
// coordinates at `rate`, planes lo.. of the image; outside the image the
// padding rule applies (-1 replicate, 0..255 that value, else 0).
void FillFromImage(const Image& image, HostBuffer* b, int16_t lo, Fixed rate, int padding) {
    for (int32_t y = 0; y < b->height; ++y) {
        uint8_t* row = b->data + static_cast<size_t>(y) * b->rowBytes;
        int64_t sy = Sample(b->rect.top + y, rate);
        bool rowOutside = sy < 0 || sy >= image.height;
        if (padding == -1) sy = std::clamp<int64_t>(sy, 0, image.height - 1);
        for (int32_t x = 0; x < b->width; ++x) {
            int64_t sx = Sample(b->rect.left + x, rate);
            bool outside = rowOutside || sx < 0 || sx >= image.width;
            if (padding == -1) sx = std::clamp<int64_t>(sx, 0, image.width - 1);
            const size_t sb = static_cast<size_t>(image.sampleBytes);
            uint8_t* px = row + static_cast<size_t>(x) * b->planes * sb;
            if (outside && padding != -1) {
                std::memset(px, padding >= 0 && padding <= 255 ? padding : 0, static_cast<size_t>(b->planes) * sb);
                continue;
            }
            const uint8_t* src = image.pixels.data() +
                                 (static_cast<size_t>(sy) * image.width + static_cast<size_t>(sx)) * image.planes * sb;
            std::memcpy(px, src + lo * sb, static_cast<size_t>(b->planes) * sb);
        }
    }
}

void TakeBack(HostSession* s) {
    HostBuffer& b = s->out;
    if (!b.live || b.previewSurface) return;
    Image& image = s->image;
    for (int32_t y = 0; y < b.height; ++y) {
        const int32_t iy = b.rect.top + y;
        if (iy < 0 || iy >= image.height) continue;
        for (int32_t x = 0; x < b.width; ++x) {
            const int32_t ix = b.rect.left + x;
            if (ix < 0 || ix >= image.width) continue;
            const size_t sb = static_cast<size_t>(image.sampleBytes);
            std::memcpy(image.pixels.data() + ((static_cast<size_t>(iy) * image.width + ix) * image.planes + b.loPlane) * sb,
                        b.data + static_cast<size_t>(y) * b.rowBytes + static_cast<size_t>(x) * b.planes * sb,
                        static_cast<size_t>(b.planes) * sb);
        }
    }
}

void ClearDelivery(FilterRecord* r) {
    r->inData = nullptr;
    r->outData = nullptr;
    r->maskData = nullptr;
    r->inRowBytes = 0;
    r->outRowBytes = 0;
    r->maskRowBytes = 0;
}

// Clamps bottom/right of a request to the image (in sampled coordinates for a rate).
void ClampToImage(Rect* r, const Image& image, Fixed rate) {
    if (rate <= 0) rate = 0x10000;
    const int64_t maxV = ((static_cast<int64_t>(image.height) << 16) + rate - 1) / rate;
    const int64_t maxH = ((static_cast<int64_t>(image.width) << 16) + rate - 1) / rate;
    if (r->bottom > maxV) r->bottom = static_cast<int16_t>(maxV);
    if (r->right > maxH) r->right = static_cast<int16_t>(maxH);
}

// Checks one part of a request; says what is wrong, or nothing.
std::string CheckPart(const char* name, const Rect& rect, int16_t lo, int16_t hi, int32_t planes, Fixed* rate) {
    if (!HasArea(rect)) {
        if (RectWidth(rect) < 0 || RectHeight(rect) < 0) return std::string(name) + "Rect " + RectText(rect) + " is inverted";
        return {};
    }
    if (lo < 0 || hi < lo || hi >= planes)
        return std::string(name) + " planes " + std::to_string(lo) + ".." + std::to_string(hi) + " outside 0.." +
               std::to_string(planes - 1);
    if (rate != nullptr && *rate <= 0) return std::string(name) + " rate " + std::to_string(*rate) + " not positive";
    return {};
}

// The request as the module made it, before the host clamps or serves it;
// the host's own advance between continue calls has selector -1.
AdvanceCall RequestAsAsked(const HostSession& s, bool explicitCall) {
    const FilterRecord* r = s.record;
    AdvanceCall call;
    call.selector = s.currentSelector;
    call.duringDialog = s.dialogDepth > 0;
    call.inRect = r->inRect;
    call.outRect = r->outRect;
    call.maskRect = r->maskRect;
    call.inLoPlane = r->inLoPlane;
    call.inHiPlane = r->inHiPlane;
    call.outLoPlane = r->outLoPlane;
    call.outHiPlane = r->outHiPlane;
    call.inputRate = r->inputRate;
    call.maskRate = r->maskRate;
    call.inputPadding = r->inputPadding;
    call.outputPadding = r->outputPadding;
    call.maskPadding = r->maskPadding;
    call.haveMask = r->haveMask;
    call.isFloating = r->isFloating;
    if (!explicitCall) call.selector = -1;
    return call;
}

// Notes what was delivered and the answer in the call, files it in the
// report, and returns the answer.
int16_t FinishCall(HostSession* s, AdvanceCall* call, int16_t answer) {
    const FilterRecord* r = s->record;
    call->answer = answer;
    call->inDelivered = r->inData != nullptr;
    call->outDelivered = r->outData != nullptr;
    call->maskDelivered = r->maskData != nullptr;
    call->inRowBytes = r->inRowBytes;
    call->outRowBytes = r->outRowBytes;
    call->maskRowBytes = r->maskRowBytes;
    if (!call->problem.empty()) s->report.problems.push_back("advanceState: " + call->problem);
    s->report.advanceCalls.push_back(*call);
    return answer;
}

void ClampRequest(FilterRecord* r, const Image& image) {
    ClampToImage(&r->inRect, image, r->inputRate);
    ClampToImage(&r->outRect, image, 0x10000);
    if (r->haveMask) ClampToImage(&r->maskRect, image, r->maskRate);
}

// Checks the input, output and mask parts of a request in turn; says what
// is wrong with the first that is wrong, or nothing.
std::string CheckRequest(const FilterRecord& r, int32_t planes, Fixed* inRate, Fixed* maskRate) {
    std::string problem = CheckPart("in", r.inRect, r.inLoPlane, r.inHiPlane, planes, inRate);
    if (problem.empty()) problem = CheckPart("out", r.outRect, r.outLoPlane, r.outHiPlane, planes, nullptr);
    if (problem.empty() && r.haveMask) problem = CheckPart("mask", r.maskRect, 0, 0, 1, maskRate);
    return problem;
}

// The input rows as the dialog's preview asked for them, without the slack.
void KeepInputPixels(const HostBuffer& in, AdvanceCall* call) {
    const size_t rowBytes = static_cast<size_t>(in.width) * in.planes * in.sampleBytes;
    call->inPixels.resize(rowBytes * in.height);
    for (int32_t y = 0; y < in.height; ++y)
        std::memcpy(call->inPixels.data() + y * rowBytes, in.data + static_cast<size_t>(y) * in.rowBytes, rowBytes);
}

// Each Deliver* allocates and fills one buffer of the request and hands it
// to the module; false, with the problem in the call, when it is too big.
bool DeliverInput(HostSession* s, Fixed inRate, int padding, AdvanceCall* call) {
    FilterRecord* r = s->record;
    if (!Allocate(&s->in, r->inRect, r->inHiPlane - r->inLoPlane + 1, s->options.rowSlack, s->image.sampleBytes)) {
        call->problem = "input of " + RectText(r->inRect) + " too big";
        return false;
    }
    s->in.loPlane = r->inLoPlane;
    s->in.rate = inRate;
    // A filter reads the document as it was when the run began (editors
    // keep the unfiltered pixels as the filter's source), so what an
    // earlier request wrote back never comes back as input.
    FillFromImage(s->imageAtRunStart, &s->in, r->inLoPlane, inRate, padding);
    if (s->dialogDepth > 0) KeepInputPixels(s->in, call);
    r->inData = s->in.data;
    r->inRowBytes = s->in.rowBytes;
    r->inColumnBytes = s->in.planes * s->in.sampleBytes;
    r->inPlaneBytes = s->in.sampleBytes;
    return true;
}

bool DeliverOutput(HostSession* s, int padding, AdvanceCall* call) {
    FilterRecord* r = s->record;
    const HostOptions& o = s->options;
    if (!Allocate(&s->out, r->outRect, r->outHiPlane - r->outLoPlane + 1, o.rowSlack, s->image.sampleBytes)) {
        ReleaseBuffers(s, false);
        call->problem = "output of " + RectText(r->outRect) + " too big";
        return false;
    }
    s->out.loPlane = r->outLoPlane;
    s->out.previewSurface = s->dialogDepth > 0;
    if (o.outputFill >= 0) {
        for (int32_t y = 0; y < s->out.height; ++y)
            std::memset(s->out.data + static_cast<size_t>(y) * s->out.rowBytes, o.outputFill & 0xFF,
                        static_cast<size_t>(s->out.width) * s->out.planes * s->out.sampleBytes);
    } else {
        FillFromImage(s->image, &s->out, r->outLoPlane, 0x10000, padding == -1 ? -1 : 0);
    }
    r->outData = s->out.data;
    r->outRowBytes = s->out.rowBytes;
    r->outColumnBytes = s->out.planes * s->out.sampleBytes;
    r->outPlaneBytes = s->out.sampleBytes;
    return true;
}

bool DeliverMask(HostSession* s, Fixed maskRate, int padding, AdvanceCall* call) {
    FilterRecord* r = s->record;
    if (!Allocate(&s->mask, r->maskRect, 1, s->options.rowSlack)) {
        ReleaseBuffers(s, false);
        call->problem = "mask of " + RectText(r->maskRect) + " too big";
        return false;
    }
    s->mask.rate = maskRate;
    Image maskImage = MakeImage(s->image.width, s->image.height, 1, s->options.maskValue);
    FillFromImage(maskImage, &s->mask, 0, maskRate, padding);
    r->maskData = s->mask.data;
    r->maskRowBytes = s->mask.rowBytes;
    return true;
}

// Delivers the buffers of a checked request; the answer to the module.
int16_t DeliverBuffers(HostSession* s, Fixed inRate, Fixed maskRate, AdvanceCall* call) {
    const FilterRecord* r = s->record;
    const bool padded = s->options.supportsPadding;
    if (HasArea(r->inRect) && !DeliverInput(s, inRate, padded ? r->inputPadding : 0, call)) return memFullErr;
    if (HasArea(r->outRect) && !DeliverOutput(s, padded ? r->outputPadding : 0, call)) return memFullErr;
    if (r->haveMask && HasArea(r->maskRect) && !DeliverMask(s, maskRate, padded ? r->maskPadding : 0, call))
        return memFullErr;
    return 0;
}

}  // namespace

bool RectPending(const Rect& r) { return r.right != 0 || HasArea(r); }

bool InsideLiveBuffer(const HostSession* s, const uint8_t* first, const uint8_t* last) {
    for (const HostBuffer* b : {&s->out, &s->in, &s->mask}) {
        if (!b->live) continue;
        const uint8_t* begin = b->data;
        const uint8_t* end = b->data + static_cast<size_t>(b->rowBytes) * b->height;
        if (first >= begin && last < end && first <= last) return true;
    }
    return false;
}

void ReleaseBuffers(HostSession* s, bool takeBackOutput) {
    if (takeBackOutput) TakeBack(s);
    Release(s, &s->in, "input");
    Release(s, &s->out, "output");
    Release(s, &s->mask, "mask");
    if (s->record != nullptr) ClearDelivery(s->record);
}

int16_t ServeRequest(HostSession* s, bool explicitCall) {
    FilterRecord* r = s->record;
    const HostOptions& o = s->options;
    AdvanceCall call = RequestAsAsked(*s, explicitCall);
    const int n = explicitCall ? ++s->advanceCount : 0;
    if (explicitCall && o.failAdvanceStateAt == n) {
        // Nothing is taken back or delivered; the module must give up.
        ReleaseBuffers(s, false);
        return FinishCall(s, &call, o.failAdvanceStateCode);
    }
    ReleaseBuffers(s, true);
    if (explicitCall && (o.nullBuffersAt == -1 || o.nullBuffersAt == n)) return FinishCall(s, &call, 0);

    if (s->image.pixels.empty()) {
        call.problem = "the host has no image";
        return FinishCall(s, &call, filterBadParameters);
    }
    if (o.clampRequests) ClampRequest(r, s->image);
    Fixed inRate = r->inputRate, maskRate = r->maskRate;
    call.problem = CheckRequest(*r, s->image.planes, &inRate, &maskRate);
    if (!call.problem.empty()) return FinishCall(s, &call, filterBadParameters);
    return FinishCall(s, &call, DeliverBuffers(s, inRate, maskRate, &call));
}

}  // namespace kelvo::host
