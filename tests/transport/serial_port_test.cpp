#include "transport/serial_port.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "fault_checks.h"
#include "platform/clock.h"
#include "support/fake_clock.h"
#include "support/posix_peers.h"
#include "transport/connection_record.h"

using namespace orvane::transport;
using orvane::testing::FakeClock;
using orvane::testing::PtyPeer;
using orvane::testing::ScopedOrdinaryUser;

namespace {
struct OpenPort {
    explicit OpenPort(const PtyPeer& peer) : handle(SerialOpen(peer.path().c_str(), 19200)) {}
    ~OpenPort() { SerialClose(handle); }
    int handle;
};

std::string ReadLine(int handle, std::size_t capacity, int* count) {
    std::string buf(capacity, 'x');
    *count = SerialReadLine(handle, buf.data(), capacity);
    return std::string(buf.c_str());
}
}  // namespace

TEST(SerialPort, DevicePathsAndFailedOpens) {
    EXPECT_EQ(SerialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath("/dev/serial/by-id/usb-x"), "/dev/serial/by-id/usb-x");

    int err = 0;
    EXPECT_EQ(SerialOpen("/dev/does-not-exist-77", 9600, &err), kInvalidHandle);
    EXPECT_EQ(err, ENOENT);
    EXPECT_EQ(SerialOpen("/dev/null", 9600, &err), kInvalidHandle);  // not a terminal
    EXPECT_NE(err, 0);

    // As an ordinary user, whom an exclusive line keeps out (root it does not),
    // on a line the kernel keeps open (the peer holds the slave) as it does a console.
    PtyPeer peer;
    ASSERT_EQ(::chmod(peer.path().c_str(), 0666), 0);
    ScopedOrdinaryUser user;
    ASSERT_TRUE(user.ok());
    EXPECT_EQ(SerialOpen(peer.path().c_str(), 12345, &err), kInvalidHandle);
    EXPECT_EQ(err, EINVAL);

    // A port that another program holds cannot be opened a second time; once
    // closed (or after a failed open) it is free again.
    OpenPort first(peer);
    ASSERT_NE(first.handle, kInvalidHandle);
    EXPECT_EQ(SerialOpen(peer.path().c_str(), 19200, &err), kInvalidHandle);
    EXPECT_EQ(err, EBUSY);
    SerialClose(first.handle);
    first.handle = SerialOpen(peer.path().c_str(), 19200, &err);
    EXPECT_NE(first.handle, kInvalidHandle) << std::strerror(err);

    int invalid = kInvalidHandle;
    SerialClose(invalid);
    EXPECT_EQ(invalid, kInvalidHandle);
    EXPECT_EQ(SerialReadByte(kInvalidHandle), -1);
    EXPECT_EQ(SerialWrite(kInvalidHandle, "x"), 0);
    EXPECT_FALSE(SerialSetReadTimeout(kInvalidHandle, 10));
}

TEST(SerialPort, WritesAndFramesLines) {
    PtyPeer peer;
    OpenPort port(peer);
    ASSERT_NE(port.handle, kInvalidHandle);

    EXPECT_EQ(SerialWrite(port.handle, "*IDN?\n"), 6);
    EXPECT_EQ(peer.Read(), "*IDN?\n");  // raw: no CR added, no zero byte

    int count = 0;
    peer.Write("1.234\r\n");
    EXPECT_EQ(ReadLine(port.handle, 64, &count), "1.234");
    EXPECT_EQ(count, 5);

    peer.Write("1.234\n");
    EXPECT_EQ(ReadLine(port.handle, 64, &count), "1.234\n");
    EXPECT_EQ(count, 6);

    // Text after the first carriage return is not returned.
    peer.Write("1.0\r2.0\n");
    EXPECT_EQ(ReadLine(port.handle, 64, &count), "1.0");
    EXPECT_EQ(count, 3);

    // A long line is cut at capacity - 1; the rest comes with the next read.
    peer.Write("ABCDEFGHIJ\n");
    EXPECT_EQ(ReadLine(port.handle, 5, &count), "ABCD");
    EXPECT_EQ(ReadLine(port.handle, 64, &count), "EFGHIJ\n");

    peer.Write(std::string("\x00\xff", 2));
    orvane::platform::SystemClock clock;
    clock.WaitReadable(port.handle, 1000);
    EXPECT_EQ(SerialReadByte(port.handle), 0);
    EXPECT_EQ(SerialReadByte(port.handle), 0xFF);
    EXPECT_EQ(SerialReadByte(port.handle), -2);  // idle: at once, no wait
}

TEST(SerialPort, TimeoutIsPerByteAndSilenceGivesNothing) {
    PtyPeer peer;
    OpenPort port(peer);
    FakeClock clock;
    orvane::platform::ScopedClock use(clock);

    int count = -1;
    uint32_t start = clock.TickCount();
    EXPECT_EQ(ReadLine(port.handle, 64, &count), "");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(clock.TickCount() - start, 5000u);  // the default read time-out

    ASSERT_TRUE(SerialSetReadTimeout(port.handle, 500));
    start = clock.TickCount();
    ReadLine(port.handle, 64, &count);
    EXPECT_EQ(clock.TickCount() - start, 500u);

    // A new open starts again at 5000 ms.
    SerialClose(port.handle);
    port.handle = SerialOpen(peer.path().c_str(), 9600);
    start = clock.TickCount();
    ReadLine(port.handle, 64, &count);
    EXPECT_EQ(clock.TickCount() - start, 5000u);
}

TEST(SerialPort, HangUpIsAReadFailureAfterTheLastByte) {
    PtyPeer peer;
    OpenPort port(peer);
    peer.Write("AB");
    orvane::platform::SystemClock clock;
    ASSERT_TRUE(clock.WaitReadable(port.handle, 1000));
    EXPECT_EQ(SerialReadByte(port.handle), 'A');
    peer.Unplug();
    // What was already taken from the line is still handed out.
    EXPECT_EQ(SerialReadByte(port.handle), 'B');
    EXPECT_EQ(SerialReadByte(port.handle), -1);
    EXPECT_EQ(SerialReadByte(port.handle), -1);
    int count = -1;
    EXPECT_EQ(ReadLine(port.handle, 16, &count), "");
    EXPECT_EQ(count, 0);
}
