#include <algorithm>
#include <cerrno>

#include "platform/clock.h"
#include "platform/win32_support.h"
#include "transport/serial_link.h"

namespace orvane::transport {
namespace {

constexpr DWORD kQueueBytes = 4096;

HANDLE PortOf(const platform::UniqueFd& fd) {
    return platform::HandleOf(fd.get());
}

// A read returns at once with what is waiting and otherwise waits up to ms for
// a first byte; a write may take 10 ms a byte plus 1 ms.
bool SetReadTimeout(HANDLE port, uint32_t ms) {
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = MAXDWORD;
    t.ReadTotalTimeoutConstant = ms;
    t.WriteTotalTimeoutMultiplier = 10;
    t.WriteTotalTimeoutConstant = 1;
    return ::SetCommTimeouts(port, &t) != 0;
}

// Bytes in the driver's input queue, clearing any error state the line is in;
// -1 when the port no longer answers (a pulled USB adaptor).
long long InputQueued(HANDLE port) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(port, &errors, &status)) return -1;
    return status.cbInQue;
}

}  // namespace

std::string SerialDevicePath(std::string_view comPort) {
    // "COM3" is \\.\COM3, which also reaches COM10 and above; a path is used as it stands.
    if (comPort.starts_with("\\\\")) return std::string(comPort);
    return "\\\\.\\" + std::string(comPort);
}

LinkResult SerialLink::Open(const std::string& path, uint32_t baud, platform::Clock* clock) {
    auto fail = [](int err) { return LinkResult{nullptr, err}; };
    if (path.empty()) return fail(ENOENT);
    if (!IsSerialBaudRate(baud)) return fail(EINVAL);
    HANDLE h = ::CreateFileW(platform::Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // Ports are opened without sharing: another program's hold is refused as access.
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) return fail(EBUSY);
        return fail(platform::ErrnoFromSystem(error));
    }
    platform::UniqueFd fd(platform::DescriptorOf(h));
    auto failNow = [&] { return fail(platform::ErrnoFromSystem(::GetLastError())); };
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(h, &dcb)) return failNow();
    dcb.BaudRate = baud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    if (!::SetCommState(h, &dcb)) return failNow();
    if (!::SetupComm(h, kQueueBytes, kQueueBytes)) return failNow();
    if (!SetReadTimeout(h, kDefaultReadTimeoutMs)) return failNow();
    return LinkResult{std::unique_ptr<Link>(new SerialLink(std::move(fd), clock)), 0};
}

SerialLink::~SerialLink() {
    // Only input is discarded: the last commands written may still be queued
    // (unread by the other side of a virtual pair) and a purge would lose them.
    ::PurgeComm(PortOf(fd_), PURGE_RXABORT | PURGE_RXCLEAR);
}

int SerialLink::Send(std::string_view bytes) {
    if (bytes.empty()) return 0;
    DWORD written = 0;
    // One synchronous write, bounded by the port's write time-out; a write the
    // time-out cut short failed like any other.
    if (!::WriteFile(PortOf(fd_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) ||
        written != bytes.size()) {
        InputQueued(PortOf(fd_));
        return 0;
    }
    return static_cast<int>(written);
}

// Moves what the driver holds into the read-ahead without waiting: only bytes
// already queued are asked for, so the port's read time-out never runs.
void SerialLink::Refill() {
    const long long queued = InputQueued(PortOf(fd_));
    if (queued < 0) {
        Failed();
        return;
    }
    if (queued == 0) return;
    const DWORD want =
        static_cast<DWORD>(std::min<long long>(queued, static_cast<long long>(FreeSize())));
    DWORD n = 0;
    if (!::ReadFile(PortOf(fd_), FreeSpace(), want, &n, nullptr)) {
        InputQueued(PortOf(fd_));
        Failed();
        return;
    }
    Took(n);
}

}  // namespace orvane::transport
