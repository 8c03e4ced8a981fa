#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "platform/clock.h"
#include "transport/serial_link.h"

namespace orvane::transport {
namespace {

constexpr uint32_t kRates[] = {300,    600,     1200,    2400,    4800,   9600,   19200,
                               38400,  57600,   115200,  230400,  460800, 500000, 576000,
                               921600, 1000000, 1152000, 1500000, 2000000};
constexpr speed_t kRateConstants[] = {
    B300,    B600,    B1200,   B2400,   B4800,   B9600,    B19200,   B38400,   B57600,  B115200,
    B230400, B460800, B500000, B576000, B921600, B1000000, B1152000, B1500000, B2000000};
static_assert(std::size(kRates) == std::size(kRateConstants));

bool BaudConstant(uint32_t baud, speed_t& out) {
    for (std::size_t i = 0; i < std::size(kRates); ++i) {
        if (kRates[i] == baud) {
            out = kRateConstants[i];
            return true;
        }
    }
    return false;
}

}  // namespace

std::span<const uint32_t> SerialBaudRates() {
    return kRates;
}

bool IsSerialBaudRate(uint32_t baud) {
    speed_t unused;
    return BaudConstant(baud, unused);
}

std::string SerialDevicePath(std::string_view comPort) {
    if (!comPort.empty() && comPort[0] == '/') return std::string(comPort);
    return "/dev/" + std::string(comPort);
}

LinkResult SerialLink::Open(const std::string& path, uint32_t baud, platform::Clock* clock) {
    auto fail = [](int err) { return LinkResult{nullptr, err}; };
    if (path.empty()) return fail(ENOENT);
    speed_t speed;
    if (!BaudConstant(baud, speed)) return fail(EINVAL);
    platform::UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) return fail(errno);
    // TIOCEXCL does not stop root; the advisory lock also keeps out our own
    // second instance and other programs that honour it.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return fail(EBUSY);
    termios tio{};
    if (::tcgetattr(fd.get(), &tio) != 0) return fail(errno);
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd.get(), TCSANOW, &tio) != 0) return fail(errno);
    // Lines without modem control (a pseudo-terminal) refuse this; that is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd.get(), TIOCMBIS, &lines);
    // Last, so no failed open leaves the line exclusive (the destructor clears it).
    ::ioctl(fd.get(), TIOCEXCL);
    return LinkResult{std::unique_ptr<Link>(new SerialLink(std::move(fd), clock)), 0};
}

SerialLink::~SerialLink() {
    // Only input is discarded: the last commands written may still be queued (on a
    // pseudo-terminal, unread by the other side) and an output purge would lose them.
    // The close lets them drain at the line's speed.
    ::tcflush(fd_.get(), TCIFLUSH);
    // The flag outlives this descriptor on a line the kernel keeps open (a
    // console, an adaptor held by a modem manager), where it would keep every
    // ordinary user out long after this program has gone.
    ::ioctl(fd_.get(), TIOCNXCL);
}

int SerialLink::Send(std::string_view bytes) {
    std::size_t done = 0;
    // The port is non-blocking; wait for room as the write time-out allows
    // (10 ms a byte plus 1 ms).
    platform::ClockOrSystem clock(clock_);
    uint32_t start = clock->TickCount();
    uint64_t limit = 10ull * bytes.size() + 1;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd_.get(), bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (platform::TicksSince(clock->TickCount(), start) >= limit) return 0;
            pollfd p{fd_.get(), POLLOUT, 0};
            ::poll(&p, 1, 1);
            continue;
        }
        return 0;
    }
    return static_cast<int>(done);
}

// Moves whatever the kernel holds into the read-ahead without waiting.
void SerialLink::Refill() {
    for (;;) {
        ssize_t n = ::read(fd_.get(), FreeSpace(), FreeSize());
        if (n > 0) {
            Took(static_cast<std::size_t>(n));
            return;
        }
        if (n < 0 && errno == EINTR) continue;
        // With VMIN and VTIME at 0 an idle terminal reads 0 bytes rather than
        // EAGAIN, and so does one that hung up: poll tells the two apart.
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd p{fd_.get(), POLLIN, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) Failed();
            return;
        }
        // EIO is a pulled USB adaptor or a closed pseudo-terminal master.
        Failed();
        return;
    }
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
