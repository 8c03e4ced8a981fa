#pragma once
// What the three endpoints (pseudo-terminal, TCP listener, in-memory link) share:
// an engine, a stream descriptor to move bytes over, and two ways to run.
//
// - Pump(now): one non-blocking service step on the caller's thread, for unit
//   tests that drive the instrument from a fake clock's pump.
// - Start()/Stop(): the same step on a thread of its own with the real clock.
//
// While the thread runs, reach the engine only through WithEngine.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim/engine.h"
#include "sim/service_thread.h"

namespace orvane::sim {

class Endpoint {
  public:
    virtual ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    void Pump(uint32_t nowMs);
    bool Start();
    void Stop();
    bool Running() const { return thread_.Running(); }

    // What a pulled cable looks like to the client.
    void Unplug();

    template <class F>
    decltype(auto) WithEngine(F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(engine_);
    }
    // Only while no thread runs.
    Engine& engine() { return engine_; }

  protected:
    explicit Endpoint(InstrumentConfig config);

    // Each runs with mutex_ held. Derived classes call Stop() in their destructors,
    // before their own members go.
    virtual void Service(uint32_t nowMs) = 0;
    virtual void AddWaits(ServiceWait& wait) = 0;
    virtual void UnplugLocked() = 0;

    // Hooks for a stream whose writes need care (the pseudo-terminal).
    virtual std::size_t WriteRoom(int /*fd*/) { return SIZE_MAX; }
    virtual void Written(int /*fd*/, std::size_t /*n*/) {}

    // kDropped: the instrument closed its end on purpose (a restart): a socket
    // endpoint lets the client go, a serial line stays up.
    enum class StreamState { kOpen, kClosed, kHungUp, kDropped };
    // Moves bytes between the stream and the engine: reads what has arrived (unless
    // the client is not reading its answers), then writes what is due.
    StreamState Exchange(int fd, bool socket, uint32_t nowMs);
    // Adds the stream's poll events and the engine's due time.
    void AddStreamWait(ServiceWait& wait, int fd) const;
    // Forgets output not yet written (the connection it was for is gone).
    void DropOutgoing() { outgoing_.clear(); }
    // True during a Pump call, false on the service thread.
    bool Pumped() const { return pumped_; }

    Engine engine_;
    mutable std::mutex mutex_;

  private:
    // Input is left unread while this much output waits, so a client that only
    // writes cannot make the instrument buffer without bound.
    static constexpr std::size_t kBacklogLimit = 64 * 1024;

    bool RoomForInput() const;

    std::string outgoing_;  // taken from the engine, not yet written
    bool pumped_ = false;
    ServiceThread thread_;
};

}  // namespace orvane::sim
