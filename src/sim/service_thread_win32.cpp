#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "platform/diagnostics.h"
#include "sim/service_thread.h"
#include "sim/sockets_win32.h"

namespace orvane::sim {

// WSAPoll waits on sockets only, so the wake-up is a loopback datagram socket
// connected to itself: Wake sends it a byte.
int ServiceThread::OpenWake() {
    std::string error;
    platform::UniqueFd fd(OpenSocket(SOCK_DGRAM, IPPROTO_UDP, error));
    if (!fd.valid()) return -1;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof sa;
    SOCKET s = SocketOf(fd.get());
    if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0 ||
        ::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)
        return -1;
    return fd.release();
}

void ServiceThread::Wake() {
    if (!wakeFd_.valid()) return;
    // A full buffer already holds a wake-up; nothing is lost by a failed send.
    ::send(SocketOf(wakeFd_.get()), "w", 1, 0);
}

bool ServiceThread::WaitReady(const std::vector<ServiceWatch>& watches, int timeoutMs,
                              platform::Diagnostics* diagnostics) {
    std::vector<WSAPOLLFD> fds;
    for (const ServiceWatch& w : watches) fds.push_back({SocketOf(w.fd), w.events, 0});
    fds.push_back({SocketOf(wakeFd_.get()), POLLIN, 0});
    if (::WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), timeoutMs) == SOCKET_ERROR) {
        const int code = ::WSAGetLastError();
        if (code != WSAEINTR) {
            platform::Trace(
                diagnostics,
                "sim: poll failed: " + platform::SystemErrorText(static_cast<DWORD>(code)) + "\n");
            return false;
        }
    }
    if (fds.back().revents & POLLIN) {
        char drain[64];
        while (::recv(SocketOf(wakeFd_.get()), drain, sizeof drain, 0) > 0) {
        }
    }
    return true;
}

}  // namespace orvane::sim
