#include <string>

#include "platform/win32_support.h"
#include "transport/serial_port_list.h"

namespace orvane::transport {

std::vector<std::string> ListSerialPorts(const std::string&) {
    std::vector<std::string> ports;
    for (int n = 1; n <= 254; ++n) {
        const std::string name = "COM" + std::to_string(n);
        HANDLE h =
            ::CreateFileW(platform::Wide("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                          nullptr, OPEN_EXISTING, 0, nullptr);
        const DWORD error = h == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        // A port held by another program, one the user may not open and one whose
        // device does not work are there all the same.
        if (error == ERROR_SUCCESS || error == ERROR_ACCESS_DENIED || error == ERROR_GEN_FAILURE ||
            error == ERROR_SHARING_VIOLATION) {
            ports.push_back(name);
        }
    }
    return ports;
}

}  // namespace orvane::transport
