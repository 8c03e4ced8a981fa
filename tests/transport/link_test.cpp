// Both links (a serial line over a pseudo-terminal, TCP on loopback) and the
// channel over them: what they do alike runs on both; where they differ, each
// row says what each does.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "support/fake_clock.h"
#include "support/peers.h"
#include "transport/channel.h"
#include "transport/serial_link.h"
#include "transport/tcp_link.h"

using namespace orvane::transport;
using orvane::platform::SystemClock;
using orvane::testing::FakeClock;
using orvane::testing::LoopbackListener;
using orvane::testing::Peer;
using orvane::testing::SerialPeer;

namespace {

// The far end of either link.
struct Far {
    explicit Far(bool serial)
        : pty(serial ? orvane::testing::MakeSerialPeer() : nullptr),
          tcp(serial ? nullptr : new LoopbackListener) {}
    std::unique_ptr<Link> Open(orvane::platform::Clock* clock = nullptr) {
        if (pty) return SerialLink::Open(pty->path(), 19200, clock).link;
        auto link = TcpLink::Connect("127.0.0.1", {.tcpPort = tcp->port(), .clock = clock}).link;
        return link && tcp->Accept() >= 0 ? std::move(link) : nullptr;
    }
    Peer* operator->() { return pty ? static_cast<Peer*>(pty.get()) : tcp.get(); }

    std::unique_ptr<SerialPeer> pty;
    std::unique_ptr<LoopbackListener> tcp;
};

// The text of a line as the channel takes it: what ReadLine stored, up to its count.
std::string ReadLine(Link& link, std::size_t capacity, int* count = nullptr) {
    std::string line;
    int n = link.ReadLine(line, capacity);
    if (count) *count = n;
    return line.substr(0, static_cast<std::size_t>(std::max(n, 0)));
}

class Links : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        if (serial() && !far.pty) GTEST_SKIP() << "no pseudo-terminals on this system";
    }
    bool serial() const { return GetParam(); }
    Far far{GetParam()};
};

}  // namespace

TEST_P(Links, FrameLinesAsTheirInterfaceDoes) {
    struct Row {
        std::string wire;
        std::size_t capacity;
        std::vector<std::string> serial, tcp;  // the lines each reads, in order
    } rows[] = {
        {"1.234\n", 64, {"1.234\n"}, {"1.234"}},  // a lone LF is kept on serial only
        // Serial stops at a CR, TCP drops CRs anywhere.
        {"1.0\r2.0\n1.2\r34\n", 64, {"1.0", "1.2"}, {"1.02.0", "1.234"}},
        // A long line is cut at capacity - 1: serial keeps the rest, TCP drops it.
        {"ABCDEFGHIJ\nnext\n", 5, {"ABCD", "EFGH"}, {"ABCD", "next"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.wire);
        Far peer(serial());
        auto link = peer.Open();
        ASSERT_TRUE(link);
        peer->Write(row.wire);
        for (const std::string& line : serial() ? row.serial : row.tcp)
            EXPECT_EQ(ReadLine(*link, row.capacity), line);
    }
    // Bytes one at a time, never waiting.
    auto link = far.Open();
    far->Write(std::string("\0\xff", 2));
    ASSERT_TRUE(SystemClock().WaitReadable(link->Descriptor(), 1000));
    EXPECT_EQ(link->ReadByte(), 0);
    EXPECT_EQ(link->ReadByte(), 0xFF);
    EXPECT_EQ(link->ReadByte(), -2);
    // Serial sends the bytes as they are; the LAN adds its zero byte.
    EXPECT_EQ(link->Send("*IDN?\n"), serial() ? 6 : 0);
    EXPECT_EQ(far->Read(), serial() ? "*IDN?\n" : std::string("*IDN?\n\0", 7));
}

// The reply time-out is per byte and per link: a new link starts at 5 s again.
TEST_P(Links, TimeOutIsPerLinkAndSilenceGivesNothing) {
    FakeClock clock;
    for (uint32_t set : {500u, 0u}) {
        auto link = far.Open(&clock);
        ASSERT_TRUE(link);
        if (set) link->SetTimeout(set);
        uint32_t start = clock.TickCount();
        int count = 1;
        EXPECT_EQ(ReadLine(*link, 64, &count), "");
        EXPECT_EQ(count, serial() ? 0 : -1);
        EXPECT_EQ(clock.TickCount() - start, set ? set : kDefaultReplyTimeoutMs);
    }
}

// What was already taken in is handed out; then a read failure at once, and a
// failed send without a SIGPIPE ending the process.
TEST_P(Links, HangUpIsAReadFailureAfterTheLastByte) {
    FakeClock clock;
    auto link = far.Open(&clock);
    ASSERT_TRUE(link);
    far->Write("AB\r\nlast\r\n");
    ASSERT_TRUE(SystemClock().WaitReadable(link->Descriptor(), 1000));
    EXPECT_EQ(link->ReadByte(), 'A');
    far->Unplug();
    EXPECT_EQ(link->ReadByte(), 'B');
    uint32_t start = clock.TickCount();
    EXPECT_EQ(ReadLine(*link, 64), "");  // the rest of "AB"'s line
    EXPECT_EQ(ReadLine(*link, 64), "last");
    int count = 1;
    EXPECT_EQ(ReadLine(*link, 64, &count), "");
    EXPECT_EQ(count, serial() ? 0 : -1);
    EXPECT_LT(clock.TickCount() - start, 100u);  // no waiting out the time-out
    EXPECT_EQ(link->ReadByte(), -1);
    const int failed = serial() ? 0 : -1;
    // The peer's reset takes a moment to come back over TCP.
    for (int i = 0; i < 500 && link->Send("x\n") != failed; ++i) SystemClock().Sleep(10);
    EXPECT_EQ(link->Send("x\n"), failed);
}

TEST_P(Links, ChannelOpenSendsOneWakeByteAndLinesDecodeBinaryValues) {
    if (serial()) far->Write("stale reply\r\n");  // queued before the open: discarded
    ConnectionRecord r;
    r.interfaceKind = serial() ? InterfaceKind::Usb : InterfaceKind::Lan;
    r.comPort = serial() ? far.pty->path() : "";
    r.baudRate = 19200;
    r.ipAddress = "127.0.0.1";
    r.linkOptions.tcpPort = serial() ? 0 : far.tcp->port();
    ASSERT_EQ(OpenChannel(r), 0);
    ASSERT_TRUE(serial() || far.tcp->Accept() >= 0);
    EXPECT_EQ(far->Read(), serial() ? "\x14" : std::string("\x14\0", 2));
    EXPECT_EQ(ChannelReadByte(r), -2);
    EXPECT_EQ(OpenChannel(r), 0);  // already open: nothing sent
    EXPECT_EQ(far->Read(), "");

    // About 1234.5 as a binary value: the text replaces the bytes, the count stays.
    std::string buf;
    far->Write(std::string("\x8B\x26\x4A\x01\r\n", 6));
    EXPECT_EQ(ChannelReceiveLine(buf, 64, r), 4);
    EXPECT_EQ(buf, "1.23450E3");
    CloseChannel(r);
    EXPECT_FALSE(r.channelOpen);
    EXPECT_EQ(ChannelDescriptor(r), kInvalidHandle);
}

INSTANTIATE_TEST_SUITE_P(BothLinks, Links, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Serial" : "Tcp"; });

// The reasons a message is chosen by: a text that is not an address, and a
// port nobody listens on.
TEST(TcpLink, AFailedConnectSaysWhy) {
    EXPECT_EQ(TcpLink::Connect("127.0.0", {}).error, EINVAL);
    uint16_t closed = LoopbackListener().port();
    LinkResult refused = TcpLink::Connect("127.0.0.1", {.tcpPort = closed});
    EXPECT_FALSE(refused.link);
    EXPECT_EQ(refused.error, ECONNREFUSED) << std::strerror(refused.error);
}

// A trickle of one byte every 400 ms stays within the per-byte time-out; a peer
// that never sends a line feed (text or carriage returns alone) holds a read
// one time-out past the last character stored, not for as long as it sends.
TEST(TcpLink, TrickleIsReadWholeAndAnEndlessLineIsCutAfterOneTimeOut) {
    FakeClock clock;
    Far far(false);
    auto link = far.Open(&clock);
    ASSERT_TRUE(link);
    link->SetTimeout(500);
    const std::string reply = "42.0\r\n";
    std::size_t sent = 0;
    uint32_t next = clock.TickCount() + 400;
    int pump = clock.AddPump([&](uint32_t now) {
        if (sent < reply.size() && now >= next) {
            far->Write(reply.substr(sent++, 1));
            next = now + 400;
        }
    });
    EXPECT_EQ(ReadLine(*link, 64), "42.0");
    clock.RemovePump(pump);

    for (char flood : {'A', '\r'}) {
        uint32_t start = clock.TickCount();
        next = start;
        pump = clock.AddPump([&](uint32_t now) {
            if (now >= next && now - start < 20000) far->Write(std::string(64, flood));
            next = now + 1;
        });
        int count = 0;
        std::string got = ReadLine(*link, 16, &count);
        EXPECT_LE(clock.TickCount() - start, 1000u) << int(flood);
        EXPECT_EQ(got, flood == 'A' ? std::string(15, 'A') : "");
        EXPECT_EQ(count, int(got.size()));
        clock.RemovePump(pump);
        while (link->ReadByte() >= 0) continue;
    }
}

TEST(TcpLink, RingKeepsOrderWhenMoreArrivesThanItHolds) {
    Far far(false);
    auto link = far.Open();
    ASSERT_TRUE(link);
    std::string flood;
    for (int i = 0; flood.size() < 100000; ++i) flood += std::to_string(i) + ",";
    far->Write(flood);
    std::string got;
    // Take one byte now and then while the rest piles up past the ring's size.
    while (got.size() < flood.size()) {
        int b = link->ReadByte();
        if (b >= 0) {
            got += static_cast<char>(b);
            EXPECT_LE(link->Buffered(), static_cast<std::size_t>(kRxRingSize));
        } else if (!SystemClock().WaitReadable(link->Descriptor(), 1000)) {
            break;
        }
    }
    EXPECT_TRUE(got == flood);
}
