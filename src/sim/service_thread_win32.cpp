#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "platform/clock.h"
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

void ServiceThread::Run(const Prepare& prepare, const Step& step,
                        platform::Diagnostics* diagnostics) {
    // Real time always: tests that fake the console's clock still want this thread in real time.
    platform::SystemClock clock;
    while (!stop_) {
        uint32_t now = clock.TickCount();
        ServiceWait wait = prepare();
        int timeout = -1;
        if (wait.dueMs) {
            auto left = static_cast<int32_t>(*wait.dueMs - now);
            timeout = left > 0 ? left : 0;
        }
        std::vector<WSAPOLLFD> fds;
        for (const ServiceWatch& w : wait.fds) fds.push_back({SocketOf(w.fd), w.events, 0});
        fds.push_back({SocketOf(wakeFd_.get()), POLLIN, 0});
        if (::WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), timeout) == SOCKET_ERROR) {
            int code = ::WSAGetLastError();
            if (code != WSAEINTR) {
                platform::Trace(diagnostics,
                                "sim: poll failed: " +
                                    platform::SystemErrorText(static_cast<DWORD>(code)) + "\n");
                return;
            }
        }
        if (fds.back().revents & POLLIN) {
            char drain[64];
            while (::recv(SocketOf(wakeFd_.get()), drain, sizeof drain, 0) > 0) {
            }
        }
        if (stop_) break;
        step(clock.TickCount());
    }
}

}  // namespace orvane::sim
