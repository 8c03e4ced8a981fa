#include "support/fake_clock.h"

#include <poll.h>

namespace orvane::testing {

void FakeClock::RunPumps() {
    // A pump may add or remove pumps; iterate over a snapshot of the ids.
    std::map<int, Pump> snapshot = pumps_;
    for (auto& [id, pump] : snapshot) {
        if (pumps_.count(id)) pump(now_);
    }
}

void FakeClock::Advance(uint32_t ms) {
    for (uint32_t i = 0; i < ms; ++i) {
        ++now_;
        RunPumps();
    }
    if (ms == 0) RunPumps();
}

bool FakeClock::WaitReadable(int fd, uint32_t ms) {
    pollfd p{fd, POLLIN, 0};
    for (uint32_t i = 0;; ++i) {
        RunPumps();
        if (fd >= 0 && ::poll(&p, 1, 0) > 0) return true;
        if (i == ms) return false;
        ++now_;
    }
}

int FakeClock::AddPump(Pump pump) {
    pumps_[nextPump_] = std::move(pump);
    return nextPump_++;
}

void FakeClock::RemovePump(int id) {
    pumps_.erase(id);
}

}  // namespace orvane::testing
