#pragma once
// The TCP link of a LAN instrument: bounded connect, sends with the zero byte
// after every text, and the receive ring that replies are read from.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"
#include "transport/link.h"

namespace orvane::transport {

inline constexpr uint32_t kConnectWaitMs = 2000;
inline constexpr int kRxRingSize = 32768;

enum class NetAction { Open, Close };
// Open: 0 started (or already started), -1 failed. Close: 0. POSIX sockets need
// no library started, and a broken connection is told by MSG_NOSIGNAL rather
// than SIGPIPE, so there is nothing to do here.
int NetStartup(NetAction action);

class TcpLink final : public Link {
  public:
    // Connects to address (dotted IPv4) on the options' port within 2 s. The
    // error is EINVAL for a text that is not a dotted IPv4 address and
    // ETIMEDOUT when nothing answered in time.
    static LinkResult Connect(std::string_view address, const LinkOptions& options);
    // A socket already connected (an in-memory instrument in tests).
    TcpLink(platform::UniqueFd socket, const LinkOptions& options)
        : Link(kRxRingSize),
          socket_(std::move(socket)),
          clock_(options.clock),
          timeoutMs_(options.lanTimeoutMs) {}
    // Shuts down the sending side, then closes.
    ~TcpLink() override;

    // Sends the bytes and a zero byte after them. 0 sent, -1 failed.
    int Send(std::string_view bytes) override;
    // Reads a line (line feed not stored, carriage returns dropped, excess of a
    // long line dropped). Number of characters stored; -1 on a time-out or a
    // closed connection. Dropping goes on for one time-out at most: a line that
    // never ends is returned as stored once bytes have come that long without
    // one being stored.
    int ReadLine(std::string& line, std::size_t capacity) override;
    void SetTimeout(uint32_t ms) override { timeoutMs_ = ms; }
    int Descriptor() const override { return socket_.get(); }

  private:
    // Takes everything the socket holds, up to the room left, in one call; a
    // closed connection is reported once every byte it sent has been read.
    void Refill() override;

    platform::UniqueFd socket_;
    platform::Clock* clock_;  // none: the system's
    uint32_t timeoutMs_;
};

}  // namespace orvane::transport
