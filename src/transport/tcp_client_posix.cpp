#include "transport/tcp_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "transport/connection_record.h"

namespace orvane::transport {
namespace {

std::atomic<bool> g_netStarted{false};
std::atomic<uint32_t> g_lanTimeoutMs{5000};
std::atomic<uint16_t> g_port{kInstrumentTcpPort};

bool SetBlocking(int fd, bool blocking) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, flags) == 0;
}

// Takes what the socket holds into the ring, never more than the ring has room
// for: what does not fit stays in the kernel, in order, and TCP slows the sender.
void FillRing(ConnectionRecord& r) {
    if (r.socket == kInvalidHandle || r.peerClosed) return;
    while (r.rxCount < kRxRingSize) {
        int contiguous = kRxRingSize - r.rxWrite;
        int room = kRxRingSize - r.rxCount;
        int want = contiguous < room ? contiguous : room;
        ssize_t n = ::recv(r.socket, r.rxRing.data() + r.rxWrite, static_cast<std::size_t>(want),
                           MSG_DONTWAIT);
        if (n > 0) {
            r.rxWrite = (r.rxWrite + static_cast<int>(n)) % kRxRingSize;
            r.rxCount += static_cast<int>(n);
            if (n < want) return;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        // 0 is an orderly close; any other error leaves nothing to read either.
        r.peerClosed = true;
        return;
    }
}

}  // namespace

int NetStartup(NetAction action) {
    // Sockets need no library start here; the flag keeps the open/close pairing visible.
    g_netStarted.store(action == NetAction::Open);
    return 0;
}

bool NetStarted() { return g_netStarted.load(); }

int TcpConnect(const char* address, int& sock, int* osError) {
    auto fail = [&](int err) {
        if (sock != kInvalidHandle) ::close(sock);
        sock = kInvalidHandle;
        if (osError) *osError = err;
        return -1;
    };
    sock = kInvalidHandle;
    if (osError) *osError = 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(g_port.load());
    // inet_pton takes only the four-part dotted form, which is what the field holds.
    if (!address || ::inet_pton(AF_INET, address, &addr.sin_addr) != 1) return fail(EINVAL);
    sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        int err = errno;
        sock = kInvalidHandle;
        return fail(err);
    }
    if (!SetBlocking(sock, false)) return fail(errno);
    if (::connect(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS) return fail(errno);
        pollfd p{sock, POLLOUT, 0};
        int r;
        do {
            r = ::poll(&p, 1, static_cast<int>(kConnectWaitMs));
        } while (r < 0 && errno == EINTR);
        if (r == 0) return fail(ETIMEDOUT);
        if (r < 0) return fail(errno);
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) return fail(errno);
        if (soError != 0) return fail(soError);
    }
    int one = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (!SetBlocking(sock, true)) return fail(errno);
    return 0;
}

void TcpClose(int& sock) {
    if (sock == kInvalidHandle) return;
    ::shutdown(sock, SHUT_WR);
    ::close(sock);
    sock = kInvalidHandle;
}

int TcpSend(ConnectionRecord& record, const char* text) {
    if (record.socket == kInvalidHandle || !text) return -1;
    std::size_t len = std::strlen(text) + 1;
    std::size_t done = 0;
    while (done < len) {
        ssize_t n = ::send(record.socket, text + done, len - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int TcpReadByte(ConnectionRecord& r) {
    if (r.rxCount == 0) FillRing(r);
    if (r.rxCount == 0) return r.peerClosed ? -1 : -2;
    uint8_t b = r.rxRing[static_cast<std::size_t>(r.rxRead)];
    r.rxRead = (r.rxRead + 1) % kRxRingSize;
    --r.rxCount;
    return b;
}

int TcpReadBytes(ConnectionRecord& r, uint8_t* out, std::size_t max) {
    if (r.rxCount == 0) FillRing(r);
    if (r.rxCount == 0) return r.peerClosed ? -1 : 0;
    std::size_t n = std::min<std::size_t>(max, static_cast<std::size_t>(r.rxCount));
    std::size_t first = std::min<std::size_t>(n, static_cast<std::size_t>(kRxRingSize - r.rxRead));
    std::memcpy(out, r.rxRing.data() + r.rxRead, first);
    std::memcpy(out + first, r.rxRing.data(), n - first);
    r.rxRead = static_cast<int32_t>((static_cast<std::size_t>(r.rxRead) + n) % kRxRingSize);
    r.rxCount -= static_cast<int32_t>(n);
    return static_cast<int>(n);
}

int TcpReadLine(ConnectionRecord& r, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return -1;
    std::memset(buffer, 0, capacity);
    std::size_t count = 0;
    platform::Clock& clock = platform::CurrentClock();
    // A peer that sends without end, with no line feed or only bytes the line
    // drops, must not hold the read: bytes are dropped for one time-out at most,
    // and the line then ends with what was stored, as a long line does.
    bool dropping = false;
    uint32_t droppingSince = 0;
    for (;;) {
        int b = TcpReadByte(r);
        if (b == -2) {
            uint32_t start = clock.TickCount();
            do {
                uint32_t spent = platform::TicksSince(clock.TickCount(), start);
                uint32_t timeout = g_lanTimeoutMs.load();
                if (spent >= timeout) return -1;
                uint32_t step = timeout - spent < 5 ? timeout - spent : 5;
                clock.WaitReadable(r.socket, step);
                b = TcpReadByte(r);
            } while (b == -2);
        }
        if (b < 0) return -1;
        if (b == '\n') return static_cast<int>(count);
        if (b != '\r' && count + 1 < capacity) {
            buffer[count++] = static_cast<char>(b);
            dropping = false;
            continue;
        }
        uint32_t now = clock.TickCount();
        if (!dropping) {
            dropping = true;
            droppingSince = now;
        } else if (platform::TicksSince(now, droppingSince) >= g_lanTimeoutMs.load()) {
            return static_cast<int>(count);
        }
    }
}

void SetLanTimeout(uint32_t ms) { g_lanTimeoutMs.store(ms); }
uint32_t LanTimeout() { return g_lanTimeoutMs.load(); }
void SetInstrumentTcpPort(uint16_t port) { g_port.store(port); }
uint16_t InstrumentTcpPort() { return g_port.load(); }

}  // namespace orvane::transport
