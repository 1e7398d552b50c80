#include "render_fuzz_support.h"

#include <cstdlib>
#include <cstring>

namespace fuzz {
namespace {

int gAbortAfter = -1;
int gPolls = 0;

uint8_t KELVO_CDECL AbortAfterPolls() { return gAbortAfter >= 0 && gPolls++ >= gAbortAfter ? 1 : 0; }
void KELVO_CDECL IgnoreProgress(int32_t, int32_t) {}

}  // namespace

void ByteReader::Fill(void* target, size_t count) {
    auto* bytes = static_cast<uint8_t*>(target);
    for (size_t i = 0; i < count; ++i) bytes[i] = Byte();
}

void MakeDelivery(ByteReader* reader, void* settings, size_t recordSize, Delivery* d) {
    d->width = 1 + reader->Byte() % 48;
    d->height = 1 + reader->Byte() % 48;
    d->planes = 1 + reader->Byte() % 5;
    const uint8_t strides = reader->Byte();
    const uint8_t abort = reader->Byte();
    const int16_t left = reader->Byte() % 64;
    const int16_t top = reader->Byte() % 64;
    reader->Fill(settings, recordSize);

    d->rowBytes = static_cast<size_t>(d->width) * d->planes;
    const bool packed = (strides & 0x80) != 0;  // strides given as 0: rows packed
    d->inStride = d->rowBytes + (packed ? 0 : strides % 8);
    d->outStride = d->rowBytes + (packed ? 0 : (strides >> 3) % 8);
    const size_t inSize = d->inStride * d->height;
    const size_t outSize = d->outStride * d->height;
    d->in.reset(new uint8_t[inSize]);
    d->out.reset(new uint8_t[outSize]);
    const size_t rest = reader->size - reader->pos;
    for (size_t i = 0; i < inSize; ++i) d->in[i] = rest > 0 ? reader->data[reader->pos + i % rest] : static_cast<uint8_t>(i * 37);
    std::memset(d->out.get(), kOutputFill, outSize);

    gAbortAfter = abort == 255 ? -1 : abort % 64;
    gPolls = 0;
    d->handle = PluginHandle{settings, kPluginHandleSignature};
    FilterRecord& r = d->record;
    r.abortProc = AbortAfterPolls;
    r.progressProc = IgnoreProgress;
    r.parameters = &d->handle;
    r.planes = static_cast<int16_t>(d->planes);
    r.filterRect = Rect{top, left, static_cast<int16_t>(top + d->height), static_cast<int16_t>(left + d->width)};
    r.inRect = r.filterRect;
    r.outRect = r.filterRect;
    r.inLoPlane = r.outLoPlane = 0;
    r.inHiPlane = r.outHiPlane = static_cast<int16_t>(d->planes - 1);
    r.inData = d->in.get();
    r.outData = d->out.get();
    r.inRowBytes = packed ? 0 : static_cast<int32_t>(d->inStride);
    r.outRowBytes = packed ? 0 : static_cast<int32_t>(d->outStride);
    r.imageMode = d->planes >= 3 ? plugInModeRGBColor : plugInModeGrayScale;
    r.inputRate = ToFixed(1);
    d->globals.filterRecord = &r;
}

void CheckSlackUntouched(const Delivery& d) {
    for (int32_t y = 0; y < d.height; ++y)
        for (size_t x = d.rowBytes; x < d.outStride; ++x)
            if (d.out[y * d.outStride + x] != kOutputFill) std::abort();
}

void RenderAndCheck(const uint8_t* data, size_t size, void* settings, size_t recordSize, RenderEntry render) {
    ByteReader reader{data, size};
    Delivery delivery;
    MakeDelivery(&reader, settings, recordSize, &delivery);
    const bool finished = render(&delivery.globals);
    CheckSlackUntouched(delivery);
    if (!finished) return;
    const size_t bytes = delivery.outStride * delivery.height;
    std::unique_ptr<uint8_t[]> first(new uint8_t[bytes]);
    std::memcpy(first.get(), delivery.out.get(), bytes);
    gAbortAfter = -1;
    render(&delivery.globals);
    if (std::memcmp(first.get(), delivery.out.get(), bytes) != 0) std::abort();
}

}  // namespace fuzz
