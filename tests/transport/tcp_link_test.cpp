#include "transport/tcp_link.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/clock.h"
#include "support/fake_clock.h"
#include "support/posix_peers.h"

using namespace orvane::transport;
using orvane::testing::FakeClock;
using orvane::testing::LoopbackListener;

namespace {
struct Connected {
    explicit Connected(orvane::platform::Clock* clock = nullptr) {
        link = TcpLink::Connect("127.0.0.1", {.tcpPort = listener.port(), .clock = clock}).link;
        connected = link && listener.Accept() >= 0;
    }
    std::string ReadLine(std::size_t capacity, int* count) {
        std::string line;
        *count = link->ReadLine(line, capacity);
        return line;
    }
    LoopbackListener listener;
    std::unique_ptr<Link> link;
    bool connected = false;
};
}  // namespace

TEST(TcpLink, ConnectFailuresLeaveNoSocket) {
    LinkResult opened = TcpLink::Connect("not an address", {});
    EXPECT_FALSE(opened.link);
    EXPECT_EQ(opened.error, EINVAL);
    EXPECT_EQ(TcpLink::Connect("10.1", {}).error, EINVAL);

    // Nothing listens on this port of loopback: refused at once.
    uint16_t freePort;
    {
        LoopbackListener probe;
        freePort = probe.port();
    }
    opened = TcpLink::Connect("127.0.0.1", {.tcpPort = freePort});
    EXPECT_FALSE(opened.link);
    EXPECT_EQ(opened.error, ECONNREFUSED);
}

TEST(TcpLink, SendsZeroByteAndFramesLines) {
    Connected c;
    ASSERT_TRUE(c.connected);
    EXPECT_EQ(c.link->Send("*IDN?\n"), 0);
    EXPECT_EQ(c.listener.Read(), std::string("*IDN?\n\0", 7));

    int count = 0;
    c.listener.Write("1.234\r\n");
    EXPECT_EQ(c.ReadLine(64, &count), "1.234");
    EXPECT_EQ(count, 5);
    c.listener.Write("\r1.2\r34\n");
    EXPECT_EQ(c.ReadLine(64, &count), "1.234");  // carriage returns dropped anywhere
    c.listener.Write("1.234\n");
    EXPECT_EQ(c.ReadLine(64, &count), "1.234");
    EXPECT_EQ(count, 5);

    // The excess of a long line is read and dropped up to its line feed.
    c.listener.Write("ABCDEFGHIJ\nnext\n");
    EXPECT_EQ(c.ReadLine(5, &count), "ABCD");
    EXPECT_EQ(count, 4);
    EXPECT_EQ(c.ReadLine(64, &count), "next");

    EXPECT_EQ(c.link->ReadByte(), -2);
}

TEST(TcpLink, TimeoutIsPerLinkAndPerByte) {
    FakeClock clock;
    Connected c(&clock);
    ASSERT_TRUE(c.connected);
    int count = 0;

    uint32_t start = clock.TickCount();
    c.listener.Write("par");  // no line end ever comes
    EXPECT_EQ(c.ReadLine(64, &count), "par");
    EXPECT_EQ(count, -1);
    EXPECT_EQ(clock.TickCount() - start, 5000u);

    c.link->SetTimeout(500);

    // A reply trickling one byte every 400 ms is read whole.
    std::string reply = "42.0\r\n";
    std::size_t sent = 0;
    uint32_t next = clock.TickCount() + 400;
    int pump = clock.AddPump([&](uint32_t now) {
        if (sent < reply.size() && now >= next) {
            c.listener.Write(reply.substr(sent++, 1));
            next = now + 400;
        }
    });
    EXPECT_EQ(c.ReadLine(64, &count), "42.0");
    clock.RemovePump(pump);

    start = clock.TickCount();
    EXPECT_EQ(c.ReadLine(64, &count), "");
    EXPECT_EQ(count, -1);
    EXPECT_EQ(clock.TickCount() - start, 500u);

    // A peer that never sends a line feed, with text or carriage returns alone,
    // holds a read one time-out past the last character stored, not for as long as it sends.
    for (char flood : {'A', '\r'}) {
        start = clock.TickCount();
        next = start;
        pump = clock.AddPump([&](uint32_t now) {
            if (now >= next && now - start < 20000) c.listener.Write(std::string(64, flood));
            next = now + 1;
        });
        std::string got = c.ReadLine(16, &count);
        EXPECT_LE(clock.TickCount() - start, 1000u) << int(flood);
        EXPECT_EQ(got, flood == 'A' ? std::string(15, 'A') : "");
        EXPECT_EQ(count, int(got.size()));
        clock.RemovePump(pump);
        while (c.link->ReadByte() >= 0) {
        }
    }
}

TEST(TcpLink, ClosedConnectionIsReportedOnceTheRingIsEmpty) {
    FakeClock clock;
    Connected c(&clock);
    ASSERT_TRUE(c.connected);
    c.listener.Write("last\r\n");
    c.listener.CloseClient();
    int count = 0;
    uint32_t start = clock.TickCount();
    EXPECT_EQ(c.ReadLine(64, &count), "last");
    EXPECT_EQ(c.ReadLine(64, &count), "");
    EXPECT_EQ(count, -1);
    EXPECT_LT(clock.TickCount() - start, 100u);  // no waiting out the time-out
    EXPECT_EQ(c.link->ReadByte(), -1);
    // Writing to the closed connection fails, once the peer's reset is back, without
    // a SIGPIPE ending the process.
    for (int i = 0; i < 500 && c.link->Send("x\n") == 0; ++i)
        orvane::platform::SystemClock().Sleep(10);
    EXPECT_EQ(c.link->Send("x\n"), -1);
}

TEST(TcpLink, RingKeepsOrderWhenMoreArrivesThanItHolds) {
    Connected c;
    ASSERT_TRUE(c.connected);
    std::string flood;
    for (int i = 0; flood.size() < 100000; ++i) flood += std::to_string(i) + ",";
    c.listener.Write(flood);

    orvane::platform::SystemClock clock;
    std::string got;
    // Take one byte now and then while the rest piles up past the ring's size.
    clock.Sleep(50);
    while (got.size() < flood.size()) {
        int b = c.link->ReadByte();
        if (b >= 0) {
            got += static_cast<char>(b);
            EXPECT_LE(c.link->Buffered(), static_cast<std::size_t>(kRxRingSize));
        } else if (!clock.WaitReadable(c.link->Descriptor(), 1000)) {
            break;
        }
    }
    EXPECT_EQ(got.size(), flood.size());
    EXPECT_TRUE(got == flood);
}
