#include "gui/memory_policy.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace orvane::gui {

void KeepLargeBuffersInHeap() {
#if defined(__GLIBC__)
    // Blocks below this come from the heap instead of a mapping of their own,
    // and up to twice as much free space at its top stays with the process.
    constexpr int kLargeBlock = 32 << 20;
    mallopt(M_MMAP_THRESHOLD, kLargeBlock);
    mallopt(M_TRIM_THRESHOLD, 2 * kLargeBlock);
#endif
}

}  // namespace orvane::gui
