#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "platform/diagnostics.h"
#include "sim/sockets_win32.h"
#include "sim/tcp_endpoint.h"

namespace orvane::sim {

void TcpEndpoint::Listen() {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port_);
    if (::inet_pton(AF_INET, address_.c_str(), &sa.sin_addr) != 1) {
        error_ = address_ + ": not an IPv4 address";
        return;
    }
    const std::string where = address_ + ":" + std::to_string(port_) + ": ";
    std::string reason;
    listener_.reset(OpenSocket(SOCK_STREAM, IPPROTO_TCP, reason));
    if (!listener_.valid()) {
        error_ = where + reason;
        return;
    }
    // No SO_REUSEADDR: on Windows it would let a second listener take the port;
    // a listener may bind over connections still closing without it.
    SOCKET s = SocketOf(listener_.get());
    int len = sizeof sa;
    if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(s, 4) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        error_ = where + LastSocketError();
        listener_.reset();
        return;
    }
    port_ = ntohs(sa.sin_port);
}

void TcpEndpoint::Accept(uint32_t nowMs) {
    for (;;) {
        SOCKET s = ::accept(SocketOf(listener_.get()), nullptr, nullptr);
        if (s == INVALID_SOCKET) {
            int code = ::WSAGetLastError();
            if (code == WSAEINTR || code == WSAECONNRESET) continue;
            return;
        }
        platform::UniqueFd fd(DescriptorOf(s));
        if (client_.valid()) DropClient("replaced by a new connection");
        // Accepted sockets take the listener's blocking mode; said again to be sure.
        u_long nonBlocking = 1;
        BOOL on = TRUE;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
        ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        client_ = std::move(fd);
        engine_.Reconnect(nowMs);
        platform::Trace(engine_.config().diagnostics, "sim: tcp client connected\n");
    }
}

void TcpEndpoint::DropClient(const char* why) {
    if (!client_.valid()) return;
    // Read what is left first: closing with unread input would reset the
    // connection, and the client could lose the last bytes sent to it.
    char buf[4096];
    while (::recv(SocketOf(client_.get()), buf, sizeof buf, 0) > 0) {
    }
    client_.reset();
    DropOutgoing();
    platform::Trace(engine_.config().diagnostics,
                    std::string("sim: tcp client dropped: ") + why + "\n");
}

}  // namespace orvane::sim
