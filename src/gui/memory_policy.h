#pragma once
// How the desktop program asks the allocator to treat its few large buffers.

namespace orvane::gui {

// The results pane's document copies its whole text into a fresh buffer of
// several megabytes from time to time. Handed back to the system and mapped
// again, every page of such a buffer faults on first touch, which stalls the
// window for tens of milliseconds; kept in the heap, it is reused warm.
void KeepLargeBuffersInHeap();

}  // namespace orvane::gui
