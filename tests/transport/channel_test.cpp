#include "transport/channel.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

#include "platform/clock.h"
#include "support/fake_clock.h"
#include "support/posix_peers.h"

using namespace orvane::transport;
using orvane::testing::FakeClock;
using orvane::testing::LoopbackListener;
using orvane::testing::PtyPeer;

TEST(Channel, OpenSendsOneWakeByteAndDrains) {
    // Serial: DC4 alone; what the instrument had queued is discarded.
    PtyPeer peer;
    peer.Write("stale reply\r\n");
    ConnectionRecord serial;
    serial.interfaceKind = InterfaceKind::Usb;
    serial.comPort = peer.path();
    serial.baudRate = 19200;
    orvane::platform::SystemClock real;
    uint32_t start = real.TickCount();
    ASSERT_EQ(OpenChannel(serial), 0);
    EXPECT_GE(real.TickCount() - start, kOpenDrainMs);
    EXPECT_TRUE(serial.channelOpen);
    EXPECT_EQ(peer.Read(), "\x14");
    EXPECT_EQ(ChannelReadByte(serial), -2);
    EXPECT_EQ(OpenChannel(serial), 0);  // already open: nothing sent
    EXPECT_EQ(peer.Read(), "");
    CloseChannel(serial);
    EXPECT_FALSE(serial.channelOpen);
    EXPECT_EQ(ChannelDescriptor(serial), kInvalidHandle);
    CloseChannel(serial);  // harmless

    // LAN: DC4 and the zero byte after it.
    LoopbackListener listener;
    ConnectionRecord lan;
    lan.interfaceKind = InterfaceKind::Lan;
    lan.ipAddress = "127.0.0.1";
    lan.linkOptions.tcpPort = listener.port();
    ASSERT_EQ(OpenChannel(lan), 0);
    ASSERT_GE(listener.Accept(), 0);
    EXPECT_EQ(listener.Read(), std::string("\x14\0", 2));
    EXPECT_EQ(OpenChannel(lan), 0);
    EXPECT_EQ(listener.Read(), "");
    CloseChannel(lan);
    EXPECT_EQ(ChannelDescriptor(lan), kInvalidHandle);
}

TEST(Channel, FailedOpensAndUnknownKinds) {
    ConnectionRecord r;
    r.interfaceKind = static_cast<InterfaceKind>(7);
    EXPECT_EQ(OpenChannel(r), -1);
    EXPECT_FALSE(r.channelOpen);
    r.channelOpen = true;
    CloseChannel(r);
    EXPECT_FALSE(r.channelOpen);

    r.interfaceKind = InterfaceKind::Serial;
    r.comPort = "ttyORVANE_NONE";
    r.baudRate = 9600;
    EXPECT_EQ(OpenChannel(r), -1);
    EXPECT_EQ(r.openError, ENOENT);
    EXPECT_FALSE(r.channelOpen);

    r.interfaceKind = InterfaceKind::Lan;
    r.ipAddress = "999.1.1.1";
    EXPECT_EQ(OpenChannel(r), -1);
    EXPECT_EQ(r.openError, EINVAL);
    CloseChannel(r);
}

TEST(Channel, ReceiveLineDecodesBinaryRepliesOnEveryInterface) {
    PtyPeer peer;
    ConnectionRecord serial;
    serial.interfaceKind = InterfaceKind::Serial;
    serial.comPort = peer.path();
    serial.baudRate = 115200;
    ASSERT_EQ(OpenChannel(serial), 0);
    peer.Read();

    LoopbackListener listener;
    ConnectionRecord lan;
    lan.interfaceKind = InterfaceKind::Lan;
    lan.ipAddress = "127.0.0.1";
    lan.linkOptions.tcpPort = listener.port();
    ASSERT_EQ(OpenChannel(lan), 0);
    ASSERT_GE(listener.Accept(), 0);
    listener.Read();

    std::string buf;
    const std::size_t capacity = 64;
    peer.Write("1.234\r\n");
    listener.Write("1.234\r\n");
    EXPECT_EQ(ChannelReceiveLine(buf, capacity, serial), 5);
    EXPECT_EQ(buf, "1.234");
    EXPECT_EQ(ChannelReceiveLine(buf, capacity, lan), 5);
    EXPECT_EQ(buf, "1.234");

    // About 1234.5 as a binary value: the text replaces the bytes, the count stays.
    const std::string binary("\x8B\x26\x4A\x01\r\n", 6);
    peer.Write(binary);
    listener.Write(binary);
    EXPECT_EQ(ChannelReceiveLine(buf, capacity, serial), 4);
    EXPECT_EQ(buf, "1.23450E3");
    EXPECT_EQ(ChannelReceiveLine(buf, capacity, lan), 4);
    EXPECT_EQ(buf, "1.23450E3");

    // What came in behind a line is buffered until it is read or drained.
    peer.Write("1\r\nok\r\n");
    listener.Write("1\r\nok\r\n");
    // Both lines in the port and in the socket before the first read, so that it takes in both.
    for (int i = 0, s = 0, t = 0; i < 5000 && (s < 7 || t < 7); ++i, ::usleep(1000))
        ::ioctl(ChannelDescriptor(serial), FIONREAD, &s),
            ::ioctl(ChannelDescriptor(lan), FIONREAD, &t);
    for (ConnectionRecord* r : {&serial, &lan}) {
        EXPECT_EQ(ChannelBuffered(*r), 0u) << "what the kernel holds is not counted";
        EXPECT_EQ(ChannelReceiveLine(buf, capacity, *r), 1);
        EXPECT_EQ(ChannelBuffered(*r), 4u);
        ChannelDrain(*r, 0);
        EXPECT_EQ(ChannelBuffered(*r), 0u);
    }

    CloseChannel(serial);
    CloseChannel(lan);
}

TEST(Channel, TimeoutsAndDrain) {
    LoopbackListener listener;
    ConnectionRecord lan;
    lan.interfaceKind = InterfaceKind::Lan;
    lan.ipAddress = "127.0.0.1";
    FakeClock clock;
    lan.linkOptions = {.tcpPort = listener.port(), .lanTimeoutMs = 300, .clock = &clock};
    ASSERT_EQ(OpenChannel(lan), 0);
    ASSERT_GE(listener.Accept(), 0);

    std::string line;
    uint32_t start = clock.TickCount();
    EXPECT_EQ(ChannelReceiveLine(line, 64, lan), -1);
    EXPECT_EQ(clock.TickCount() - start, 300u);  // the time-out the link was made with
    ChannelSetTimeout(500, lan);
    start = clock.TickCount();
    EXPECT_EQ(ChannelReceiveLine(line, 64, lan), -1);
    EXPECT_EQ(clock.TickCount() - start, 500u);

    start = clock.TickCount();
    ChannelDrain(lan, 0);
    EXPECT_EQ(clock.TickCount(), start);
    ChannelDrain(lan, 200);
    EXPECT_GT(clock.TickCount() - start, 200u);
    EXPECT_LT(clock.TickCount() - start, 220u);

    CloseChannel(lan);
}
