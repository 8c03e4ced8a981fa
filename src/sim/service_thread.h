#pragma once
// Runs an endpoint's service step on a thread of its own with the real clock. The
// thread sleeps in poll until a descriptor is ready, output falls due or Stop is
// called; it never spins.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "platform/unique_fd.h"

namespace orvane::platform {
class Diagnostics;
}

namespace orvane::sim {

// A descriptor and the system's poll events (POLLIN, POLLOUT) to wait for.
struct ServiceWatch {
    int fd;
    short events;
};

struct ServiceWait {
    std::vector<ServiceWatch> fds;
    std::optional<uint32_t> dueMs;  // tick count at which to step even without input
};

class ServiceThread {
  public:
    using Prepare = std::function<ServiceWait()>;
    using Step = std::function<void(uint32_t nowMs)>;

    ServiceThread() = default;
    ~ServiceThread() { Stop(); }
    ServiceThread(const ServiceThread&) = delete;
    ServiceThread& operator=(const ServiceThread&) = delete;

    // False when already running or the wake-up descriptor cannot be made. A
    // failed wait is traced to the diagnostics, if any.
    bool Start(Prepare prepare, Step step, platform::Diagnostics* diagnostics = nullptr);
    // Returns once the thread has ended.
    void Stop();
    bool Running() const { return thread_.joinable(); }
    // Makes the thread prepare again, e.g. after another thread closed a descriptor.
    void Wake();

  private:
    // The descriptor Wake makes readable, for the thread's wait; -1 when none can be made.
    static int OpenWake();
    void Run(const Prepare& prepare, const Step& step, platform::Diagnostics* diagnostics);
    // Waits until one of `fds` or the wake-up is ready or timeoutMs pass (never
    // when negative), and takes the wake-up in; false when the wait failed (traced).
    bool WaitReady(const std::vector<ServiceWatch>& fds, int timeoutMs,
                   platform::Diagnostics* diagnostics);

    std::thread thread_;
    platform::UniqueFd wakeFd_;
    std::atomic<bool> stop_{false};
};

}  // namespace orvane::sim
