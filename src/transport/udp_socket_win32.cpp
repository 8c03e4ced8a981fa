#include "platform/win32_support.h"
// After winsock2.h.
#include <mswsock.h>
#include <ws2tcpip.h>

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

std::string Describe(const std::string& what, int error) {
    return what + ": " + platform::SystemErrorText(static_cast<DWORD>(error));
}

void ClearPendingError(SOCKET s) {
    int err = 0;
    int len = sizeof err;
    ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len);
}

bool SetOption(SOCKET s, int name, int value) {
    return ::setsockopt(s, SOL_SOCKET, name, reinterpret_cast<const char*>(&value), sizeof value) ==
           0;
}

}  // namespace

UdpSocket::UdpSocket(uint16_t localPort, std::vector<uint32_t> targets) {
    auto fail = [&](const std::string& what) {
        lastError_ = Describe(what, ::WSAGetLastError());
        fd_.reset();
    };
    if (platform::StartWinsock() != 0) {
        lastError_ = "the sockets library could not be started";
        return;
    }
    const SOCKET s = ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0,
                                  WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    fd_.reset(platform::DescriptorOf(s));
    if (!fd_.valid()) {
        fail("socket");
        return;
    }
    if (!SetOption(s, SO_BROADCAST, 1)) {
        fail("broadcast option");
        return;
    }
    if (!SetOption(s, SO_REUSEADDR, 1)) {
        fail("address reuse option");
        return;
    }
    // Room for the answers of many instruments arriving at once between two
    // checks; the system may grant less, which only means fewer fit.
    SetOption(s, SO_RCVBUF, kReceiveBufferBytes);
    // Windows reports an unreachable port of an earlier send as a failed
    // receive; Linux says nothing. Both keep reading what did arrive.
    BOOL report = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr,
               nullptr);
    u_long nonBlocking = 1;
    if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        fail("non-blocking mode");
        return;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(localPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        fail("bind to UDP port " + std::to_string(localPort));
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
    const SOCKET s = platform::SocketOf(fd_.get());
    // Real time, not the program clock: this waits on the system, which a fake
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
            const int n = ::sendto(s, static_cast<const char*>(bytes), static_cast<int>(length), 0,
                                   reinterpret_cast<sockaddr*>(&to), sizeof to);
            if (n >= 0) {
                sent = true;
                break;
            }
            const int err = ::WSAGetLastError();
            if (err != WSAEWOULDBLOCK) {
                errors += (errors.empty() ? "" : "; ") + Describe(Ipv4Text(target), err);
                ClearPendingError(s);
                break;
            }
            auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
            if (gaveUp || spent >= kSendWaitMs) {
                gaveUp = true;
                break;
            }
            WSAPOLLFD p{s, POLLWRNORM, 0};
            ::WSAPoll(&p, 1, static_cast<INT>(kSendWaitMs - spent));
            if (p.revents & POLLERR) ClearPendingError(s);
        }
    }
    lastError_ = errors;
    if (sent) return 0;
    return gaveUp ? 1 : -1;
}

int UdpSocket::ReceiveFrom(uint32_t& sender, void* buffer, std::size_t capacity) {
    if (!fd_.valid() || (!buffer && capacity > 0)) return -1;
    const SOCKET s = platform::SocketOf(fd_.get());
    for (int skipped = 0; skipped < kMaxSkippedPerReceive;) {
        char datagram[kUdpMaxDatagram];
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int n = ::recvfrom(s, datagram, sizeof datagram, 0,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) {
            const int err = ::WSAGetLastError();
            if (err == WSAEWOULDBLOCK) return 0;
            // Windows drops the rest of a datagram too long for the buffer and says so.
            if (err == WSAEMSGSIZE) {
                ++skipped;
                continue;
            }
            // Errors reported by the network for an earlier send say nothing about what waits.
            if (err == WSAECONNRESET || err == WSAEHOSTUNREACH || err == WSAENETUNREACH ||
                err == WSAENETRESET)
                return 0;
            lastError_ = Describe("receive", err);
            return -1;
        }
        auto length = static_cast<std::size_t>(n);
        if (length == 0 || length > capacity || fromLength < static_cast<int>(sizeof from) ||
            from.sin_family != AF_INET) {
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
