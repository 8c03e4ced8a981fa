#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/diagnostics.h"
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
    listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    int on = 1;
    socklen_t len = sizeof sa;
    if (!listener_.valid() ||
        ::setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(listener_.get(), 4) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        error_ = address_ + ":" + std::to_string(port_) + ": " + std::strerror(errno);
        listener_.reset();
        return;
    }
    port_ = ntohs(sa.sin_port);
}

void TcpEndpoint::Accept(uint32_t nowMs) {
    for (;;) {
        int fd = ::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        if (client_.valid()) DropClient("replaced by a new connection");
        int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        client_.reset(fd);
        engine_.Reconnect(nowMs);
        platform::Trace(engine_.config().diagnostics, "sim: tcp client connected\n");
    }
}

void TcpEndpoint::DropClient(const char* why) {
    if (!client_.valid()) return;
    // Read what is left first: closing with unread input would reset the
    // connection, and the client could lose the last bytes sent to it.
    char buf[4096];
    while (::recv(client_.get(), buf, sizeof buf, MSG_DONTWAIT) > 0) {
    }
    client_.reset();
    DropOutgoing();
    platform::Trace(engine_.config().diagnostics,
                    std::string("sim: tcp client dropped: ") + why + "\n");
}

}  // namespace orvane::sim
