#include <poll.h>
#include <sys/time.h>
#include <time.h>

#include <cerrno>

#include "platform/clock.h"

namespace orvane::platform {

std::optional<LocalTime> LocalTimeAt(int64_t secondsSince1970) {
    const time_t secs = static_cast<time_t>(secondsSince1970);
    tm parts{};
    if (!localtime_r(&secs, &parts)) return std::nullopt;
    LocalTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.dayOfWeek = parts.tm_wday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    return t;
}

uint32_t SystemClock::TickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void SystemClock::Sleep(uint32_t ms) {
    timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&req, &req) != 0 && errno == EINTR) {
    }
}

LocalTime SystemClock::Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    LocalTime t = LocalTimeAt(ts.tv_sec).value_or(LocalTime{});
    t.millisecond = static_cast<int>(ts.tv_nsec / 1000000L);
    return t;
}

namespace {

bool PollFor(Clock& clock, int fd, short events, uint32_t ms) {
    if (fd < 0) {
        clock.Sleep(ms);
        return false;
    }
    pollfd p{fd, events, 0};
    uint32_t start = clock.TickCount();
    for (;;) {
        uint32_t spent = TicksSince(clock.TickCount(), start);
        int left = spent >= ms ? 0 : static_cast<int>(ms - spent);
        int r = poll(&p, 1, left);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

}  // namespace

bool Clock::WaitWritable(int fd, uint32_t ms) {
    pollfd p{fd, POLLOUT, 0};
    const uint32_t start = TickCount();
    for (;;) {
        if (fd >= 0 && poll(&p, 1, 0) > 0) return true;
        if (TicksSince(TickCount(), start) >= ms) return false;
        Sleep(1);
    }
}

bool SystemClock::WaitReadable(int fd, uint32_t ms) {
    return PollFor(*this, fd, POLLIN, ms);
}

bool SystemClock::WaitWritable(int fd, uint32_t ms) {
    return PollFor(*this, fd, POLLOUT, ms);
}

}  // namespace orvane::platform
