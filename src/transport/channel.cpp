#include "transport/channel.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "transport/comms_log.h"
#include "transport/serial_port.h"
#include "transport/tcp_client.h"

namespace orvane::transport {
namespace {

bool IsSerialKind(InterfaceKind kind) {
    return kind == InterfaceKind::Usb || kind == InterfaceKind::Serial;
}

// A port path the system would take for another device's is not opened at all.
int PortPathProblem(const std::string& port) {
    if (port.size() > kComPortMaxLength) return ENAMETOOLONG;
    // The system reads a path only up to its first zero byte.
    if (port.find('\0') != std::string::npos) return ENOENT;
    return 0;
}

}  // namespace

int OpenChannel(ConnectionRecord& r) {
    if (r.channelOpen) return 0;
    r.openError = 0;
    int result = -1;
    if (r.interfaceKind == InterfaceKind::Lan) {
        if (NetStartup(NetAction::Open) == 0) {
            r.peerClosed = false;
            result = TcpConnect(r.ipAddress.c_str(), r.socket, &r.openError);
        }
    } else if (IsSerialKind(r.interfaceKind)) {
        r.openError = PortPathProblem(r.comPort);
        if (r.openError == 0) {
            std::string path = SerialDevicePath(r.comPort);
            r.portHandle = SerialOpen(path.c_str(), r.baudRate, &r.openError);
            result = r.portHandle == kInvalidHandle ? -1 : 0;
        }
    } else {
        r.openError = EINVAL;
    }
    if (result != 0) return result;
    r.channelOpen = true;

    const char wake[2] = {kWakeByte, '\0'};
    ChannelSend(wake, r);

    // Whatever the instrument had queued (and what is left in the ring from an
    // earlier connection) goes, so the first reply read is the first one asked for.
    platform::Clock& clock = platform::CurrentClock();
    uint32_t start = clock.TickCount();
    for (;;) {
        if (ChannelReadByte(r) >= 0) continue;
        if (platform::TicksSince(clock.TickCount(), start) > kOpenDrainMs) break;
        clock.Sleep(10);
    }
    return 0;
}

void CloseChannel(ConnectionRecord& r) {
    if (r.interfaceKind == InterfaceKind::Lan) {
        TcpClose(r.socket);
        NetStartup(NetAction::Close);
    } else if (IsSerialKind(r.interfaceKind)) {
        SerialClose(r.portHandle);
    }
    r.channelOpen = false;
}

int ChannelSend(const char* text, ConnectionRecord& r) {
    int result = r.interfaceKind == InterfaceKind::Lan ? TcpSend(r, text) : SerialWrite(r.portHandle, text);
    CommsLogSend(text, r);
    return result;
}

int ChannelReceiveLine(char* buffer, std::size_t capacity, ConnectionRecord& r) {
    if (!buffer || capacity == 0) return -1;
    int count = r.interfaceKind == InterfaceKind::Lan ? TcpReadLine(r, buffer, capacity)
                                                       : SerialReadLine(r.portHandle, buffer, capacity);
    CommsLogReceive(buffer, r);
    if (capacity >= 4 && static_cast<uint8_t>(buffer[0]) >= 0x80) {
        uint8_t value[4];
        std::memcpy(value, buffer, 4);
        DecodeBinaryValue(value, buffer, capacity);
    }
    return count;
}

int ChannelReadByte(ConnectionRecord& r) {
    return r.interfaceKind == InterfaceKind::Lan ? TcpReadByte(r) : SerialReadByte(r.portHandle);
}

int ChannelReadBytes(ConnectionRecord& r, uint8_t* out, std::size_t max) {
    return r.interfaceKind == InterfaceKind::Lan ? TcpReadBytes(r, out, max) : SerialReadBytes(r.portHandle, out, max);
}

std::size_t ChannelBuffered(const ConnectionRecord& r) {
    if (r.interfaceKind == InterfaceKind::Lan) return static_cast<std::size_t>(r.rxCount);
    return IsSerialKind(r.interfaceKind) ? SerialBuffered(r.portHandle) : 0;
}

void ChannelSetTimeout(uint32_t ms, ConnectionRecord& r) {
    if (r.interfaceKind == InterfaceKind::Lan) {
        SetLanTimeout(ms);
    } else {
        SerialSetReadTimeout(r.portHandle, ms);
    }
}

void ChannelDrain(ConnectionRecord& r, uint32_t ms) {
    platform::Clock& clock = platform::CurrentClock();
    uint32_t start = clock.TickCount();
    for (;;) {
        if (ChannelReadByte(r) >= 0) continue;
        if (ms == 0 || platform::TicksSince(clock.TickCount(), start) > ms) return;
        clock.Sleep(10);
    }
}

}  // namespace orvane::transport
