#include <algorithm>

#include "platform/cancellable_clock.h"

namespace orvane::platform {
namespace {

// A Cancel is seen within one slice of a wait.
constexpr uint32_t kSliceMs = 10;

}  // namespace

CancellableClock::CancellableClock(Clock* base) : base_(base) {}

void CancellableClock::Cancel() {
    cancelled_ = true;
}

void CancellableClock::Reset() {
    cancelled_ = false;
}

bool CancellableClock::WaitSystem(int fd, Want want, uint32_t ms) {
    const uint32_t start = system_.TickCount();
    for (;;) {
        const uint32_t spent = TicksSince(system_.TickCount(), start);
        if (spent >= ms) return false;
        const uint32_t slice = std::min(ms - spent, kSliceMs);
        if (want == Want::Time) {
            system_.Sleep(slice);
        } else if (want == Want::Readable ? system_.WaitReadable(fd, slice)
                                          : system_.WaitWritable(fd, slice)) {
            return true;
        }
        if (cancelled_) {
            skipped_ += ms - std::min(ms, TicksSince(system_.TickCount(), start));
            return false;
        }
    }
}

}  // namespace orvane::platform
