#include "zeroed_floats.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kelvo {

namespace {

#if defined(__linux__)
// Blocks from this size on come from mmap, in large pages where the kernel
// has them; smaller ones from the heap, which keeps and reuses blocks up to
// about this size (glibc's largest threshold for mapping a block of its own),
// so that a render after the first finds its pages already there.
constexpr size_t kMappedBytes = size_t{32} << 20;
#endif

}  // namespace

ZeroedFloats::~ZeroedFloats() { ReleaseZeroedFloats(*this); }

void ReleaseZeroedFloats(ZeroedFloats& block) {
#if defined(__linux__)
    if (block.mapped) munmap(block.data, block.count * sizeof(float));
#endif
    if (!block.mapped) std::free(block.data);
    block.data = nullptr;
    block.count = 0;
    block.mapped = false;
}

bool AllocateZeroedFloats(ZeroedFloats& block, size_t count) {
    ReleaseZeroedFloats(block);
    if (count == 0) return true;
    if (count > SIZE_MAX / sizeof(float)) return false;
#if defined(__linux__)
    const size_t bytes = count * sizeof(float);
    if (bytes >= kMappedBytes) {
        void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED) return false;
#if defined(MADV_HUGEPAGE)
        madvise(pages, bytes, MADV_HUGEPAGE);  // advice only: small pages serve as well
#endif
        block.data = static_cast<float*>(pages);
        block.count = count;
        block.mapped = true;
        return true;
    }
#endif
    void* memory = std::calloc(count, sizeof(float));
    if (memory == nullptr) return false;
    block.data = static_cast<float*>(memory);
    block.count = count;
    return true;
}

}  // namespace kelvo
