#pragma once
// The TCP link of a LAN instrument: bounded connect, sends with the zero byte
// after every text, and the receive ring that replies are read from.

#include <array>
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
        : socket_(std::move(socket)), clock_(options.clock), timeoutMs_(options.lanTimeoutMs) {}
    // Shuts down the sending side, then closes.
    ~TcpLink() override;

    // Sends the bytes and a zero byte after them. 0 sent, -1 failed.
    int Send(std::string_view bytes) override;
    // -1 once the instrument closed the connection and every byte it sent has
    // been handed out.
    int ReadByte() override;
    int ReadBytes(uint8_t* out, std::size_t max) override;
    // Reads a line (line feed not stored, carriage returns dropped, excess of a
    // long line dropped). Number of characters stored; -1 on a time-out or a
    // closed connection. Dropping goes on for one time-out at most: a line that
    // never ends is returned as stored once bytes have come that long without
    // one being stored.
    int ReadLine(std::string& line, std::size_t capacity) override;
    std::size_t Buffered() const override { return static_cast<std::size_t>(rxCount_); }
    void SetTimeout(uint32_t ms) override { timeoutMs_ = ms; }
    int Descriptor() const override { return socket_.get(); }

  private:
    void FillRing();

    platform::UniqueFd socket_;
    platform::Clock* clock_;  // none: the system's
    uint32_t timeoutMs_;
    std::array<uint8_t, kRxRingSize> rxRing_{};
    int32_t rxCount_ = 0;
    int32_t rxWrite_ = 0;
    int32_t rxRead_ = 0;
    // The instrument closed the connection; reported once the ring is empty.
    bool peerClosed_ = false;
};

}  // namespace orvane::transport
