#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "sim/discovery_responder.h"

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
        platform::UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        int on = 1;
        socklen_t len = sizeof sa;
        // Address reuse lets a client bound to the same port on every address sit
        // beside the instrument on one machine, as it does for the query method.
        if (!fd.valid() || ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
            ::bind(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
            error_ = address + ":" + std::to_string(port) + ": " + std::strerror(errno);
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
        for (int n = 0; n < kQueriesPerStep; ++n) {
            uint8_t buf[2048];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            ssize_t got = ::recvfrom(fds_[i].get(), buf, sizeof buf, MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (!IsDiscoveryQuery(config_.method, buf, static_cast<std::size_t>(got))) continue;
            ++queries_;
            if (config_.answer == DiscoveryAnswer::Silent) continue;
            std::string answer = DiscoveryAnswerBytes(
                config_.method, config_.answer, config_.instrument, config_.tcpPort, hosts_[i]);
            if (::sendto(fds_[i].get(), answer.data(), answer.size(), MSG_DONTWAIT,
                         reinterpret_cast<sockaddr*>(&from), fromLength) >= 0) {
                ++answers_;
            }
        }
    }
    if (queries_ != queries) changed_.notify_all();
}

void DiscoveryResponder::Pump(uint32_t /*nowMs*/) {
    if (fds_.empty()) return;
    std::vector<pollfd> wait;
    for (const auto& fd : fds_) wait.push_back({fd.get(), POLLIN, 0});
    // One look at every socket first: most steps find nothing, and a poll is cheaper
    // than a receive per address.
    if (::poll(wait.data(), wait.size(), 0) <= 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    ServeLocked();
}

}  // namespace orvane::sim
