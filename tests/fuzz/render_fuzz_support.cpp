#include "render_fuzz_support.h"

#include <cstdlib>
#include <cstring>

namespace kelvo::fuzz {
namespace {

int gAbortAfter = -1;
int gPolls = 0;

bool AbortAfterPolls(void*) { return gAbortAfter >= 0 && gPolls++ >= gAbortAfter; }
void IgnoreProgress(void*, int32_t, int32_t) {}

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
    const uint8_t leftByte = reader->Byte();
    reader->Byte();  // once the area's top in its image
    reader->Fill(settings, recordSize);
    // The left byte's top bits choose the samples: 8-bit, 16-bit as hosts
    // give them (white 32768), linear floats, 16-bit as files hold them.
    const int depthChoice = leftByte >> 6;
    const int32_t depth = depthChoice == 0 ? 8 : (depthChoice == 2 ? 32 : 16);
    d->depth = depth;
    const int32_t sampleBytes = depth / 8;

    d->rowBytes = static_cast<size_t>(d->width) * d->planes * sampleBytes;
    const bool packed = (strides & 0x80) != 0;  // rows packed without slack
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
    d->callbacks.aborted = AbortAfterPolls;
    d->callbacks.progress = IgnoreProgress;
    d->area.in = d->in.get();
    d->area.out = d->out.get();
    d->area.inRowBytes = d->inStride;
    d->area.outRowBytes = d->outStride;
    d->area.width = d->width;
    d->area.height = d->height;
    d->area.planes = d->planes;
    d->deep.in = d->in.get();
    d->deep.out = d->out.get();
    d->deep.inRowBytes = d->inStride;
    d->deep.outRowBytes = d->outStride;
    d->deep.width = d->width;
    d->deep.height = d->height;
    d->deep.planes = d->planes;
    d->deep.samples = depth == 32 ? kelvo::DeepSamples::F32 : kelvo::DeepSamples::U16;
    d->deep.white = depthChoice == 3 ? 65535 : 32768;
    d->deep.linear = depth == 32;
}

void CheckSlackUntouched(const Delivery& d) {
    for (int32_t y = 0; y < d.height; ++y)
        for (size_t x = d.rowBytes; x < d.outStride; ++x)
            if (d.out[y * d.outStride + x] != kOutputFill) std::abort();
}

void RenderAndCheck(const uint8_t* data, size_t size, void* settings, size_t recordSize, RenderEntry render,
                    DeepRenderEntry renderDeep) {
    ByteReader reader{data, size};
    Delivery delivery;
    MakeDelivery(&reader, settings, recordSize, &delivery);
    const auto run = [&]() {
        if (delivery.depth == 8) return render(delivery.area, settings, delivery.callbacks);
        return renderDeep(delivery.deep, settings, delivery.callbacks) != kelvo::RenderEnd::Stopped;
    };
    const bool finished = run();
    CheckSlackUntouched(delivery);
    if (!finished) return;
    const size_t bytes = delivery.outStride * delivery.height;
    std::unique_ptr<uint8_t[]> first(new uint8_t[bytes]);
    std::memcpy(first.get(), delivery.out.get(), bytes);
    gAbortAfter = -1;
    run();
    if (std::memcmp(first.get(), delivery.out.get(), bytes) != 0) std::abort();
}

}  // namespace kelvo::fuzz
