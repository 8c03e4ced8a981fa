#include "support/fake_clock.h"

#include <poll.h>

namespace orvane::testing {

namespace {
bool ReadableNow(int fd) {
    if (fd < 0) return false;
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}
}  // namespace

void FakeClock::RunPumps() {
    // A pump may add or remove pumps; iterate over a snapshot of the ids.
    std::map<int, Pump> snapshot = pumps_;
    for (auto& [id, pump] : snapshot) {
        if (pumps_.count(id)) pump(now_);
    }
}

void FakeClock::Advance(uint32_t ms) {
    ++sleeps_;
    for (uint32_t i = 0; i < ms; ++i) {
        ++now_;
        RunPumps();
    }
    if (ms == 0) RunPumps();
}

bool FakeClock::WaitReadable(int fd, uint32_t ms) {
    RunPumps();
    if (ReadableNow(fd)) return true;
    for (uint32_t i = 0; i < ms; ++i) {
        ++now_;
        RunPumps();
        if (ReadableNow(fd)) return true;
    }
    return false;
}

int FakeClock::AddPump(Pump pump) {
    int id = nextPump_++;
    pumps_[id] = std::move(pump);
    return id;
}

void FakeClock::RemovePump(int id) {
    pumps_.erase(id);
}

}  // namespace orvane::testing
