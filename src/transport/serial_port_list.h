#pragma once
// The serial ports present on this machine.

#include <string>
#include <vector>

namespace orvane::transport {

// The names of the serial ports, in natural order (ttyS2 before ttyS10). A
// port that is busy or not permitted is still listed.
// Linux: the devices under /sys/class/tty that stand for hardware (ttyUSB0,
// ttyACM0, ttyS0, ...), without ttyS nodes that have no UART behind them;
// sysRoot is for tests. Windows: COM1 to COM254, each tried in turn; sysRoot
// is not used.
std::vector<std::string> ListSerialPorts(const std::string& sysRoot = "/sys/class/tty");

// Natural order: runs of digits compare by value.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace orvane::transport
