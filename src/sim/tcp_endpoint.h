#pragma once
// The instrument on the LAN: a TCP listener, one client at a time. A new
// connection replaces the old one and starts with a fresh parse state, as if the
// instrument had just been connected to. The client's zero byte after every
// command is part of the wire format and simply ends what came before it.

#include <cstdint>
#include <string>

#include "platform/unique_fd.h"
#include "sim/endpoint.h"

namespace orvane::sim {

inline constexpr uint16_t kInstrumentTcpPort = 10001;

class TcpEndpoint final : public Endpoint {
  public:
    // address: dotted IPv4 (127.0.0.2 and so on serve several instruments on one
    // machine). port 0 takes an ephemeral port; Port() tells which.
    explicit TcpEndpoint(InstrumentConfig config = {}, std::string address = "127.0.0.1",
                         uint16_t port = kInstrumentTcpPort);
    ~TcpEndpoint() override;

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    const std::string& Address() const { return address_; }
    uint16_t Port() const { return port_; }
    bool HasClient() const;

  private:
    void Service(uint32_t nowMs) override;
    void AddWaits(ServiceWait& wait) override;
    void UnplugLocked() override;

    void Listen();
    void Accept(uint32_t nowMs);
    void DropClient(const char* why);

    std::string address_;
    uint16_t port_;
    platform::UniqueFd listener_;
    platform::UniqueFd client_;
    std::string error_;
};

}  // namespace orvane::sim
