#pragma once
// The serial link: USB virtual COM ports and RS-232 lines on termios.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"
#include "transport/link.h"

namespace orvane::platform {
class Clock;
}

namespace orvane::transport {

// "ttyUSB0" becomes "/dev/ttyUSB0"; a text starting with "/" is used as it stands.
std::string SerialDevicePath(std::string_view comPort);

// The baud rates a port can be set to, rising.
std::span<const uint32_t> SerialBaudRates();
bool IsSerialBaudRate(uint32_t baud);

class SerialLink final : public Link {
  public:
    // Opens the device exclusively, raw, 8N1, no hardware flow control, DTR and
    // RTS on, read time-out 5000 ms. The error is EBUSY when another program
    // holds the port, and EINVAL, before the device is touched, for a rate not
    // in SerialBaudRates.
    // The clock times the reads; none: the system's.
    static LinkResult Open(const std::string& path, uint32_t baud,
                           platform::Clock* clock = nullptr);
    // Discards what is queued for reading, gives up the exclusive use, closes.
    ~SerialLink() override;

    // Bytes written; 0 when the write failed.
    int Send(std::string_view bytes) override;
    // Reads up to a line feed (kept), capacity - 1 bytes or a read time-out.
    // Returns the length of the text, which ends at its first carriage return.
    int ReadLine(std::string& line, std::size_t capacity) override;
    void SetTimeout(uint32_t ms) override { readTimeoutMs_ = ms; }
    int Descriptor() const override { return fd_.get(); }

  private:
    static constexpr uint32_t kDefaultReadTimeoutMs = 5000;
    // Reading ahead in blocks makes the byte-at-a-time path cost one system
    // call per block instead of per byte.
    static constexpr std::size_t kReadAhead = 4096;

    SerialLink(platform::UniqueFd fd, platform::Clock* clock)
        : Link(kReadAhead), fd_(std::move(fd)), clock_(clock) {}
    void Refill() override;
    int ReadByteWaiting(platform::Clock& clock);

    platform::UniqueFd fd_;
    platform::Clock* clock_;
    uint32_t readTimeoutMs_ = kDefaultReadTimeoutMs;
};

}  // namespace orvane::transport
