#include "MemoryReuse.h"

#include <malloc.h>

namespace {

// The allocator pools blocks up to this size at most (half its heap size on 64-bit systems).
constexpr int kLargestPooledBlock = 32 << 20;
// Free memory at the heap's top is kept up to a few photographs' worth of buffers.
constexpr int kKeptFreeBytes = 256 << 20;

} // namespace

void ReuseFreedMemory() {
    // Setting either value also stops the allocator from moving them by itself.
    ::mallopt(M_MMAP_THRESHOLD, kLargestPooledBlock);
    ::mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
}
