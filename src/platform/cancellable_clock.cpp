#include "platform/cancellable_clock.h"

namespace orvane::platform {

void CancellableClock::SetBase(Clock* base) {
    base_ = base == this ? base_ : base;
}

uint32_t CancellableClock::TickCount() {
    return (base_ ? base_->TickCount() : system_.TickCount()) + skipped_.load();
}

LocalTime CancellableClock::Now() {
    return base_ ? base_->Now() : system_.Now();
}

void CancellableClock::Sleep(uint32_t ms) {
    Wait(-1, Want::Time, ms);
}

bool CancellableClock::WaitReadable(int fd, uint32_t ms) {
    return Wait(fd, Want::Readable, ms);
}

bool CancellableClock::WaitWritable(int fd, uint32_t ms) {
    return Wait(fd, Want::Writable, ms);
}

bool CancellableClock::Wait(int fd, Want want, uint32_t ms) {
    if (cancelled_) {
        skipped_ += ms;
        return false;
    }
    // A clock of the tests' own decides how its time passes.
    if (base_) {
        if (want == Want::Time) {
            base_->Sleep(ms);
            return false;
        }
        return want == Want::Readable ? base_->WaitReadable(fd, ms) : base_->WaitWritable(fd, ms);
    }
    return WaitSystem(fd, want, ms);
}

}  // namespace orvane::platform
