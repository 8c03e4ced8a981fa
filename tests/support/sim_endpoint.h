#pragma once
// The simulated instrument at the far end of a connection record: on a
// pseudo-terminal, as a USB port, or on a loopback TCP port.

#include <memory>

#include "sim/pty_endpoint.h"
#include "sim/tcp_endpoint.h"
#include "transport/connection_record.h"

namespace orvane::testing {

inline std::unique_ptr<sim::Endpoint> AttachSim(transport::ConnectionRecord& record,
                                                const sim::InstrumentConfig& config, bool serial) {
    if (serial) {
        auto pty = std::make_unique<sim::PtyEndpoint>(config);
        record.interfaceKind = transport::InterfaceKind::Usb;
        record.comPort = pty->DevicePath();
        record.baudRate = 19200;
        return pty;
    }
    auto tcp = std::make_unique<sim::TcpEndpoint>(config, "127.0.0.1", 0);
    record.linkOptions.tcpPort = tcp->Port();
    record.interfaceKind = transport::InterfaceKind::Lan;
    record.ipAddress = "127.0.0.1";
    return tcp;
}

}  // namespace orvane::testing
