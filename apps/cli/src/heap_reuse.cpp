#include "heap_reuse.hpp"

#include <cstddef>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace plx71::cli {

void keepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // Blocks below the largest data file we read (64 MiB) come from the heap,
    // and the heap is not shrunk while the process runs; it ends soon anyway.
    constexpr int kMmapThreshold = 64 << 20;
    constexpr int kTrimThreshold = 128 << 20;
    mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
#endif
}

} // namespace plx71::cli
