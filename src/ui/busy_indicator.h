#pragma once
// Work that must not hold the window still (a connect, a LAN search) runs on a
// thread of its own; the front end shows that it is busy, offers Cancel and
// goes on drawing until the work has ended.

#include <functional>
#include <string>

namespace orvane::ui {

class BackgroundWork {
  public:
    virtual ~BackgroundWork() = default;
    // Starts the work's thread; ended is called on that thread as its last act.
    virtual void Start(std::function<void()> ended) = 0;
    // From the front end's thread: every wait of the work ends at once.
    virtual void Cancel() = 0;
    // Returns once the work's thread has ended.
    virtual void Join() = 0;
};

class BusyIndicator {
  public:
    virtual ~BusyIndicator() = default;
    // Starts work and returns once it has ended. Meanwhile text shows with a
    // Cancel that cancels the work, and the user interface goes on.
    virtual void RunBusy(const std::string& text, BackgroundWork& work) = 0;
    // From any thread: what the indicator says from now on (a count-down).
    virtual void UpdateBusy(const std::string& text) = 0;
};

// For a front end with nothing to draw meanwhile: runs the work and waits.
class InPlaceBusy final : public BusyIndicator {
  public:
    void RunBusy(const std::string&, BackgroundWork& work) override {
        work.Start(nullptr);
        work.Join();
    }
    void UpdateBusy(const std::string&) override {}
};

// The line under the panes that says what the last action did.
class StatusLine {
  public:
    virtual ~StatusLine() = default;
    virtual void SetStatus(const std::string& text) = 0;
};

}  // namespace orvane::ui
