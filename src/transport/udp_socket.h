#pragma once
// The discovery socket, open while one discovery method runs. It is bound to a
// fixed local port on every local address with broadcast sending and address
// reuse on, and every query goes to the targets it was opened with
// (discovery_targets.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/unique_fd.h"
#include "transport/discovery_targets.h"

namespace orvane::transport {

// The largest datagram a query may be, and the most of an answer that is read.
inline constexpr std::size_t kUdpMaxDatagram = 1500;

class UdpSocket {
  public:
    // Opens the socket; IsOpen() tells whether it could, LastError() why not.
    UdpSocket(uint16_t localPort, std::vector<uint32_t> targets);

    bool IsOpen() const { return fd_.valid(); }
    void Close() { fd_.reset(); }
    // Sends the bytes to port on every target. 0 sent (to at least one target);
    // 1 gave up waiting for the socket to take them; -1 error or too long.
    int SendTo(const void* bytes, std::size_t length, uint16_t port);
    // Takes one waiting datagram: its length, with the sender's IPv4 address (host
    // byte order); 0 nothing waiting; -1 error. Never waits. Empty datagrams and
    // datagrams longer than capacity are dropped unexamined.
    int ReceiveFrom(uint32_t& sender, void* buffer, std::size_t capacity);
    // Whether sender could be answering the queries sent (see AnswerFromTargets).
    bool SenderSearched(uint32_t sender) const;

    // Why the last operation failed (for the trace).
    const std::string& LastError() const { return lastError_; }
    std::size_t TargetCount() const { return targets_.size(); }

  private:
    platform::UniqueFd fd_;
    std::vector<uint32_t> targets_;
    std::vector<LocalSubnet> subnets_;
    std::string lastError_;
};

}  // namespace orvane::transport
