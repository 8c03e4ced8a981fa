#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/clock.h"
#include "transport/tcp_link.h"

namespace orvane::transport {
namespace {

bool SetBlocking(int fd, bool blocking) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, flags) == 0;
}

}  // namespace

int NetStartup(NetAction) {
    return 0;
}

LinkResult TcpLink::Connect(std::string_view address, const LinkOptions& options) {
    auto fail = [](int err) { return LinkResult{nullptr, err}; };
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(options.tcpPort);
    // inet_pton takes only the four-part dotted form, which is what the field holds.
    if (::inet_pton(AF_INET, std::string(address).c_str(), &addr.sin_addr) != 1)
        return fail(EINVAL);
    platform::UniqueFd sock(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!sock.valid()) return fail(errno);
    if (!SetBlocking(sock.get(), false)) return fail(errno);
    if (::connect(sock.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS) return fail(errno);
        // Through the clock, so that a cancelled attempt stops waiting at once.
        platform::ClockOrSystem clock(options.clock);
        const uint32_t start = clock->TickCount();
        for (;;) {
            const uint32_t spent = platform::TicksSince(clock->TickCount(), start);
            if (spent >= kConnectWaitMs) return fail(ETIMEDOUT);
            if (clock->WaitWritable(sock.get(), kConnectWaitMs - spent)) break;
        }
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(sock.get(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0) return fail(errno);
        if (soError != 0) return fail(soError);
    }
    int one = 1;
    ::setsockopt(sock.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (!SetBlocking(sock.get(), true)) return fail(errno);
    return LinkResult{std::make_unique<TcpLink>(std::move(sock), options), 0};
}

TcpLink::~TcpLink() {
    if (socket_.valid()) ::shutdown(socket_.get(), SHUT_WR);
}

void TcpLink::Refill() {
    if (!socket_.valid()) return;
    for (;;) {
        ssize_t n = ::recv(socket_.get(), FreeSpace(), FreeSize(), MSG_DONTWAIT);
        if (n > 0) {
            Took(static_cast<std::size_t>(n));
            return;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        // 0 is an orderly close; any other error leaves nothing to read either.
        Failed();
        return;
    }
}

int TcpLink::Send(std::string_view bytes) {
    if (!socket_.valid()) return -1;
    std::string text(bytes);
    text += '\0';
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::send(socket_.get(), text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace orvane::transport
