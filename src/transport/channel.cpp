#include "transport/channel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "transport/comms_log.h"
#include "transport/serial_link.h"
#include "transport/tcp_link.h"

namespace orvane::transport {
namespace {

// A port path the system would take for another device's is not opened at all.
int PortPathProblem(const std::string& port) {
    if (port.size() > kComPortMaxLength) return ENAMETOOLONG;
    // The system reads a path only up to its first zero byte.
    if (port.find('\0') != std::string::npos) return ENOENT;
    return 0;
}

// What a channel with no link answers: what its driver answered on a closed
// handle. The one other place that tells the interfaces apart.
struct ClosedAnswers {
    int send, readLine, readByte, readBytes;
};

ClosedAnswers Closed(InterfaceKind kind) {
    if (kind == InterfaceKind::Lan) return {-1, -1, -2, 0};
    return {0, 0, -1, -1};
}

}  // namespace

LinkResult MakeLink(const ConnectionRecord& settings, const LinkOptions& options) {
    switch (settings.interfaceKind) {
        case InterfaceKind::Lan:
            if (NetStartup(NetAction::Open) != 0) return {};
            return TcpLink::Connect(settings.ipAddress.view(), options);
        case InterfaceKind::Usb:
        case InterfaceKind::Serial:
            if (int problem = PortPathProblem(settings.comPort)) return {nullptr, problem};
            return SerialLink::Open(SerialDevicePath(settings.comPort), settings.baudRate,
                                    options.clock);
        case InterfaceKind::None:
            break;
    }
    return {nullptr, EINVAL};
}

int OpenChannel(ConnectionRecord& r) {
    if (r.channelOpen) return 0;
    LinkResult made = MakeLink(r, r.linkOptions);
    r.openError = made.error;
    r.link = std::move(made.link);
    if (!r.link) return -1;
    r.channelOpen = true;

    ChannelSend(kWake, r);

    // Whatever the instrument had queued goes, so the first reply read is the
    // first one asked for.
    ChannelDrain(r, kOpenDrainMs);
    return 0;
}

void CloseChannel(ConnectionRecord& r) {
    r.link.reset();
    if (r.interfaceKind == InterfaceKind::Lan) NetStartup(NetAction::Close);
    r.channelOpen = false;
}

int ChannelSend(std::string_view text, ConnectionRecord& r) {
    text = text.substr(0, text.find('\0'));
    int result = r.link ? r.link->Send(text) : Closed(r.interfaceKind).send;
    CommsLogSend(text, r);
    return result;
}

int ChannelReceiveLine(std::string& line, std::size_t capacity, ConnectionRecord& r) {
    line.clear();
    if (capacity == 0) return -1;
    int count = r.link ? r.link->ReadLine(line, capacity) : Closed(r.interfaceKind).readLine;
    // The bytes as stored; the text ends at the first carriage return or zero byte.
    std::string raw = std::move(line);
    line = raw.substr(0, std::min(raw.find('\r'), raw.find('\0')));
    CommsLogReceive(line, r);
    if (capacity >= 4 && !raw.empty() && static_cast<uint8_t>(raw[0]) >= 0x80) {
        uint8_t value[4] = {};
        std::memcpy(value, raw.data(), std::min<std::size_t>(raw.size(), 4));
        // The carriage return that ends a serial line's text reads as a zero.
        if (std::size_t cr = raw.find('\r'); cr < 4) value[cr] = 0;
        line = BinaryValueText(value).substr(0, capacity - 1);
    }
    return count;
}

int ClosedChannelReadByte(const ConnectionRecord& r) {
    return Closed(r.interfaceKind).readByte;
}

int ChannelReadBytes(ConnectionRecord& r, uint8_t* out, std::size_t max) {
    return r.link ? r.link->ReadBytes(out, max) : Closed(r.interfaceKind).readBytes;
}

std::size_t ChannelBuffered(const ConnectionRecord& r) {
    return r.link ? r.link->Buffered() : 0;
}

void ChannelSetTimeout(uint32_t ms, ConnectionRecord& r) {
    if (r.link) r.link->SetTimeout(ms);
}

void ChannelDrain(ConnectionRecord& r, uint32_t ms) {
    platform::ClockOrSystem clock(r.linkOptions.clock);
    uint32_t start = clock->TickCount();
    for (;;) {
        if (ChannelReadByte(r) >= 0) continue;
        if (ms == 0 || platform::TicksSince(clock->TickCount(), start) > ms) return;
        clock->Sleep(10);
    }
}

int ChannelDescriptor(const ConnectionRecord& r) {
    return r.link ? r.link->Descriptor() : kInvalidHandle;
}

}  // namespace orvane::transport
