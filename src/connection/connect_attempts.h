#pragma once
// Connect, Test and the reconnect after a lost connection run off the user
// interface's thread, under the front end's busy indicator, with a Cancel that
// ends every wait of the attempt at once. The sequence itself is unchanged: its
// message boxes are kept while it runs and shown, in order, once it has ended.

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/cancellable_clock.h"
#include "transport/connection_record.h"
#include "ui/busy_indicator.h"
#include "ui/message_box.h"

namespace orvane::connection {

// How long the reconnect waits for a serial device that has gone (an unplugged
// adaptor) to come back, and how often it looks.
inline constexpr uint32_t kDeviceReturnMs = 30000;
inline constexpr uint32_t kDeviceLookMs = 50;

// Boxes asked for on a worker thread, kept for the user interface's thread.
// Only notices are asked for there: each is answered with its first button.
class HeldMessages final : public ui::MessageBoxes {
  public:
    ui::MessageAnswer Show(const ui::MessageRequest& request) override;
    void ShowTo(ui::MessageBoxes& owner) const;
    void Clear() { held_.clear(); }
    const std::vector<ui::MessageRequest>& held() const { return held_; }

  private:
    std::vector<ui::MessageRequest> held_;
};

// Work on a thread of its own, timed by a clock that Cancel makes stop waiting.
class ClockedWork final : public ui::BackgroundWork {
  public:
    ClockedWork(platform::CancellableClock& clock, std::function<void()> work)
        : clock_(clock), work_(std::move(work)) {}
    ~ClockedWork() override;
    void Start(std::function<void()> ended) override;
    void Cancel() override { clock_.Cancel(); }
    void Join() override;

  private:
    platform::CancellableClock& clock_;
    std::function<void()> work_;
    std::thread thread_;
};

// Waits until path exists, at most limitMs of clock's time; say is told the
// whole seconds left each time that number changes. True when it is there.
bool WaitForPath(const std::string& path, platform::Clock& clock, uint32_t limitMs,
                 const std::function<void(unsigned secondsLeft)>& say);

class ConnectAttempts {
  public:
    struct Result {
        bool identified = false;  // what ConnectAndIdentify returned
        bool cancelled = false;   // the user cancelled: nothing was shown, the channel is closed
    };

    explicit ConnectAttempts(ui::BusyIndicator& busy) : busy_(busy) {}

    // True while an attempt runs: nothing else may touch its record meanwhile.
    bool Running() const { return running_; }

    // ConnectAndIdentify on record, its boxes shown to owner once it has ended.
    // closeAfter: the channel is closed at the end, whatever the outcome (Test).
    Result Connect(ui::MessageBoxes& owner, transport::ConnectionRecord& record, bool showResult,
                   bool closeAfter = false);
    // The silent reconnect. With waitForDevice (the connection was lost and
    // the user asked for it back), a serial device that has gone is waited for,
    // under byIdName when it had one, and the port then follows that name to
    // wherever the device came back.
    Result Reconnect(ui::MessageBoxes& owner, transport::ConnectionRecord& record,
                     bool waitForDevice, const std::string& byIdName);

  private:
    Result Run(const std::string& text, ui::MessageBoxes& owner,
               transport::ConnectionRecord& record,
               const std::function<bool(HeldMessages&)>& attempt);

    ui::BusyIndicator& busy_;
    // Must outlive every link made with it, which keeps its address: the owner
    // of the record owns this object too.
    platform::CancellableClock clock_;
    bool running_ = false;
};

// What the busy indicator says while record connects.
std::string ConnectingText(const transport::ConnectionRecord& record);
// Where record connects: its port, or its IP address on the LAN.
std::string ConnectPlace(const transport::ConnectionRecord& record);
// A status line: format filled with what and the time of day by record's clock.
std::string StatusAt(const char* format, const std::string& what,
                     const transport::ConnectionRecord& record);

}  // namespace orvane::connection
