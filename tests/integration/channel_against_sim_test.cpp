// The channel's drivers against the simulated instrument, over a real
// pseudo-terminal and real TCP loopback, in real time.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/clock.h"
#include "sim/binary_value.h"
#include "sim/engine.h"
#include "sim/pty_endpoint.h"
#include "sim/tcp_endpoint.h"
#include "transport/channel.h"

using namespace orvane;
using transport::ConnectionRecord;
using transport::InterfaceKind;

namespace {

// One simulated instrument on one interface, served by its own thread.
struct Link {
    Link(InterfaceKind kind, sim::InstrumentConfig config = {}) {
        record.interfaceKind = kind;
        if (kind == InterfaceKind::Lan) {
            tcp = std::make_unique<sim::TcpEndpoint>(config, "127.0.0.1", 0);
            tcp->Start();
            record.linkOptions.tcpPort = tcp->Port();
            record.ipAddress = "127.0.0.1";
        } else {
            pty = std::make_unique<sim::PtyEndpoint>(config);
            pty->Start();
            record.comPort = pty->DevicePath();
            record.baudRate = 19200;
        }
    }
    ~Link() { transport::CloseChannel(record); }
    sim::Endpoint& endpoint() { return tcp ? static_cast<sim::Endpoint&>(*tcp) : *pty; }
    sim::EngineCounters Counters() {
        return endpoint().WithEngine([](sim::Engine& e) { return e.counters(); });
    }
    std::string Received() {
        return endpoint().WithEngine([](sim::Engine& e) { return std::string(e.received()); });
    }
    int ReceiveLine(std::string& text, std::size_t capacity = 256) {
        return transport::ChannelReceiveLine(text, capacity, record);
    }

    ConnectionRecord record;
    std::unique_ptr<sim::TcpEndpoint> tcp;
    std::unique_ptr<sim::PtyEndpoint> pty;
};

class AgainstSim : public ::testing::TestWithParam<InterfaceKind> {};

// Waits, in real time, until the instrument has seen n bytes.
template <class F>
bool Eventually(F f) {
    platform::SystemClock clock;
    for (int i = 0; i < 2000; ++i) {
        if (f()) return true;
        clock.Sleep(1);
    }
    return false;
}

}  // namespace

TEST_P(AgainstSim, WakeByteOnEveryOpenAndNothingOnASecond) {
    Link link(GetParam());
    ASSERT_EQ(transport::OpenChannel(link.record), 0);
    ASSERT_EQ(transport::OpenChannel(link.record), 0);
    // A command behind them: whatever the second open sent would have come before it.
    transport::ChannelSend("*IDN?\n", link.record);
    bool lan = GetParam() == InterfaceKind::Lan;
    std::string expect = lan ? std::string("\x14\0*IDN?\n\0", 9) : std::string("\x14*IDN?\n");
    ASSERT_TRUE(Eventually([&] { return link.Counters().commands == 1; }));
    EXPECT_EQ(link.Received(), expect);

    transport::CloseChannel(link.record);
    ASSERT_EQ(transport::OpenChannel(link.record), 0);
    ASSERT_TRUE(Eventually([&] { return link.Counters().dc4Bytes == 2; }));
}

TEST_P(AgainstSim, RepliesFrameAndBinaryValuesDecode) {
    sim::InstrumentConfig config;
    config.reading = -42.25;
    Link link(GetParam(), config);
    ASSERT_EQ(transport::OpenChannel(link.record), 0);
    std::string text;
    transport::ChannelSend("*IDN?\n", link.record);
    EXPECT_EQ(link.ReceiveLine(text), static_cast<int>(sim::IdentityText(config).size()));
    EXPECT_EQ(text, sim::IdentityText(config));

    transport::ChannelSend("readbin?\n", link.record);
    int n = link.ReceiveLine(text);
    EXPECT_EQ(text, "-4.22500E1");
    EXPECT_EQ(n, 4);  // the count is of the bytes read, not of the text

    // A line longer than the buffer: LAN drops the rest, serial keeps it for the next read.
    transport::ChannelSend("*IDN?\n", link.record);
    link.ReceiveLine(text, 9);
    EXPECT_EQ(text, sim::IdentityText(config).substr(0, 8));
    transport::ChannelSend("temp?\n", link.record);
    link.ReceiveLine(text);
    if (GetParam() == InterfaceKind::Lan) {
        EXPECT_EQ(text, "2.35000E+01");
    } else {
        EXPECT_EQ(text, sim::IdentityText(config).substr(8));
    }
}

TEST_P(AgainstSim, TrickledReplyIsReadWholeWithAShortTimeout) {
    sim::InstrumentConfig config;
    config.trickleMs = 400;
    config.identity = "A,B";
    Link link(GetParam(), config);
    ASSERT_EQ(transport::OpenChannel(link.record), 0);
    transport::ChannelSetTimeout(500, link.record);
    std::string text;
    transport::ChannelSend("*IDN?\n", link.record);
    EXPECT_EQ(link.ReceiveLine(text), 3);
    EXPECT_EQ(text, "A,B");
}

TEST_P(AgainstSim, HangUpMidLineEndsTheReadAndFailsTheByteReader) {
    sim::InstrumentConfig config;
    config.identity = "Kelmscot,TRV88,12345";
    config.hangUpAfterBytes = 10;
    Link link(GetParam(), config);
    ASSERT_EQ(transport::OpenChannel(link.record), 0);
    std::string text;
    platform::SystemClock clock;
    uint32_t start = clock.TickCount();
    transport::ChannelSend("*IDN?\n", link.record);
    int n = link.ReceiveLine(text);
    EXPECT_EQ(text, "Kelmscot,T");
    EXPECT_LT(clock.TickCount() - start, transport::kDefaultReplyTimeoutMs);  // not the time-out
    EXPECT_EQ(n, GetParam() == InterfaceKind::Lan ? -1 : 10);
    EXPECT_EQ(transport::ChannelReadByte(link.record), -1);
}

TEST_P(AgainstSim, FloodKeepsOrderThroughTheByteReader) {
    sim::InstrumentConfig config;
    config.flood = true;
    Link link(GetParam(), config);
    ASSERT_EQ(transport::OpenChannel(link.record), 0);
    // The open's drain swallowed the first lines; what follows must be in order.
    std::string got;
    platform::SystemClock clock;
    while (got.size() < 200000) {
        int b = transport::ChannelReadByte(link.record);
        if (b >= 0) {
            got += static_cast<char>(b);
        } else {
            ASSERT_EQ(b, -2);
            clock.WaitReadable(transport::ChannelDescriptor(link.record), 1000);
        }
    }
    std::size_t first = got.find("FLOOD ");
    ASSERT_NE(first, std::string::npos);
    uint64_t n = std::stoull(got.substr(first + 6, 10));
    std::size_t pos = first;
    int lines = 0;
    while (pos + sim::FloodLine(n).size() <= got.size()) {
        ASSERT_EQ(got.compare(pos, sim::FloodLine(n).size(), sim::FloodLine(n)), 0) << "line " << n;
        pos += sim::FloodLine(n).size();
        ++n;
        ++lines;
    }
    EXPECT_GT(lines, 5000);
}

INSTANTIATE_TEST_SUITE_P(Interfaces, AgainstSim,
                         ::testing::Values(InterfaceKind::Usb, InterfaceKind::Lan),
                         [](const auto& info) {
                             return info.param == InterfaceKind::Lan ? "Lan" : "Usb";
                         });
