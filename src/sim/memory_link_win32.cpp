#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "sim/memory_link.h"
#include "sim/sockets_win32.h"

namespace orvane::sim {
namespace {

// Windows has no socketpair: a loopback TCP connection stands in for it.
bool ConnectedPair(platform::UniqueFd& client, platform::UniqueFd& instrument) {
    std::string error;
    platform::UniqueFd listener(OpenSocket(SOCK_STREAM, IPPROTO_TCP, error));
    platform::UniqueFd clientEnd(OpenSocket(SOCK_STREAM, IPPROTO_TCP, error));
    if (!listener.valid() || !clientEnd.valid()) return false;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof sa;
    SOCKET l = SocketOf(listener.get());
    if (::bind(l, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(l, 1) != 0 ||
        ::getsockname(l, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return false;
    // Non-blocking, the connect is under way once called; the accept then
    // waits for it to arrive.
    SOCKET c = SocketOf(clientEnd.get());
    if (::connect(c, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 &&
        ::WSAGetLastError() != WSAEWOULDBLOCK)
        return false;
    WSAPOLLFD ready{l, POLLIN, 0};
    if (::WSAPoll(&ready, 1, 5000) != 1) return false;
    SOCKET accepted = ::accept(l, nullptr, nullptr);
    if (accepted == INVALID_SOCKET) return false;
    platform::UniqueFd instrumentEnd(DescriptorOf(accepted));
    WSAPOLLFD connected{c, POLLOUT, 0};
    if (::WSAPoll(&connected, 1, 5000) != 1 || !(connected.revents & POLLOUT)) return false;
    // The client's end blocks like a connected socket; the instrument's does not.
    u_long blocking = 0, nonBlocking = 1;
    BOOL on = TRUE;
    ::ioctlsocket(c, FIONBIO, &blocking);
    ::ioctlsocket(accepted, FIONBIO, &nonBlocking);
    for (SOCKET s : {c, accepted})
        ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    client = std::move(clientEnd);
    instrument = std::move(instrumentEnd);
    return true;
}

}  // namespace

MemoryLink::MemoryLink(InstrumentConfig config) : Endpoint(std::move(config)) {
    ok_ = ConnectedPair(client_, instrument_);
}

}  // namespace orvane::sim
