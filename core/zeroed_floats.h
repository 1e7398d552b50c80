// A large block of floats that starts at zero, for a renderer's working
// layers. Taken from the system as fresh pages where it can (already zero, so
// nothing is written up front), and on Linux in large pages: a layer the size
// of a 12-megapixel photo otherwise costs tens of thousands of page faults.
#pragma once

#include <cstddef>

namespace kelvo {

struct ZeroedFloats {
    float* data = nullptr;
    size_t count = 0;
    bool mapped = false;  // fresh pages from the system, not the heap

    ZeroedFloats() = default;
    ZeroedFloats(const ZeroedFloats&) = delete;
    ZeroedFloats& operator=(const ZeroedFloats&) = delete;
    ~ZeroedFloats();
};

// Gives `block` `count` floats, all +0, in place of what it held. False, with
// the block empty, when memory runs out.
bool AllocateZeroedFloats(ZeroedFloats& block, size_t count);

// Gives the block's memory back; the block is empty after it.
void ReleaseZeroedFloats(ZeroedFloats& block);

}  // namespace kelvo
