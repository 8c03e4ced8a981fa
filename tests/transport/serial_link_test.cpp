#include "transport/serial_link.h"

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
std::unique_ptr<Link> Open(const PtyPeer& peer, uint32_t baud = 19200,
                           orvane::platform::Clock* clock = nullptr) {
    return SerialLink::Open(peer.path(), baud, clock).link;
}

// The text of a line, as the channel takes it.
std::string ReadLine(Link& link, std::size_t capacity, int* count) {
    std::string line;
    *count = link.ReadLine(line, capacity);
    return line.substr(0, static_cast<std::size_t>(*count));
}
}  // namespace

TEST(SerialLink, DevicePathsAndFailedOpens) {
    EXPECT_EQ(SerialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath("/dev/serial/by-id/usb-x"), "/dev/serial/by-id/usb-x");

    LinkResult opened = SerialLink::Open("/dev/does-not-exist-77", 9600);
    EXPECT_FALSE(opened.link);
    EXPECT_EQ(opened.error, ENOENT);
    opened = SerialLink::Open("/dev/null", 9600);  // not a terminal
    EXPECT_FALSE(opened.link);
    EXPECT_NE(opened.error, 0);

    // As an ordinary user, whom an exclusive line keeps out (root it does not),
    // on a line the kernel keeps open (the peer holds the slave) as it does a console.
    PtyPeer peer;
    ASSERT_EQ(::chmod(peer.path().c_str(), 0666), 0);
    ScopedOrdinaryUser user;
    ASSERT_TRUE(user.ok());
    opened = SerialLink::Open(peer.path(), 12345);
    EXPECT_FALSE(opened.link);
    EXPECT_EQ(opened.error, EINVAL);

    // A port that another program holds cannot be opened a second time; once
    // closed (or after a failed open) it is free again.
    auto first = Open(peer);
    ASSERT_TRUE(first);
    opened = SerialLink::Open(peer.path(), 19200);
    EXPECT_FALSE(opened.link);
    EXPECT_EQ(opened.error, EBUSY);
    first.reset();
    opened = SerialLink::Open(peer.path(), 19200);
    EXPECT_TRUE(opened.link) << std::strerror(opened.error);
}

TEST(SerialLink, WritesAndFramesLines) {
    PtyPeer peer;
    auto port = Open(peer);
    ASSERT_TRUE(port);

    EXPECT_EQ(port->Send("*IDN?\n"), 6);
    EXPECT_EQ(peer.Read(), "*IDN?\n");  // raw: no CR added, no zero byte

    int count = 0;
    peer.Write("1.234\r\n");
    EXPECT_EQ(ReadLine(*port, 64, &count), "1.234");
    EXPECT_EQ(count, 5);

    peer.Write("1.234\n");
    EXPECT_EQ(ReadLine(*port, 64, &count), "1.234\n");
    EXPECT_EQ(count, 6);

    // Text after the first carriage return is not returned.
    peer.Write("1.0\r2.0\n");
    EXPECT_EQ(ReadLine(*port, 64, &count), "1.0");
    EXPECT_EQ(count, 3);

    // A long line is cut at capacity - 1; the rest comes with the next read.
    peer.Write("ABCDEFGHIJ\n");
    EXPECT_EQ(ReadLine(*port, 5, &count), "ABCD");
    EXPECT_EQ(ReadLine(*port, 64, &count), "EFGHIJ\n");

    peer.Write(std::string("\x00\xff", 2));
    orvane::platform::SystemClock clock;
    clock.WaitReadable(port->Descriptor(), 1000);
    EXPECT_EQ(port->ReadByte(), 0);
    EXPECT_EQ(port->ReadByte(), 0xFF);
    EXPECT_EQ(port->ReadByte(), -2);  // idle: at once, no wait
}

TEST(SerialLink, TimeoutIsPerByteAndSilenceGivesNothing) {
    PtyPeer peer;
    FakeClock clock;
    auto port = Open(peer, 19200, &clock);

    int count = -1;
    uint32_t start = clock.TickCount();
    EXPECT_EQ(ReadLine(*port, 64, &count), "");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(clock.TickCount() - start, 5000u);  // the default read time-out

    port->SetTimeout(500);
    start = clock.TickCount();
    ReadLine(*port, 64, &count);
    EXPECT_EQ(clock.TickCount() - start, 500u);

    // A new open starts again at 5000 ms.
    port.reset();
    port = Open(peer, 9600, &clock);
    start = clock.TickCount();
    ReadLine(*port, 64, &count);
    EXPECT_EQ(clock.TickCount() - start, 5000u);
}

TEST(SerialLink, HangUpIsAReadFailureAfterTheLastByte) {
    PtyPeer peer;
    auto port = Open(peer);
    peer.Write("AB");
    orvane::platform::SystemClock clock;
    ASSERT_TRUE(clock.WaitReadable(port->Descriptor(), 1000));
    EXPECT_EQ(port->ReadByte(), 'A');
    peer.Unplug();
    // What was already taken from the line is still handed out.
    EXPECT_EQ(port->ReadByte(), 'B');
    EXPECT_EQ(port->ReadByte(), -1);
    EXPECT_EQ(port->ReadByte(), -1);
    int count = -1;
    EXPECT_EQ(ReadLine(*port, 16, &count), "");
    EXPECT_EQ(count, 0);
}
