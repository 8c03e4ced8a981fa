#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "sim/discovery_responder.h"
#include "sim/sockets_win32.h"

namespace orvane::sim {

void DiscoveryResponder::Bind() {
    uint16_t port = config_.port.value_or(
        config_.method == DiscoveryMethod::Echo ? kEchoDiscoveryPort : kQueryDiscoveryPort);
    if (config_.addresses.empty()) error_ = "no address to answer on";
    for (const std::string& address : config_.addresses) {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port);
        if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
            error_ = address + ": not an IPv4 address";
            break;
        }
        const std::string where = address + ":" + std::to_string(port) + ": ";
        std::string reason;
        platform::UniqueFd fd(OpenSocket(SOCK_DGRAM, IPPROTO_UDP, reason));
        if (!fd.valid()) {
            error_ = where + reason;
            break;
        }
        SOCKET s = SocketOf(fd.get());
        BOOL on = TRUE;
        int len = sizeof sa;
        // Address reuse lets a client bound to the same port on every address sit
        // beside the instrument on one machine, as it does for the query method.
        if (::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on),
                         sizeof on) != 0 ||
            ::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            ::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
            error_ = where + LastSocketError();
            break;
        }
        port = ntohs(sa.sin_port);
        fds_.push_back(std::move(fd));
        hosts_.push_back(ntohl(sa.sin_addr.s_addr));
    }
    if (!error_.empty()) {
        fds_.clear();
        hosts_.clear();
        return;
    }
    port_ = port;
}

void DiscoveryResponder::ServeLocked() {
    uint64_t queries = queries_;
    for (std::size_t i = 0; i < fds_.size(); ++i) {
        SOCKET s = SocketOf(fds_[i].get());
        for (int n = 0; n < kQueriesPerStep; ++n) {
            char buf[2048];
            sockaddr_in from{};
            int fromLength = sizeof from;
            int got =
                ::recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got < 0) {
                int code = ::WSAGetLastError();
                // A reset is an earlier answer's port found closed, and an
                // oversized datagram is no query: the next one may still be.
                if (code == WSAEINTR || code == WSAECONNRESET || code == WSAEMSGSIZE) continue;
                break;
            }
            if (!IsDiscoveryQuery(config_.method, reinterpret_cast<const uint8_t*>(buf),
                                  static_cast<std::size_t>(got)))
                continue;
            ++queries_;
            if (config_.answer == DiscoveryAnswer::Silent) continue;
            std::string answer = DiscoveryAnswerBytes(
                config_.method, config_.answer, config_.instrument, config_.tcpPort, hosts_[i]);
            if (::sendto(s, answer.data(), static_cast<int>(answer.size()), 0,
                         reinterpret_cast<sockaddr*>(&from), fromLength) >= 0) {
                ++answers_;
            }
        }
    }
    if (queries_ != queries) changed_.notify_all();
}

void DiscoveryResponder::Pump(uint32_t /*nowMs*/) {
    if (fds_.empty()) return;
    std::vector<WSAPOLLFD> wait;
    for (const auto& fd : fds_) wait.push_back({SocketOf(fd.get()), POLLIN, 0});
    // One look at every socket first: most steps find nothing, and a poll is cheaper
    // than a receive per address.
    if (::WSAPoll(wait.data(), static_cast<ULONG>(wait.size()), 0) <= 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    ServeLocked();
}

}  // namespace orvane::sim
