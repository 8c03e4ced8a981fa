#include "transport/serial_link.h"

#include <algorithm>
#include <iterator>

#include "platform/clock.h"

namespace orvane::transport {
namespace {

constexpr uint32_t kRates[] = {300,    600,     1200,    2400,    4800,   9600,   19200,
                               38400,  57600,   115200,  230400,  460800, 500000, 576000,
                               921600, 1000000, 1152000, 1500000, 2000000};
static_assert(std::size(kRates) == kSerialBaudRateCount);

}  // namespace

std::span<const uint32_t> SerialBaudRates() {
    return kRates;
}

bool IsSerialBaudRate(uint32_t baud) {
    return std::find(std::begin(kRates), std::end(kRates), baud) != std::end(kRates);
}

// One byte, waiting at most the read time-out. -1 when none came or the line failed.
int SerialLink::ReadByteWaiting(platform::Clock& clock) {
    uint32_t start = clock.TickCount();
    for (;;) {
        int b = ReadByte();
        if (b >= 0) return b;
        if (b == -1) return -1;
        uint32_t spent = platform::TicksSince(clock.TickCount(), start);
        if (spent >= readTimeoutMs_) return -1;
        clock.WaitReadable(fd_.get(), readTimeoutMs_ - spent);
    }
}

int SerialLink::ReadLine(std::string& line, std::size_t capacity) {
    line.clear();
    platform::ClockOrSystem clock(clock_);
    while (line.size() + 1 < capacity) {
        int b = ReadByteWaiting(*clock);
        if (b < 0) break;
        line += static_cast<char>(b);
        if (b == '\n') break;
    }
    // The text ends at its first carriage return, or at a zero byte before it.
    return static_cast<int>(std::min({line.find('\r'), line.find('\0'), line.size()}));
}

}  // namespace orvane::transport
