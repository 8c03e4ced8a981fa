#pragma once
// The open connection to an instrument, one object per connection: a serial
// line (USB and RS-232) or a TCP socket (LAN), each with its descriptor, its
// read-ahead and its time-outs. MakeLink is the one place that tells the
// interfaces apart.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orvane::platform {
class Clock;
class Diagnostics;
}  // namespace orvane::platform

namespace orvane::transport {

struct ConnectionRecord;

// A descriptor holds this when nothing is open.
inline constexpr int kInvalidHandle = -1;
inline constexpr uint16_t kInstrumentTcpPort = 10001;
inline constexpr uint32_t kDefaultReplyTimeoutMs = 5000;

// How links are made, and what the connection works with. Tests move the port
// off 10001 so that runs side by side do not share it. The program's main owns
// the clock and the diagnostics.
struct LinkOptions {
    uint16_t tcpPort = kInstrumentTcpPort;
    uint32_t lanTimeoutMs = kDefaultReplyTimeoutMs;  // a LAN link's reply time-out at start
    platform::Clock* clock = nullptr;                // none: the system's
    platform::Diagnostics* diagnostics = nullptr;    // none: nothing traced, logged or counted
};

class Link {
  public:
    virtual ~Link() = default;
    // Sends the bytes (the LAN adds its zero byte). LAN: 0 sent, -1 failed.
    // USB/serial: bytes written, 0 when the write failed.
    virtual int Send(std::string_view bytes) = 0;
    // 0..255 a byte; -2 nothing waiting; -1 the line or connection failed. Never
    // waits. Inline, so that a byte already taken in costs no call at all.
    int ReadByte() { return next_ != end_ ? *next_++ : ReadByteRefilling(); }
    // Up to max waiting bytes at once; 0 when none, -1 as ReadByte.
    int ReadBytes(uint8_t* out, std::size_t max);
    // One reply line, waiting as the time-out allows: the bytes stored (at most
    // capacity - 1) into line, and the length of its text. Below 1 means no reply.
    virtual int ReadLine(std::string& line, std::size_t capacity) = 0;
    // Bytes taken in from the line or socket and not yet read. No system call.
    std::size_t Buffered() const { return static_cast<std::size_t>(end_ - next_); }
    virtual void SetTimeout(uint32_t ms) = 0;
    // What to wait on for more input.
    virtual int Descriptor() const = 0;

  protected:
    // The read-ahead holds at most readAhead bytes: what does not fit stays with
    // the system, in order, and slows the sender.
    explicit Link(std::size_t readAhead)
        : buffer_(std::make_unique<uint8_t[]>(readAhead)), size_(readAhead) {}
    // Takes what the line or socket holds into FreeSpace, without waiting, and
    // reports it with Took; calls Failed when nothing more will come. Called
    // only when every byte taken in before has been read.
    virtual void Refill() = 0;
    uint8_t* FreeSpace() { return end_; }
    std::size_t FreeSize() const { return size_ - static_cast<std::size_t>(end_ - buffer_.get()); }
    void Took(std::size_t n) { end_ += n; }
    void Failed() { failed_ = true; }
    bool failed() const { return failed_; }

  private:
    int ReadByteRefilling();
    // False when nothing came: -2 or -1 is the answer then.
    bool RefillEmpty();

    std::unique_ptr<uint8_t[]> buffer_;
    std::size_t size_;
    uint8_t* next_ = buffer_.get();  // the bytes taken in and not read: [next_, end_)
    uint8_t* end_ = buffer_.get();
    bool failed_ = false;  // a hang-up or read error was seen; reported once the bytes are read
};

// A link, or why none could be made (an errno value, so that a message can
// say what to do about it).
struct LinkResult {
    std::unique_ptr<Link> link;
    int error = 0;
};

// Opens the interface the settings name (interfaceKind, comPort and baudRate,
// or ipAddress).
LinkResult MakeLink(const ConnectionRecord& settings, const LinkOptions& options);

}  // namespace orvane::transport
