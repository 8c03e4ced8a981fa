#pragma once
// A clock that moves only when the code under test sleeps or waits. Each virtual
// millisecond runs the registered pumps, which is how in-memory instruments get
// to answer while the code under test waits for them.

#include <functional>
#include <map>

#include "platform/clock.h"

namespace orvane::testing {

class FakeClock final : public platform::Clock {
  public:
    using Pump = std::function<void(uint32_t now)>;

    explicit FakeClock(uint32_t start = 1000) : now_(start) {}

    uint32_t TickCount() override { return now_; }
    void Sleep(uint32_t ms) override { Advance(ms); }
    platform::LocalTime Now() override { return local_; }
    bool WaitReadable(int fd, uint32_t ms) override {
        for (uint32_t i = 0;; ++i, ++now_) {
            RunPumps();
            if (fd >= 0 && platform::SystemClock().WaitReadable(fd, 0)) return true;
            if (i == ms) return false;
        }
    }

    void Advance(uint32_t ms) {
        if (ms == 0) RunPumps();
        for (uint32_t i = 0; i < ms; ++i) {
            ++now_;
            RunPumps();
        }
    }
    void SetLocalTime(const platform::LocalTime& t) { local_ = t; }

    int AddPump(Pump pump) {
        pumps_[nextPump_] = std::move(pump);
        return nextPump_++;
    }
    void RemovePump(int id) { pumps_.erase(id); }
    void RunPumps() {
        // A pump may add or remove pumps.
        std::map<int, Pump> snapshot = pumps_;
        for (auto& [id, pump] : snapshot) {
            if (pumps_.count(id)) pump(now_);
        }
    }

  private:
    uint32_t now_;
    platform::LocalTime local_{};
    std::map<int, Pump> pumps_;
    int nextPump_ = 1;
};

}  // namespace orvane::testing
