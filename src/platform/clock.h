#pragma once
// Time for the whole program: a 32-bit wrapping millisecond tick count, sleeping,
// waiting for input on a descriptor, and the local time of day. Every wait in the
// core goes through a clock handed in, so that tests can run in virtual time.

#include <cstdint>
#include <functional>
#include <optional>

namespace orvane::platform {

struct LocalTime {
    int year = 1970;    // four digits
    int month = 1;      // 1..12
    int day = 1;        // 1..31
    int dayOfWeek = 4;  // 0 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps at 2^32 like the tick count it replaces.
    virtual uint32_t TickCount() = 0;
    virtual void Sleep(uint32_t ms) = 0;
    virtual LocalTime Now() = 0;
    // Waits at most ms for fd to become readable (or to report a hang-up or error).
    // True when it did.
    virtual bool WaitReadable(int fd, uint32_t ms) = 0;
    // Waits at most ms for fd to take output (a connect to finish). A clock
    // that knows only sleeping looks every millisecond of its own time.
    virtual bool WaitWritable(int fd, uint32_t ms);
};

// The local time of a moment given in seconds since 1970-01-01 UTC; nothing
// when the system cannot say (a moment out of its range).
std::optional<LocalTime> LocalTimeAt(int64_t secondsSince1970);

// Milliseconds from `since` to `now` on the wrapping tick count.
inline uint32_t TicksSince(uint32_t now, uint32_t since) {
    return now - since;
}

class SystemClock final : public Clock {
  public:
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
    LocalTime Now() override;
    bool WaitReadable(int fd, uint32_t ms) override;
    bool WaitWritable(int fd, uint32_t ms) override;
};

// The clock handed in, or a system clock of its own where none was (a
// SystemClock has no state, so nothing is shared).
class ClockOrSystem {
  public:
    explicit ClockOrSystem(Clock* given) : clock_(given ? *given : own_) {}
    ClockOrSystem(const ClockOrSystem&) = delete;
    ClockOrSystem& operator=(const ClockOrSystem&) = delete;
    Clock& operator*() const { return clock_; }
    Clock* operator->() const { return &clock_; }

  private:
    SystemClock own_;
    Clock& clock_;
};

}  // namespace orvane::platform
