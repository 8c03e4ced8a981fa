#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
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

struct DiscoverySocket {
    std::mutex mutex;
    int fd = -1;
    std::vector<uint32_t> targets;
    std::vector<LocalSubnet> subnets;
    std::string targetNote;
    std::string lastError;
};

DiscoverySocket& State() {
    static DiscoverySocket s;
    return s;
}

std::string Describe(const char* what, int err) {
    return std::string(what) + ": " + std::strerror(err);
}

void CloseLocked(DiscoverySocket& s) {
    if (s.fd >= 0) ::close(s.fd);
    s.fd = -1;
    s.targets.clear();
    s.subnets.clear();
}

void ClearPendingError(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
}

}  // namespace

int UdpOpen(uint16_t localPort) {
    DiscoverySocket& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    CloseLocked(s);
    auto fail = [&](std::string why) {
        CloseLocked(s);
        s.lastError = std::move(why);
        return -1;
    };
    std::string note;
    std::vector<uint32_t> targets = ResolveDiscoveryTargets(&note);
    if (targets.empty()) return fail(note);

    s.fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s.fd < 0) return fail(Describe("socket", errno));
    int on = 1;
    if (::setsockopt(s.fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        return fail(Describe("broadcast option", errno));
    }
    if (::setsockopt(s.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        return fail(Describe("address reuse option", errno));
    }
    // Room for the answers of many instruments arriving at once between two
    // checks; the system may grant less, which only means fewer fit.
    int room = kReceiveBufferBytes;
    ::setsockopt(s.fd, SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(localPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(s.fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        return fail(Describe(("bind to UDP port " + std::to_string(localPort)).c_str(), errno));
    }
    s.targets = std::move(targets);
    s.subnets = LocalSubnets();
    s.targetNote = std::move(note);
    s.lastError.clear();
    return 0;
}

int UdpSendTo(const void* bytes, std::size_t length, uint16_t port) {
    DiscoverySocket& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (length > kUdpMaxDatagram || (!bytes && length > 0)) {
        s.lastError = "query too long";
        return -1;
    }
    if (s.fd < 0) {
        s.lastError = "the discovery socket is not open";
        return -1;
    }
    // Real time, not the program clock: this waits on the kernel, which a fake
    // clock cannot hurry.
    auto start = std::chrono::steady_clock::now();
    bool sent = false;
    bool gaveUp = false;
    std::string errors;
    for (uint32_t target : s.targets) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(target);
        for (;;) {
            ssize_t n = ::sendto(s.fd, bytes, length, MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&to), sizeof to);
            if (n >= 0) {
                sent = true;
                break;
            }
            int err = errno;
            if (err == EINTR) continue;
            if (err != EAGAIN && err != EWOULDBLOCK) {
                errors += (errors.empty() ? "" : "; ") + Describe(Ipv4Text(target).c_str(), err);
                ClearPendingError(s.fd);
                break;
            }
            auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
            if (gaveUp || spent >= kSendWaitMs) {
                gaveUp = true;
                break;
            }
            pollfd p{s.fd, POLLOUT, 0};
            ::poll(&p, 1, static_cast<int>(kSendWaitMs - spent));
            if (p.revents & POLLERR) ClearPendingError(s.fd);
        }
    }
    s.lastError = errors;
    if (sent) return 0;
    return gaveUp ? 1 : -1;
}

int UdpReceiveFrom(uint32_t& sender, void* buffer, std::size_t capacity) {
    DiscoverySocket& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.fd < 0 || (!buffer && capacity > 0)) return -1;
    for (int skipped = 0; skipped < kMaxSkippedPerReceive;) {
        pollfd p{s.fd, POLLIN, 0};
        int ready = ::poll(&p, 1, 0);
        if (ready < 0) {
            if (errno == EINTR) continue;
            s.lastError = Describe("poll", errno);
            return -1;
        }
        if (ready == 0) return 0;
        if (p.revents & POLLERR) {
            ClearPendingError(s.fd);
            return 0;
        }
        if (!(p.revents & POLLIN)) return 0;

        uint8_t datagram[kUdpMaxDatagram];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        // MSG_TRUNC reports the whole length, so an oversized datagram is known as such.
        ssize_t n = ::recvfrom(s.fd, datagram, sizeof datagram, MSG_DONTWAIT | MSG_TRUNC,
                               reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) {
            int err = errno;
            if (err == EINTR) continue;
            if (err == EAGAIN || err == EWOULDBLOCK) return 0;
            // Errors reported by the network for an earlier send say nothing about what waits.
            if (err == ECONNREFUSED || err == EHOSTUNREACH || err == ENETUNREACH) return 0;
            s.lastError = Describe("receive", err);
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

bool UdpSenderSearched(uint32_t sender) {
    DiscoverySocket& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fd >= 0 && AnswerFromTargets(sender, s.targets, s.subnets);
}

void UdpClose() {
    DiscoverySocket& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    CloseLocked(s);
}

bool UdpIsOpen() {
    DiscoverySocket& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fd >= 0;
}

std::string UdpLastError() {
    DiscoverySocket& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.lastError;
}

std::size_t UdpTargetCount() {
    DiscoverySocket& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.targets.size();
}

std::string UdpTargetNote() {
    DiscoverySocket& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.targetNote;
}

}  // namespace orvane::transport
