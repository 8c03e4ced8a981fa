#include "gui/demo_instrument.h"

#include <cstdio>
#include <cstdlib>

#include "sim/discovery_responder.h"
#include "sim/pty_endpoint.h"
#include "sim/tcp_endpoint.h"
#include "transport/discovery_targets.h"
#include "transport/serial_port_list.h"

namespace orvane::gui {

DemoInstrument::DemoInstrument(sim::InstrumentConfig config, uint16_t tcpPort, bool discoverable) {
    // Without pseudo-terminals (Windows) the demo is on the LAN alone, and that is no problem.
    if (sim::PtyEndpoint::Available()) pty_ = std::make_unique<sim::PtyEndpoint>(config);
    if (pty_ && (!pty_->Ok() || !pty_->Start())) {
        problems_ += "The simulated USB instrument could not start: " +
                     (pty_->Ok() ? std::string("no service thread") : pty_->Error()) + "\n";
        pty_.reset();
    }
    tcp_ = std::make_unique<sim::TcpEndpoint>(config, kDemoAddress, tcpPort);
    if (!tcp_->Ok() || !tcp_->Start()) {
        problems_ += "The simulated LAN instrument could not start on " +
                     std::string(kDemoAddress) + " port " + std::to_string(tcpPort) + ": " +
                     (tcp_->Ok() ? std::string("no service thread") : tcp_->Error()) + "\n";
        tcp_.reset();
    }
    if (tcp_ && discoverable) {
        sim::DiscoveryResponderConfig answer;
        answer.method = sim::DiscoveryMethod::Echo;
        answer.addresses = {kDemoAddress};
        answer.tcpPort = tcp_->Port();
        answer.instrument = config;
        responder_ = std::make_unique<sim::DiscoveryResponder>(answer);
        if (responder_->Ok() && responder_->Start()) {
            // A user's own list of addresses stands; otherwise loopback joins the broadcast.
            if (!std::getenv(transport::kDiscoveryAddressVariable)) {
                std::string targets = kDemoAddress;
                for (uint32_t a : transport::BroadcastTargets())
                    targets += "," + transport::Ipv4Text(a);
                searchAddresses_ = targets;
            }
        } else {
            // Not worth a box: the instrument is there, only the search will not find it.
            std::fprintf(stderr,
                         "orvane2: the demo instrument will not answer the LAN search: %s\n",
                         responder_->Error().c_str());
            responder_.reset();
        }
    }
}

DemoInstrument::~DemoInstrument() = default;

void DemoInstrument::PresetSearch(transport::DiscoverySettings& settings) const {
    if (searchAddresses_) settings.addresses = searchAddresses_;
}

std::string DemoInstrument::DevicePath() const {
    return pty_ ? pty_->DevicePath() : std::string();
}

uint16_t DemoInstrument::TcpPort() const {
    return tcp_ ? tcp_->Port() : 0;
}

void DemoInstrument::Preset(transport::ConnectionRecord& record) const {
    if (tcp_) {
        record.ipAddress = kDemoAddress;
        record.linkOptions.tcpPort = tcp_->Port();
    }
    if (pty_) {
        record.interfaceKind = transport::InterfaceKind::Usb;
        record.comPort = pty_->DevicePath();
        record.baudRate = 19200;
    } else if (tcp_) {
        record.interfaceKind = transport::InterfaceKind::Lan;
    }
}

std::vector<std::string> DemoInstrument::Ports() const {
    std::vector<std::string> ports;
    if (pty_) ports.push_back(pty_->DevicePath());
    for (std::string& port : transport::ListSerialPorts()) ports.push_back(std::move(port));
    return ports;
}

}  // namespace orvane::gui
