#include "sim/sockets_win32.h"

#include <cstring>

namespace orvane::sim {

int OpenSocket(int type, int protocol, std::string& error) {
    if (int failed = platform::StartWinsock(); failed != 0) {
        error = std::string("Winsock did not start: ") + std::strerror(failed);
        return -1;
    }
    SOCKET s = ::WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    u_long on = 1;
    if (s != INVALID_SOCKET && ::ioctlsocket(s, FIONBIO, &on) != 0) {
        error = LastSocketError();
        ::closesocket(s);
        return -1;
    }
    if (s == INVALID_SOCKET) error = LastSocketError();
    return DescriptorOf(s);
}

std::string LastSocketError() {
    return platform::SystemErrorText(static_cast<DWORD>(::WSAGetLastError()));
}

}  // namespace orvane::sim
