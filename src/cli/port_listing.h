#pragma once
// orvane2-cli ports: the serial ports, for a person or for a script.

#include <string>
#include <vector>

#include "transport/serial_port_list.h"

namespace orvane::cli {

inline constexpr char kNoSerialPorts[] = "orvane2-cli: no serial ports found\n";
inline constexpr char kPortBusy[] = "busy";
inline constexpr char kPortNotPermitted[] = "not permitted";

// One line a port, its fields between tabs and "-" for one it lacks: the
// device, the by-id name, vendor:product, the product and, when this user cannot
// use it, "busy" or "not permitted".
std::string PortsAsText(const std::vector<transport::SerialPortInfo>& ports);
// A JSON array with an object a port: "device", "byId", "usbId" and "product"
// (null when unknown), and "access": "free", "busy" or "not permitted".
std::string PortsAsJson(const std::vector<transport::SerialPortInfo>& ports);

}  // namespace orvane::cli
