#pragma once
// The instrument behind a pseudo-terminal, as a USB virtual COM port looks to a
// client: open DevicePath() (or the symlink) like any serial device.
//
// The terminal is raw (no echo, no CR/LF translation), so the client sees exactly
// the bytes the engine sends. The endpoint keeps a descriptor of the device open
// itself, so a client closing and reopening it does not hang the line up.
// Unplug() closes the master: the client's reads then end (EOF or EIO), poll
// reports POLLHUP and writes fail with EIO, as after a pulled cable.

#include <optional>
#include <string>

#include "platform/unique_fd.h"
#include "sim/endpoint.h"

namespace orvane::sim {

class PtyEndpoint final : public Endpoint {
  public:
    // linkPath, when given, becomes a symlink to the device. An existing symlink
    // there is replaced; anything else there is left alone and fails the endpoint.
    explicit PtyEndpoint(InstrumentConfig config = {}, std::string linkPath = {});
    ~PtyEndpoint() override;

    // False where the system has no pseudo-terminals (Windows): every
    // endpoint then fails, saying so.
    static bool Available();

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    const std::string& DevicePath() const { return devicePath_; }
    const std::string& LinkPath() const { return linkPath_; }
    bool Unplugged() const;

  private:
    // After a write in a Pump, wait this long at most (real time) for the bytes to
    // reach the device side, so a test may read right after pumping.
    static constexpr int kSettleMs = 200;
    // How long the hang-up fault waits for the client to read what was sent.
    static constexpr uint32_t kHangUpGraceMs = 1000;
    // What the device side of a raw pseudo-terminal holds for reading.
    static constexpr int kDeviceQueue = 4095;

    void Service(uint32_t nowMs) override;
    void AddWaits(ServiceWait& wait) override;
    void UnplugLocked() override;
    std::size_t WriteRoom(int fd) override;
    void Written(int fd, std::size_t n) override;

    bool Open();
    void HangUpLocked();
    void MakeLink();
    void RemoveLink();
    int Queued() const;

    platform::UniqueFd master_;
    platform::UniqueFd slave_;  // kept open; never read
    std::string devicePath_;
    std::string linkPath_;
    bool linkMade_ = false;
    std::string error_;
    int queuedBeforeWrite_ = 0;
    std::optional<uint32_t> hangUpSince_;  // pumped: when the hang-up fault began
    // Bytes written may not have reached the device side yet. Only a pumped
    // write is watched until they have; on the thread this stays set once
    // anything was written.
    bool inTransit_ = false;
};

}  // namespace orvane::sim
