#pragma once
// Simulated instruments answering the LAN discovery queries over UDP: one
// method and one answer form, on one or more addresses (127.0.0.2, 127.0.0.3,
// ... serve several instruments on one machine), each address answering from
// its own socket so that the client sees one sender per instrument.
//
// Pump() answers what is waiting on the caller's thread (tests with a fake
// clock); Start()/Stop() do the same on a thread of its own.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/unique_fd.h"
#include "sim/discovery_answer.h"
#include "sim/instrument_config.h"
#include "sim/service_thread.h"
#include "sim/tcp_endpoint.h"

namespace orvane::sim {

struct DiscoveryResponderConfig {
    DiscoveryMethod method = DiscoveryMethod::Echo;
    DiscoveryAnswer answer = DiscoveryAnswer::Valid;
    std::vector<std::string> addresses{"127.0.0.2"};
    // Nothing: the method's own port. 0: a free port, the same on every address.
    std::optional<uint16_t> port;
    uint16_t tcpPort = kInstrumentTcpPort;  // what an echo answer names
    InstrumentConfig instrument;
};

class DiscoveryResponder {
  public:
    explicit DiscoveryResponder(DiscoveryResponderConfig config);
    ~DiscoveryResponder();
    DiscoveryResponder(const DiscoveryResponder&) = delete;
    DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    uint16_t Port() const { return port_; }
    const DiscoveryResponderConfig& config() const { return config_; }

    void Pump(uint32_t nowMs = 0);
    bool Start();
    void Stop();
    bool Running() const { return thread_.Running(); }

    // Queries received and answers sent, over every address.
    uint64_t Queries() const;
    uint64_t Answers() const;
    // Waits (real time) until n queries in all have come; false when ms ran out.
    bool WaitForQueries(uint64_t n, uint32_t ms) const;

  private:
    // Queries answered per socket in one step, so one noisy address cannot starve the others.
    static constexpr int kQueriesPerStep = 64;

    void Bind();
    void ServeLocked();

    DiscoveryResponderConfig config_;
    std::vector<platform::UniqueFd> fds_;
    std::vector<uint32_t> hosts_;  // each socket's address, host byte order
    uint16_t port_ = 0;
    std::string error_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    uint64_t queries_ = 0;
    uint64_t answers_ = 0;
    ServiceThread thread_;
};

}  // namespace orvane::sim
