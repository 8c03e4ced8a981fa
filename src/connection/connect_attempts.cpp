#include "connection/connect_attempts.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "connection/connect_and_identify.h"
#include "connection/status_texts.h"
#include "platform/text_format.h"
#include "transport/channel.h"
#include "transport/serial_link.h"
#include "ui/wait_cursor.h"

namespace orvane::connection {

using transport::ConnectionRecord;
using transport::InterfaceKind;

namespace {

bool PathExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// "ttyUSB1" for a by-id link to /dev/ttyUSB1: the form a port is chosen in.
std::string DeviceNameOf(const std::string& link) {
    std::error_code error;
    const std::string target = std::filesystem::canonical(link, error).string();
    if (error) return link;
    const std::string dev = "/dev/";
    if (target.starts_with(dev) && target.find('/', dev.size()) == std::string::npos)
        return target.substr(dev.size());
    return target;
}

// Refusals a device node gives while it settles after it has come back.
bool MayPassSoon(int openError) {
    switch (openError) {
        case EACCES:
        case EPERM:
        case EBUSY:
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case EIO:
            return true;
        default:
            return false;
    }
}

bool IsSerial(const ConnectionRecord& r) {
    return r.interfaceKind == InterfaceKind::Usb || r.interfaceKind == InterfaceKind::Serial;
}

}  // namespace

ui::MessageAnswer HeldMessages::Show(const ui::MessageRequest& request) {
    held_.push_back(request);
    switch (request.buttons) {
        case ui::MessageButtons::Ok:
        case ui::MessageButtons::OkCancel:
            return ui::MessageAnswer::Ok;
        case ui::MessageButtons::RetryCancel:
            return ui::MessageAnswer::Retry;
        default:
            return ui::MessageAnswer::Yes;
    }
}

void HeldMessages::ShowTo(ui::MessageBoxes& owner) const {
    for (const ui::MessageRequest& request : held_) owner.Show(request);
}

ClockedWork::~ClockedWork() {
    if (thread_.joinable()) {
        clock_.Cancel();
        thread_.join();
    }
}

void ClockedWork::Start(std::function<void()> ended) {
    auto run = [this, ended = std::move(ended)] {
        work_();
        if (ended) ended();
    };
    try {
        thread_ = std::thread(run);
    } catch (const std::system_error&) {
        // No thread to be had: the work is done here, with the window still.
        run();
    }
}

void ClockedWork::Join() {
    if (thread_.joinable()) thread_.join();
}

bool WaitForPath(const std::string& path, platform::Clock& clock, uint32_t limitMs,
                 const std::function<void(unsigned secondsLeft)>& say) {
    const uint32_t start = clock.TickCount();
    unsigned said = UINT_MAX;
    for (;;) {
        if (PathExists(path)) return true;
        const uint32_t spent = platform::TicksSince(clock.TickCount(), start);
        if (spent >= limitMs) return false;
        const unsigned left = (limitMs - spent + 999) / 1000;
        if (say && left != said) say(left);
        said = left;
        clock.Sleep(std::min(kDeviceLookMs, limitMs - spent));
    }
}

std::string ConnectPlace(const ConnectionRecord& r) {
    return r.interfaceKind == InterfaceKind::Lan ? r.ipAddress.str() : r.comPort;
}

std::string ConnectingText(const ConnectionRecord& r) {
    return platform::Format(kConnectingTo, ConnectPlace(r).c_str());
}

std::string StatusAt(const char* format, const std::string& what, const ConnectionRecord& r) {
    const platform::LocalTime t = platform::ClockOrSystem(r.linkOptions.clock)->Now();
    const std::string time = platform::Format(kStatusTimeFormat, t.hour, t.minute, t.second);
    return platform::Format(format, what.c_str(), time.c_str());
}

ConnectAttempts::Result ConnectAttempts::Run(const std::string& text, ui::MessageBoxes& owner,
                                             ConnectionRecord& r,
                                             const std::function<bool(HeldMessages&)>& attempt) {
    // The record's links wait through this clock, so that a cancel reaches them.
    if (r.linkOptions.clock != &clock_) {
        clock_.SetBase(r.linkOptions.clock);
        r.linkOptions.clock = &clock_;
    }
    HeldMessages held;
    Result result;
    ClockedWork work(clock_, [&] {
        result.identified = attempt(held);
        // Decided on the attempt's own thread, which lets the port go itself:
        // no descriptor is closed under a thread still waiting on it.
        result.cancelled = clock_.Cancelled();
        if (result.cancelled) {
            result.identified = false;
            transport::CloseChannel(r);
        }
    });
    running_ = true;
    busy_.RunBusy(text, work);
    work.Join();
    running_ = false;
    clock_.Reset();
    // Only an open link keeps this clock; a closed channel gets the record's own back.
    if (!r.channelOpen) r.linkOptions.clock = clock_.base();
    if (!result.cancelled) held.ShowTo(owner);
    return result;
}

ConnectAttempts::Result ConnectAttempts::Connect(ui::MessageBoxes& owner, ConnectionRecord& r,
                                                 bool showResult, bool closeAfter) {
    return Run(ConnectingText(r), owner, r, [&](HeldMessages& held) {
        ui::NullWaitCursor cursor;
        const bool identified = ConnectAndIdentify(held, cursor, r, showResult);
        if (closeAfter) transport::CloseChannel(r);
        return identified;
    });
}

ConnectAttempts::Result ConnectAttempts::Reconnect(ui::MessageBoxes& owner, ConnectionRecord& r,
                                                   bool waitForDevice,
                                                   const std::string& byIdName) {
    return Run(ConnectingText(r), owner, r, [&](HeldMessages& held) {
        ui::NullWaitCursor cursor;
        const std::string device = transport::SerialDevicePath(r.comPort);
        if (!waitForDevice || !IsSerial(r) || PathExists(device))
            return ConnectAndIdentify(held, cursor, r, false);

        const std::string watched = byIdName.empty() ? device : byIdName;
        const uint32_t start = clock_.TickCount();
        auto say = [&](unsigned left) {
            busy_.UpdateBusy(platform::Format(kWaitingForDevice, watched.c_str(), left));
        };
        const bool back = WaitForPath(watched, clock_, kDeviceReturnMs, say);
        if (clock_.Cancelled()) return false;
        // The adaptor may come back under another number; its by-id name follows it.
        if (back && !byIdName.empty() && device != byIdName) r.comPort = DeviceNameOf(byIdName);
        for (;;) {
            held.Clear();
            const bool identified = ConnectAndIdentify(held, cursor, r, false);
            const uint32_t spent = platform::TicksSince(clock_.TickCount(), start);
            if (identified || r.channelOpen || !back || !MayPassSoon(r.openError) ||
                spent >= kDeviceReturnMs || clock_.Cancelled())
                return identified;
            clock_.Sleep(kDeviceLookMs);
        }
    });
}

}  // namespace orvane::connection
