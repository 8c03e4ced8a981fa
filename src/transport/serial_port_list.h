#pragma once
// The serial ports present on this machine.

#include <string>
#include <string_view>
#include <vector>

namespace orvane::transport {

// Device names (ttyUSB0, ttyACM0, ttyS0, ...) of the serial devices under
// /sys/class/tty that stand for hardware, in natural order (ttyS2 before
// ttyS10). A port that is busy or not permitted is still listed; ttyS nodes with
// no UART behind them are not. sysRoot is for tests.
std::vector<std::string> ListSerialPorts(const std::string& sysRoot = "/sys/class/tty");

// The /dev/serial/by-id/... path that links to device (a name such as ttyUSB0
// or a path), or "" when there is none. That name stays the same when the
// adaptor is unplugged and comes back under another ttyUSBn. devRoot is for
// tests.
std::string SerialByIdName(std::string_view device, const std::string& devRoot = "/dev");

// A port as the Connect dialog offers it, with what tells one adaptor from another.
struct SerialPortInfo {
    enum class Access { Free, Busy, NotPermitted };
    std::string path;     // /dev/ttyUSB0
    std::string byId;     // its /dev/serial/by-id name, or ""
    std::string usbId;    // the USB vendor:product ("0403:6001"), or "" when not on USB
    std::string product;  // the USB product text, or ""
    Access access = Access::Free;
};

// ListSerialPorts with the details of each. To see whether a port is in use it
// is opened for a moment, without taking it as a terminal. sysRoot and devRoot
// are for tests.
std::vector<SerialPortInfo> ListSerialPortDetails(const std::string& sysRoot = "/sys/class/tty",
                                                  const std::string& devRoot = "/dev");

// Natural order: runs of digits compare by value.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace orvane::transport
