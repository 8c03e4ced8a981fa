#pragma once
// The clock of work that the user may cancel from another thread (a connect,
// a LAN search). Until it is cancelled it is the clock it wraps. Once it is,
// no wait waits any more: each returns at once and the time moves on by what it
// would have waited, so every loop of the work meets its own deadline within a
// few turns and nothing in the work has to look for the cancel.

#include <atomic>
#include <cstdint>

#include "platform/clock.h"
#include "platform/unique_fd.h"

namespace orvane::platform {

class CancellableClock final : public Clock {
  public:
    // base: the clock to follow; none: the system's, whose waits a cancel wakes.
    explicit CancellableClock(Clock* base = nullptr);
    // Only while no work runs on this clock.
    void SetBase(Clock* base);
    Clock* base() const { return base_; }

    // From any thread: ends the waits in progress and every later one.
    void Cancel();
    bool Cancelled() const { return cancelled_.load(); }
    // Ready for the next piece of work; only once the cancelled one has ended.
    void Reset();

    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
    LocalTime Now() override;
    bool WaitReadable(int fd, uint32_t ms) override;
    bool WaitWritable(int fd, uint32_t ms) override;

  private:
    enum class Want { Time, Readable, Writable };
    bool Wait(int fd, Want want, uint32_t ms);
    // The system's wait, which a Cancel wakes (or, on Windows, a wait in slices
    // short enough that a Cancel is seen within one).
    bool WaitSystem(int fd, Want want, uint32_t ms);

    Clock* base_ = nullptr;
    SystemClock system_;
    std::atomic<bool> cancelled_{false};
    // The milliseconds waits were spared since a cancel: the time stays monotonic.
    std::atomic<uint32_t> skipped_{0};
    UniqueFd wakeRead_;  // POSIX: a pipe a Cancel writes to, polled with the waits
    UniqueFd wakeWrite_;
};

}  // namespace orvane::platform
