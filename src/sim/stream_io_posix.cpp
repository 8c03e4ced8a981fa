#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "sim/stream_io.h"

namespace orvane::sim {
namespace {

StreamIo Outcome(ssize_t n) {
    if (n > 0) return {StreamIo::kMoved, static_cast<std::size_t>(n)};
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return {StreamIo::kAgain};
    return {StreamIo::kClosed};
}

}  // namespace

const short kReadableEvents = POLLIN;
const short kWritableEvents = POLLOUT;

StreamIo ReadStream(int fd, bool socket, char* buf, std::size_t size) {
    for (;;) {
        ssize_t n = socket ? ::recv(fd, buf, size, 0) : ::read(fd, buf, size);
        if (n < 0 && errno == EINTR) continue;
        return Outcome(n);
    }
}

StreamIo WriteStream(int fd, bool socket, const char* data, std::size_t size) {
    for (;;) {
        ssize_t n = socket ? ::send(fd, data, size, MSG_NOSIGNAL) : ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        // A write that took nothing is a failed line.
        return n == 0 ? StreamIo{StreamIo::kClosed} : Outcome(n);
    }
}

}  // namespace orvane::sim
