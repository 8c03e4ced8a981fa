#include <winsock2.h>

#include <stdexcept>

#include "platform/win32_support.h"
#include "support/peers.h"

namespace orvane::testing {

using platform::SocketOf;

void Peer::Write(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        int n =
            ::send(SocketOf(fd_), bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (n <= 0) throw std::runtime_error("peer write failed");
        done += static_cast<std::size_t>(n);
    }
}

std::string Peer::Read(int quietMs) {
    std::string out;
    char buf[4096];
    WSAPOLLFD p{SocketOf(fd_), POLLRDNORM, 0};
    for (int n;
         ::WSAPoll(&p, 1, quietMs) > 0 && (n = ::recv(SocketOf(fd_), buf, sizeof buf, 0)) > 0;)
        out.append(buf, static_cast<std::size_t>(n));
    return out;
}

void Peer::Unplug() {
    if (fd_ >= 0) ::closesocket(SocketOf(fd_));
    fd_ = -1;
}

// A user pairs the program with a virtual COM port of their own; tests have none.
std::unique_ptr<SerialPeer> MakeSerialPeer() {
    return nullptr;
}

LoopbackListener::LoopbackListener() {
    if (platform::StartWinsock() != 0) throw std::runtime_error("no sockets");
    listener_ = platform::DescriptorOf(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    if (::bind(SocketOf(listener_), reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(SocketOf(listener_), 8) != 0 ||
        ::getsockname(SocketOf(listener_), reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("listen failed");
    port_ = ntohs(addr.sin_port);
}

LoopbackListener::~LoopbackListener() {
    ::closesocket(SocketOf(listener_));
}

int LoopbackListener::Accept() {
    WSAPOLLFD p{SocketOf(listener_), POLLRDNORM, 0};
    if (::WSAPoll(&p, 1, 2000) <= 0) return -1;
    Unplug();
    return fd_ = platform::DescriptorOf(::accept(SocketOf(listener_), nullptr, nullptr));
}

}  // namespace orvane::testing
