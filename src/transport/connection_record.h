#pragma once
// The one connection to an instrument: which interface, what the identification
// learned, and the state of the open channel. Fields keep the order and
// capacities of the original record; text fields cut on assignment, except the
// port (see kComPortMaxLength).

#include <cstdint>
#include <memory>
#include <string>

#include "platform/fixed_text.h"
#include "transport/link.h"

namespace orvane::transport {

enum class InterfaceKind : uint32_t { None = 0, Usb = 1, Lan = 2, Serial = 3 };

// A Linux device path (/dev/serial/by-id/...) needs far more than a COM name.
// The port is kept whole and a longer one refused when the channel opens: cut
// to fit, it could name a different device.
inline constexpr std::size_t kComPortMaxLength = 259;

struct ConnectionRecord {
    InterfaceKind interfaceKind = InterfaceKind::None;
    uint32_t modelCode = 0;
    platform::FixedText<128> identity;
    platform::FixedText<256> calibration;
    std::string comPort;  // "ttyUSB0" or a path starting with "/"
    platform::FixedText<17> ipAddress;
    uint32_t baudRate = 0;
    bool instrumentReady = false;
    bool channelOpen = false;
    bool pollReplies = false;
    platform::FixedText<128> versionReply;
    platform::FixedText<256> calverReply;

    // Why the last open failed (an errno value, 0 when it did not), so that a
    // message can say what to do about it.
    int openError = 0;

    // What the link is made with when the channel opens, and the link while it is open.
    LinkOptions linkOptions;
    std::unique_ptr<Link> link;
};

}  // namespace orvane::transport
