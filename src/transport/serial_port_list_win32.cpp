#include <string>

#include "platform/win32_support.h"
#include "transport/serial_port_list.h"

namespace orvane::transport {
namespace {

// Opens the port for a moment: the error it gives, ERROR_SUCCESS when it opened.
DWORD Probe(const std::string& name) {
    HANDLE h = ::CreateFileW(platform::Wide("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE,
                             0, nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD error = h == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    return error;
}

// A port held by another program, one the user may not open and one whose
// device does not work are there all the same.
bool Present(DWORD error) {
    return error == ERROR_SUCCESS || error == ERROR_ACCESS_DENIED || error == ERROR_GEN_FAILURE ||
           error == ERROR_SHARING_VIOLATION;
}

}  // namespace

std::vector<std::string> ListSerialPorts(const std::string&) {
    std::vector<std::string> ports;
    for (int n = 1; n <= 254; ++n) {
        const std::string name = "COM" + std::to_string(n);
        if (Present(Probe(name))) ports.push_back(name);
    }
    return ports;
}

// COM names do not move when an adaptor comes back: the name is its own.
std::string SerialByIdName(std::string_view, const std::string&) {
    return {};
}

std::vector<SerialPortInfo> ListSerialPortDetails(const std::string&, const std::string&) {
    std::vector<SerialPortInfo> ports;
    for (int n = 1; n <= 254; ++n) {
        const std::string name = "COM" + std::to_string(n);
        const DWORD error = Probe(name);
        if (!Present(error)) continue;
        SerialPortInfo port;
        port.path = name;
        // A COM port is opened exclusively: another program's use shows as a denial.
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            port.access = SerialPortInfo::Access::Busy;
        ports.push_back(std::move(port));
    }
    return ports;
}

}  // namespace orvane::transport
