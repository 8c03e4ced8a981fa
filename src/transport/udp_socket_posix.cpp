#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "transport/discovery_targets.h"
#include "transport/udp_socket.h"

namespace orvane::transport {
namespace {

// How long a send waits for room in the socket's buffer.
constexpr int kSendWaitMs = 1000;
// Empty and oversized datagrams skipped in one receive call, so that a flood of
// them cannot keep the caller in here.
constexpr int kMaxSkippedPerReceive = 64;
constexpr int kReceiveBufferBytes = 1 << 20;

std::string Describe(const char* what, int err) {
    return std::string(what) + ": " + std::strerror(err);
}

void ClearPendingError(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
}

}  // namespace

UdpSocket::UdpSocket(uint16_t localPort, std::vector<uint32_t> targets) {
    auto fail = [&](std::string why) {
        fd_.reset();
        lastError_ = std::move(why);
    };
    fd_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd_.valid()) {
        fail(Describe("socket", errno));
        return;
    }
    int on = 1;
    if (::setsockopt(fd_.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        fail(Describe("broadcast option", errno));
        return;
    }
    if (::setsockopt(fd_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        fail(Describe("address reuse option", errno));
        return;
    }
    // Room for the answers of many instruments arriving at once between two
    // checks; the system may grant less, which only means fewer fit.
    int room = kReceiveBufferBytes;
    ::setsockopt(fd_.get(), SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(localPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd_.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        fail(Describe(("bind to UDP port " + std::to_string(localPort)).c_str(), errno));
        return;
    }
    targets_ = std::move(targets);
    subnets_ = LocalSubnets();
}

int UdpSocket::SendTo(const void* bytes, std::size_t length, uint16_t port) {
    if (length > kUdpMaxDatagram || (!bytes && length > 0)) {
        lastError_ = "query too long";
        return -1;
    }
    if (!fd_.valid()) {
        lastError_ = "the discovery socket is not open";
        return -1;
    }
    // Real time, not the program clock: this waits on the kernel, which a fake
    // clock cannot hurry.
    auto start = std::chrono::steady_clock::now();
    bool sent = false;
    bool gaveUp = false;
    std::string errors;
    for (uint32_t target : targets_) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(target);
        for (;;) {
            ssize_t n = ::sendto(fd_.get(), bytes, length, MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&to), sizeof to);
            if (n >= 0) {
                sent = true;
                break;
            }
            int err = errno;
            if (err == EINTR) continue;
            if (err != EAGAIN && err != EWOULDBLOCK) {
                errors += (errors.empty() ? "" : "; ") + Describe(Ipv4Text(target).c_str(), err);
                ClearPendingError(fd_.get());
                break;
            }
            auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
            if (gaveUp || spent >= kSendWaitMs) {
                gaveUp = true;
                break;
            }
            pollfd p{fd_.get(), POLLOUT, 0};
            ::poll(&p, 1, static_cast<int>(kSendWaitMs - spent));
            if (p.revents & POLLERR) ClearPendingError(fd_.get());
        }
    }
    lastError_ = errors;
    if (sent) return 0;
    return gaveUp ? 1 : -1;
}

int UdpSocket::ReceiveFrom(uint32_t& sender, void* buffer, std::size_t capacity) {
    if (!fd_.valid() || (!buffer && capacity > 0)) return -1;
    for (int skipped = 0; skipped < kMaxSkippedPerReceive;) {
        pollfd p{fd_.get(), POLLIN, 0};
        int ready = ::poll(&p, 1, 0);
        if (ready < 0) {
            if (errno == EINTR) continue;
            lastError_ = Describe("poll", errno);
            return -1;
        }
        if (ready == 0) return 0;
        if (p.revents & POLLERR) {
            ClearPendingError(fd_.get());
            return 0;
        }
        if (!(p.revents & POLLIN)) return 0;

        uint8_t datagram[kUdpMaxDatagram];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        // MSG_TRUNC reports the whole length, so an oversized datagram is known as such.
        ssize_t n = ::recvfrom(fd_.get(), datagram, sizeof datagram, MSG_DONTWAIT | MSG_TRUNC,
                               reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) {
            int err = errno;
            if (err == EINTR) continue;
            if (err == EAGAIN || err == EWOULDBLOCK) return 0;
            // Errors reported by the network for an earlier send say nothing about what waits.
            if (err == ECONNREFUSED || err == EHOSTUNREACH || err == ENETUNREACH) return 0;
            lastError_ = Describe("receive", err);
            return -1;
        }
        auto length = static_cast<std::size_t>(n);
        if (length == 0 || length > kUdpMaxDatagram || length > capacity ||
            fromLength < sizeof from || from.sin_family != AF_INET) {
            ++skipped;
            continue;
        }
        sender = ntohl(from.sin_addr.s_addr);
        std::memcpy(buffer, datagram, length);
        return static_cast<int>(length);
    }
    return 0;
}

bool UdpSocket::SenderSearched(uint32_t sender) const {
    return fd_.valid() && AnswerFromTargets(sender, targets_, subnets_);
}

}  // namespace orvane::transport
