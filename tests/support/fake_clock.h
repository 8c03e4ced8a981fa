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
    bool WaitReadable(int fd, uint32_t ms) override;

    // Moves virtual time on by ms, one millisecond at a time, running the pumps.
    void Advance(uint32_t ms);
    void SetLocalTime(const platform::LocalTime& t) { local_ = t; }

    int AddPump(Pump pump);
    void RemovePump(int id);
    void RunPumps();

  private:
    uint32_t now_;
    platform::LocalTime local_{};
    std::map<int, Pump> pumps_;
    int nextPump_ = 1;
};

}  // namespace orvane::testing
