#pragma once
// The instrument of --demo: the simulator inside the program, on a pseudo-
// terminal (as a USB port) and on TCP 127.0.0.1 when the instrument port is
// free, chosen in the Connect dialog without touching the saved settings.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/instrument_config.h"
#include "transport/connection_record.h"
#include "transport/discovery.h"

namespace orvane::sim {
class DiscoveryResponder;
class PtyEndpoint;
class TcpEndpoint;
}  // namespace orvane::sim

namespace orvane::gui {

inline constexpr const char kDemoAddress[] = "127.0.0.1";

class DemoInstrument {
  public:
    // tcpPort: where the LAN side listens (0 takes any free port).
    // discoverable: the LAN side also answers the Connect dialog's search,
    // which then asks 127.0.0.1 besides the usual broadcast addresses.
    explicit DemoInstrument(sim::InstrumentConfig config = {}, uint16_t tcpPort = 10001,
                            bool discoverable = false);
    ~DemoInstrument();
    DemoInstrument(const DemoInstrument&) = delete;
    DemoInstrument& operator=(const DemoInstrument&) = delete;

    // The pseudo-terminal's path; empty when it could not be made.
    std::string DevicePath() const;
    // The TCP port listened on; 0 when the LAN side could not start.
    uint16_t TcpPort() const;
    // What could not be started and why, one line each; empty when all is well.
    const std::string& Problems() const { return problems_; }

    // Chooses the pseudo-terminal (or, without one, the LAN side) in the record.
    void Preset(transport::ConnectionRecord& record) const;
    // Has the LAN search ask the demo's address too, when it answers searches.
    void PresetSearch(transport::DiscoverySettings& settings) const;
    // This machine's serial ports with the pseudo-terminal first.
    std::vector<std::string> Ports() const;

    sim::PtyEndpoint* pty() const { return pty_.get(); }
    sim::TcpEndpoint* tcp() const { return tcp_.get(); }

  private:
    std::unique_ptr<sim::PtyEndpoint> pty_;
    std::unique_ptr<sim::TcpEndpoint> tcp_;
    std::unique_ptr<sim::DiscoveryResponder> responder_;
    std::optional<std::string> searchAddresses_;
    std::string problems_;
};

}  // namespace orvane::gui
