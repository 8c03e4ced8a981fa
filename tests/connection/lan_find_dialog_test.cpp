// The LAN Find Instrument dialog against simulated instruments on loopback.

#include "connection/lan_find_dialog.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "connection/lan_search_texts.h"
#include "sim/instrument_config.h"
#include "support/fake_clock.h"
#include "support/fake_lan_find.h"
#include "support/lan_lab.h"

using namespace orvane;
using namespace orvane::connection;
using orvane::testing::FakeClock;
using orvane::testing::FakeLanFindView;
using orvane::testing::LanLab;
using transport::FoundList;

namespace {

using Row = FakeLanFindView::Row;

sim::InstrumentConfig Answering(const std::string& identity) {
    sim::InstrumentConfig c;
    c.identity = identity;
    return c;
}

struct VirtualLab {
    VirtualLab() {
        pump = clock.AddPump([this](uint32_t now) { lab.Pump(now); });
    }
    ~VirtualLab() { clock.RemovePump(pump); }
    void List(FoundList& list, int count) {
        for (int i = 0; i < count; ++i) list[std::size_t(i)].ipText = lab.Address(i);
    }
    FakeClock clock;
    LanLab lab{&clock};
    int pump = 0;
};

}  // namespace

TEST(LanFindDialog, ListsEveryAddressInOrderWithItsIdentityOrWhyItFailed) {
    VirtualLab v;
    std::string identity = sim::IdentityText({});
    v.lab.AddInstrument(0, {}, false);
    // Address 1: nothing listens.
    sim::InstrumentConfig silent;
    silent.silent = true;
    v.lab.AddInstrument(2, silent, false);
    v.lab.AddInstrument(3, Answering("HELLO"), false);
    v.lab.AddInstrument(4, Answering(std::string("\0,zero first", 12)), false);
    FoundList list{};
    v.List(list, 5);

    LanFindDialog dialog(list.data(), transport::kFoundListSize, v.lab.Options(), 1);
    FakeLanFindView view;
    view.ok.enabled = false;
    dialog.OnStart(view);

    EXPECT_EQ(view.rows, (std::vector<Row>{{v.lab.Address(0), identity, 0},
                                           {v.lab.Address(1), kConnectionFailed1, 1},
                                           {v.lab.Address(2), kConnectionFailed2, 2},
                                           {v.lab.Address(3), kConnectionFailed3, 3},
                                           {v.lab.Address(4), kConnectionFailed3, 4}}));
    EXPECT_EQ(list[0].identity, identity);
    for (std::size_t i = 1; i < 5; ++i) EXPECT_TRUE(list[i].identity.empty());
    // The silent one waited out the short reply time-out after the open's drain.
    EXPECT_GE(dialog.Results()[2].elapsedMs, 600u);
    EXPECT_LT(dialog.Results()[2].elapsedMs, 700u);
    EXPECT_EQ(view.cursor.begins, 1);
    EXPECT_EQ(view.cursor.depth, 0);

    // Several rows: nothing chosen for the user.
    EXPECT_EQ(view.selected, -1);
    EXPECT_FALSE(view.ok.enabled);
    view.Click(dialog, 2);
    EXPECT_TRUE(view.ok.enabled);
    dialog.OnOk();
    EXPECT_EQ(view.result, 2);
}

TEST(LanFindDialog, SingleRowIsPreselectedAndDoubleClickChooses) {
    VirtualLab v;
    v.lab.AddInstrument(0, {}, false);
    FoundList list{};
    v.List(list, 1);
    LanFindDialog dialog(list.data(), transport::kFoundListSize, v.lab.Options(), 1);
    FakeLanFindView view;
    view.ok.enabled = false;
    dialog.OnStart(view);
    EXPECT_EQ(view.selected, 0);
    EXPECT_TRUE(view.ok.enabled);
    dialog.OnDoubleClick();
    EXPECT_EQ(view.result, 0);

    view.result.reset();
    dialog.OnCancel();
    EXPECT_EQ(view.result, -1);

    // A double click beside the rows chooses nothing and leaves the dialog open;
    // OK with nothing selected gives no entry.
    view.result.reset();
    view.selected = -1;
    dialog.OnDoubleClick();
    EXPECT_FALSE(view.result);
    dialog.OnOk();
    EXPECT_EQ(view.result, -1);
}

TEST(LanFindDialog, AnAnswerThatNeverEndsIsCutOff) {
    VirtualLab v;
    // A peer that sends a byte every 100 ms and never a line feed.
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(v.lab.TcpPort());
    ::inet_pton(AF_INET, v.lab.Address(0).c_str(), &sa.sin_addr);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    int peer = -1;
    uint32_t lastSent = 0;
    int chatter = v.clock.AddPump([&](uint32_t now) {
        if (peer < 0) {
            peer = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            // Each byte on its own, in virtual time, not held back for an acknowledgement.
            int on = 1;
            if (peer >= 0) ::setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }
        if (peer >= 0 && now % 100 == 0 && now != lastSent) {
            ::send(peer, "x", 1, MSG_NOSIGNAL);
            lastSent = now;
        }
    });
    transport::LinkOptions options = v.lab.Options();
    options.lanTimeoutMs = kLanFindReplyTimeoutMs;
    ProbeResult r = ProbeAddress(v.lab.Address(0), options);
    v.clock.RemovePump(chatter);
    EXPECT_EQ(r.outcome, ProbeOutcome::NoAnswer);
    EXPECT_GE(r.elapsedMs, kIdentityReplyLimitMs);
    EXPECT_LT(r.elapsedMs, kIdentityReplyLimitMs + 200);
    if (peer >= 0) ::close(peer);
    ::close(listener);
}

// Real time: the checks run side by side on threads.
TEST(LanFindDialog, ChecksRunSideBySideAndKeepTheListOrder) {
    LanLab lab;
    sim::InstrumentConfig silent;
    silent.silent = true;
    FoundList list{};
    std::vector<Row> expected;
    std::string identity = sim::IdentityText({});
    for (int i = 0; i < 16; ++i) {
        list[std::size_t(i)].ipText = lab.Address(i);
        if (i % 4 == 3) {
            expected.push_back({lab.Address(i), kConnectionFailed1, i});
            continue;
        }
        bool quiet = i % 4 != 0;
        ASSERT_TRUE(lab.AddInstrument(i, quiet ? silent : sim::InstrumentConfig{}).Ok());
        expected.push_back({lab.Address(i), quiet ? kConnectionFailed2 : identity, i});
    }
    LanFindDialog dialog(list.data(), transport::kFoundListSize, lab.Options());
    FakeLanFindView view;
    platform::SystemClock real;
    uint32_t start = real.TickCount();
    dialog.OnStart(view);
    uint32_t ms = real.TickCount() - start;
    EXPECT_EQ(view.rows, expected);
    uint32_t oneByOne = 0;
    for (const ProbeResult& r : dialog.Results()) oneByOne += r.elapsedMs;
    EXPECT_GT(oneByOne, 4800u);   // eight silent instruments at 600 ms each
    EXPECT_LT(ms * 2, oneByOne);  // the checks overlapped, however slow the machine
}
