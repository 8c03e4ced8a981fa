#include "transport/tcp_link.h"

#include <algorithm>

#include "platform/clock.h"

namespace orvane::transport {

int TcpLink::ReadLine(std::string& line, std::size_t capacity) {
    line.clear();
    if (capacity == 0) return -1;
    platform::ClockOrSystem clock(clock_);
    // A peer that sends without end, with no line feed or only bytes the line
    // drops, must not hold the read: bytes are dropped for one time-out at most,
    // and the line then ends with what was stored, as a long line does.
    bool dropping = false;
    uint32_t droppingSince = 0;
    for (;;) {
        int b = ReadByte();
        if (b == -2) {
            uint32_t start = clock->TickCount();
            do {
                uint32_t spent = platform::TicksSince(clock->TickCount(), start);
                if (spent >= timeoutMs_) return -1;
                clock->WaitReadable(socket_.get(), std::min(timeoutMs_ - spent, 5u));
                b = ReadByte();
            } while (b == -2);
        }
        if (b < 0) return -1;
        if (b == '\n') return static_cast<int>(line.size());
        if (b != '\r' && line.size() + 1 < capacity) {
            line += static_cast<char>(b);
            dropping = false;
            continue;
        }
        uint32_t now = clock->TickCount();
        if (!dropping) {
            dropping = true;
            droppingSince = now;
        } else if (platform::TicksSince(now, droppingSince) >= timeoutMs_) {
            return static_cast<int>(line.size());
        }
    }
}

}  // namespace orvane::transport
