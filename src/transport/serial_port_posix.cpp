#include "transport/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>

#include "platform/clock.h"
#include "transport/connection_record.h"

namespace orvane::transport {
namespace {

constexpr uint32_t kDefaultReadTimeoutMs = 5000;
constexpr std::size_t kReadAhead = 4096;

// What the driver keeps per open port: its read time-out and the bytes already
// taken from the kernel but not yet handed out. Reading ahead in blocks makes
// the byte-at-a-time path cost one system call per block instead of per byte.
struct PortState {
    uint32_t readTimeoutMs = kDefaultReadTimeoutMs;
    uint8_t buffer[kReadAhead];
    std::size_t head = 0;
    std::size_t tail = 0;
    bool failed = false;  // a hang-up or read error was seen
};

std::mutex g_mutex;
std::map<int, PortState> g_ports;

PortState* StateOf(int handle) {
    auto it = g_ports.find(handle);
    return it == g_ports.end() ? nullptr : &it->second;
}

constexpr uint32_t kRates[] = {300,    600,    1200,   2400,   4800,    9600,    19200,   38400,   57600,   115200,
                                230400, 460800, 500000, 576000, 921600, 1000000, 1152000, 1500000, 2000000};
constexpr speed_t kRateConstants[] = {B300,    B600,    B1200,   B2400,   B4800,    B9600,    B19200,
                                      B38400,  B57600,  B115200, B230400, B460800,  B500000,  B576000,
                                      B921600, B1000000, B1152000, B1500000, B2000000};
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

// Moves whatever the kernel holds into the read-ahead buffer without waiting.
// Returns false on a hang-up or read error.
bool Fill(int handle, PortState& st) {
    if (st.head == st.tail) st.head = st.tail = 0;
    if (st.tail == kReadAhead) return true;
    for (;;) {
        ssize_t n = ::read(handle, st.buffer + st.tail, kReadAhead - st.tail);
        if (n > 0) {
            st.tail += static_cast<std::size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        // With VMIN and VTIME at 0 an idle terminal reads 0 bytes rather than
        // EAGAIN, and so does one that hung up: poll tells the two apart.
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd p{handle, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
                st.failed = true;
                return false;
            }
            return true;
        }
        // EIO is a pulled USB adaptor or a closed pseudo-terminal master.
        st.failed = true;
        return false;
    }
}

// One byte, waiting at most the read time-out. -1 when none came or the line failed.
int ReadByteWaiting(int handle) {
    uint32_t timeout;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        PortState* st = StateOf(handle);
        if (!st) return -1;
        timeout = st->readTimeoutMs;
    }
    platform::Clock& clock = platform::CurrentClock();
    uint32_t start = clock.TickCount();
    for (;;) {
        int b = SerialReadByte(handle);
        if (b >= 0) return b;
        if (b == -1) return -1;
        uint32_t spent = platform::TicksSince(clock.TickCount(), start);
        if (spent >= timeout) return -1;
        clock.WaitReadable(handle, timeout - spent);
    }
}

}  // namespace

std::span<const uint32_t> SerialBaudRates() { return kRates; }

bool IsSerialBaudRate(uint32_t baud) {
    speed_t unused;
    return BaudConstant(baud, unused);
}

std::string SerialDevicePath(const std::string& comPort) {
    if (!comPort.empty() && comPort[0] == '/') return comPort;
    return "/dev/" + comPort;
}

int SerialOpen(const char* path, uint32_t baud, int* osError) {
    auto fail = [&](int fd, int err) {
        if (fd >= 0) ::close(fd);
        if (osError) *osError = err;
        return kInvalidHandle;
    };
    if (osError) *osError = 0;
    if (!path || !*path) return fail(-1, ENOENT);
    speed_t speed;
    if (!BaudConstant(baud, speed)) return fail(-1, EINVAL);
    int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(-1, errno);
    // TIOCEXCL does not stop root; the advisory lock also keeps out our own
    // second instance and other programs that honour it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(fd, EBUSY);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return fail(fd, errno);
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return fail(fd, errno);
    // Lines without modem control (a pseudo-terminal) refuse this; that is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIS, &lines);
    // Last, so no failed open leaves the line exclusive (SerialClose clears it).
    ::ioctl(fd, TIOCEXCL);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_ports[fd] = PortState{};
    }
    return fd;
}

void SerialClose(int& handle) {
    if (handle == kInvalidHandle) return;
    // Only input is discarded: the last commands written may still be queued (on a
    // pseudo-terminal, unread by the other side) and an output purge would lose them.
    // The close lets them drain at the line's speed.
    ::tcflush(handle, TCIFLUSH);
    // The flag outlives this descriptor on a line the kernel keeps open (a
    // console, an adaptor held by a modem manager), where it would keep every
    // ordinary user out long after this program has gone.
    ::ioctl(handle, TIOCNXCL);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_ports.erase(handle);
    }
    ::close(handle);
    handle = kInvalidHandle;
}

int SerialWrite(int handle, const char* text) {
    if (handle == kInvalidHandle || !text) return 0;
    std::size_t len = std::strlen(text);
    std::size_t done = 0;
    // The port is non-blocking; wait for room as the write time-out allows
    // (10 ms a byte plus 1 ms).
    platform::Clock& clock = platform::CurrentClock();
    uint32_t start = clock.TickCount();
    uint64_t limit = 10ull * len + 1;
    while (done < len) {
        ssize_t n = ::write(handle, text + done, len - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (platform::TicksSince(clock.TickCount(), start) >= limit) return 0;
            pollfd p{handle, POLLOUT, 0};
            ::poll(&p, 1, 1);
            continue;
        }
        return 0;
    }
    return static_cast<int>(done);
}

int SerialReadByte(int handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    PortState* st = StateOf(handle);
    if (!st) return -1;
    if (st->head == st->tail) {
        if (st->failed || !Fill(handle, *st)) return -1;
        if (st->head == st->tail) return -2;
    }
    return st->buffer[st->head++];
}

int SerialReadBytes(int handle, uint8_t* out, std::size_t max) {
    std::lock_guard<std::mutex> lock(g_mutex);
    PortState* st = StateOf(handle);
    if (!st) return -1;
    if (st->head == st->tail) {
        if (st->failed || !Fill(handle, *st)) return -1;
    }
    std::size_t n = std::min(max, st->tail - st->head);
    std::memcpy(out, st->buffer + st->head, n);
    st->head += n;
    return static_cast<int>(n);
}

std::size_t SerialBuffered(int handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    PortState* st = StateOf(handle);
    return st ? st->tail - st->head : 0;
}

int SerialReadLine(int handle, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    std::memset(buffer, 0, capacity);
    std::size_t stored = 0;
    while (stored + 1 < capacity) {
        int b = ReadByteWaiting(handle);
        if (b < 0) break;
        buffer[stored++] = static_cast<char>(b);
        if (b == '\n') break;
    }
    buffer[stored] = '\0';
    if (char* cr = static_cast<char*>(std::memchr(buffer, '\r', stored))) *cr = '\0';
    return static_cast<int>(std::strlen(buffer));
}

bool SerialSetReadTimeout(int handle, uint32_t ms) {
    std::lock_guard<std::mutex> lock(g_mutex);
    PortState* st = StateOf(handle);
    if (!st) return false;
    st->readTimeoutMs = ms;
    return true;
}

}  // namespace orvane::transport
