#pragma once
// Winsock for the simulator's endpoints. A socket travels as an int like a POSIX
// descriptor (platform::UniqueFd closes it): Windows keeps handle values within
// 32 bits so that they can be passed between 32- and 64-bit processes.

#include <winsock2.h>

#include <string>

namespace orvane::sim {

// Starts Winsock for the process on first use; false (with the reason) when it cannot.
bool StartSockets(std::string& error);

inline SOCKET AsSocket(int fd) {
    return static_cast<SOCKET>(fd);
}
// INVALID_SOCKET becomes -1, as a failed socket() is on POSIX.
inline int AsDescriptor(SOCKET s) {
    return s == INVALID_SOCKET ? -1 : static_cast<int>(s);
}

// A non-blocking socket of the given type that is not inherited by child
// processes; -1 with the reason when none could be made.
int OpenSocket(int type, int protocol, std::string& error);

// The system's text for a Winsock error number (WSAGetLastError()).
std::string SocketErrorText(int code);

}  // namespace orvane::sim
