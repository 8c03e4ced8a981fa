#include <winsock2.h>

#include <algorithm>

#include "sim/sockets_win32.h"
#include "sim/stream_io.h"

namespace orvane::sim {
namespace {

// Winsock counts in int.
constexpr std::size_t kMostAtOnce = 1 << 20;

StreamIo Outcome(int n) {
    if (n > 0) return {StreamIo::kMoved, static_cast<std::size_t>(n)};
    if (n < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK) return {StreamIo::kAgain};
    return {StreamIo::kClosed};
}

}  // namespace

const short kReadableEvents = POLLIN;
const short kWritableEvents = POLLOUT;

// Windows has no pseudo-terminal: every stream here is a socket.
StreamIo ReadStream(int fd, bool, char* buf, std::size_t size) {
    for (;;) {
        int n = ::recv(SocketOf(fd), buf, static_cast<int>(std::min(size, kMostAtOnce)), 0);
        if (n < 0 && ::WSAGetLastError() == WSAEINTR) continue;
        return Outcome(n);
    }
}

StreamIo WriteStream(int fd, bool, const char* data, std::size_t size) {
    for (;;) {
        int n = ::send(SocketOf(fd), data, static_cast<int>(std::min(size, kMostAtOnce)), 0);
        if (n < 0 && ::WSAGetLastError() == WSAEINTR) continue;
        return n == 0 ? StreamIo{StreamIo::kClosed} : Outcome(n);
    }
}

}  // namespace orvane::sim
