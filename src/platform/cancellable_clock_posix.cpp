#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/cancellable_clock.h"

namespace orvane::platform {

CancellableClock::CancellableClock(Clock* base) : base_(base) {
    int ends[2];
    // Without the pipe a cancel still ends every later wait; only one in
    // progress then runs its course.
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_.reset(ends[0]);
        wakeWrite_.reset(ends[1]);
    }
}

void CancellableClock::Cancel() {
    if (cancelled_.exchange(true)) return;
    if (wakeWrite_.valid()) {
        const char one = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeWrite_.get(), &one, 1);
    }
}

void CancellableClock::Reset() {
    char drained[16];
    while (wakeRead_.valid() && ::read(wakeRead_.get(), drained, sizeof drained) > 0) {
    }
    cancelled_ = false;
}

bool CancellableClock::WaitSystem(int fd, Want want, uint32_t ms) {
    const short events = want == Want::Readable ? POLLIN : want == Want::Writable ? POLLOUT : 0;
    pollfd p[2] = {{wakeRead_.get(), POLLIN, 0}, {fd, events, 0}};
    const nfds_t count = fd >= 0 ? 2 : 1;
    const uint32_t start = system_.TickCount();
    for (;;) {
        const uint32_t spent = TicksSince(system_.TickCount(), start);
        const int left = spent >= ms ? 0 : static_cast<int>(ms - spent);
        const int r = ::poll(p, count, left);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        if (count == 2 && p[1].revents != 0) return true;
        // Woken by the cancel: the rest of this wait is spared like the later ones.
        skipped_ += ms - std::min(ms, TicksSince(system_.TickCount(), start));
        return false;
    }
}

}  // namespace orvane::platform
