#include "platform/clock.h"
#include "platform/win32_support.h"

namespace orvane::platform {
namespace {

// Bytes a serial port or pipe holds for reading; -1 when the handle failed
// (an unplugged port), which a read must then report.
long long WaitingBytes(HANDLE h) {
    if (::GetFileType(h) == FILE_TYPE_PIPE) {
        DWORD available = 0;
        if (!::PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr)) return -1;
        return available;
    }
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(h, &errors, &status)) return -1;
    return status.cbInQue;
}

LocalTime FromSystemTime(const SYSTEMTIME& st) {
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.dayOfWeek = st.wDayOfWeek;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.millisecond = st.wMilliseconds;
    return t;
}

}  // namespace

std::optional<LocalTime> LocalTimeAt(int64_t secondsSince1970) {
    // FILETIME counts 100 ns steps from 1601-01-01.
    constexpr int64_t kStepsTo1970 = 116444736000000000LL;
    if (secondsSince1970 < 0 || secondsSince1970 > (INT64_MAX - kStepsTo1970) / 10000000LL)
        return std::nullopt;
    const uint64_t steps = static_cast<uint64_t>(secondsSince1970 * 10000000LL + kStepsTo1970);
    FILETIME utc{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
    SYSTEMTIME universal{}, local{};
    if (!::FileTimeToSystemTime(&utc, &universal) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return std::nullopt;
    return FromSystemTime(local);
}

uint32_t SystemClock::TickCount() {
    return ::GetTickCount();
}

void SystemClock::Sleep(uint32_t ms) {
    ::Sleep(ms);
}

LocalTime SystemClock::Now() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return FromSystemTime(st);
}

bool SystemClock::WaitReadable(int fd, uint32_t ms) {
    if (fd < 0) {
        Sleep(ms);
        return false;
    }
    if (IsSocket(fd)) {
        WSAPOLLFD p{SocketOf(fd), POLLRDNORM, 0};
        const int r = ::WSAPoll(&p, 1, static_cast<INT>(ms > INT_MAX ? INT_MAX : ms));
        return r > 0;
    }
    // A serial port has nothing to poll: look at its input queue in steps of
    // a millisecond, which is finer than a byte at 9600 baud.
    const uint32_t start = TickCount();
    for (;;) {
        if (WaitingBytes(HandleOf(fd)) != 0) return true;
        if (TicksSince(TickCount(), start) >= ms) return false;
        ::Sleep(1);
    }
}

// A serial port takes what is written at once; a socket says when it can.
bool Clock::WaitWritable(int fd, uint32_t ms) {
    const uint32_t start = TickCount();
    for (;;) {
        if (fd >= 0 && !IsSocket(fd)) return true;
        WSAPOLLFD p{fd >= 0 ? SocketOf(fd) : INVALID_SOCKET, POLLWRNORM, 0};
        if (fd >= 0 && ::WSAPoll(&p, 1, 0) > 0) return true;
        if (TicksSince(TickCount(), start) >= ms) return false;
        Sleep(1);
    }
}

bool SystemClock::WaitWritable(int fd, uint32_t ms) {
    if (fd < 0) {
        Sleep(ms);
        return false;
    }
    if (!IsSocket(fd)) return true;
    WSAPOLLFD p{SocketOf(fd), POLLWRNORM, 0};
    return ::WSAPoll(&p, 1, static_cast<INT>(ms > INT_MAX ? INT_MAX : ms)) > 0;
}

}  // namespace orvane::platform
