// The LAN search from the Connect dialog's button to the address field, and the
// Find Instrument dialog's checks, against simulated instruments on loopback in
// virtual time, so the dialog checks one address after another.

#include "connection/lan_search.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "connection/connect_dialog.h"
#include "connection/lan_find_dialog.h"
#include "connection/lan_search_texts.h"
#include "platform/text_format.h"
#include "support/fake_lan_find.h"
#include "support/lan_lab.h"
#include "transport/discovery_targets.h"

using namespace orvane;
using namespace orvane::connection;
using orvane::sim::DiscoveryMethod;
using orvane::testing::FakeConnectView;
using orvane::testing::FakeLanFindView;
using Row = FakeLanFindView::Row;

namespace {

struct Bench {
    LanSearchResult Search() { return RunLanSearch(connectView, runner, lab.Settings(), 1); }

    orvane::testing::FakeClock clock;
    orvane::testing::LanLab lab{&clock};
    transport::FoundList list{};
    FakeLanFindView view;
    FakeConnectView connectView;
    orvane::testing::FakeLanFindRunner runner;
};

sim::InstrumentConfig Answering(const std::string& identity, uint32_t trickleMs = 0) {
    sim::InstrumentConfig c;
    c.identity = identity;
    c.trickleMs = trickleMs;
    return c;
}

}  // namespace

TEST(LanFindDialog, ListsEveryAddressInOrderWithItsIdentityOrWhyItFailed) {
    Bench b;
    std::string identity = sim::IdentityText({});
    b.lab.AddInstrument(0);
    // Address 1: nothing listens.
    sim::InstrumentConfig silent;
    silent.silent = true;
    b.lab.AddInstrument(2, silent);
    b.lab.AddInstrument(3, Answering("HELLO"));
    b.lab.AddInstrument(4, Answering(std::string("\0,zero first", 12)));
    // A byte every 100 ms: the line end would come after ten seconds.
    b.lab.AddInstrument(5, Answering(std::string(100, 'x'), 100));

    for (std::size_t i = 0; i < 6; ++i) b.list[i].ipText = b.lab.Address(int(i));
    LanFindDialog dialog(b.list.data(), transport::kFoundListSize, b.lab.Options(), 1);
    dialog.OnStart(b.view);
    EXPECT_EQ(b.view.rows, (std::vector<Row>{{b.lab.Address(0), identity, 0},
                                             {b.lab.Address(1), kConnectionFailed1, 1},
                                             {b.lab.Address(2), kConnectionFailed2, 2},
                                             {b.lab.Address(3), kConnectionFailed3, 3},
                                             {b.lab.Address(4), kConnectionFailed3, 4},
                                             {b.lab.Address(5), kConnectionFailed2, 5}}));
    EXPECT_EQ(b.list[0].identity, identity);
    for (std::size_t i = 1; i < 6; ++i) EXPECT_TRUE(b.list[i].identity.empty());
    // The silent one waited out the short reply time-out after the open's drain;
    // the endless answer was cut off at the limit for a whole reply.
    EXPECT_GE(dialog.Results()[2].elapsedMs, 600u);
    EXPECT_LT(dialog.Results()[2].elapsedMs, 700u);
    EXPECT_GE(dialog.Results()[5].elapsedMs, kIdentityReplyLimitMs);
    EXPECT_LT(dialog.Results()[5].elapsedMs, kIdentityReplyLimitMs + 200);
    EXPECT_EQ(b.view.cursor.depth, 0);
    EXPECT_EQ(b.view.selected, -1);  // several rows: nothing chosen for the user
}

TEST(LanSearch, NothingFoundSaysSoAndLeavesTheAddress) {
    Bench b;
    b.lab.Target({b.lab.Address(0)});
    FakeConnectView& view = b.connectView;
    view.ip.text = "10.0.0.1";
    EXPECT_EQ(b.Search().found, 0);
    EXPECT_EQ(view.boxes.Texts(), std::vector<std::string>{kNoInstrumentsFound});
    EXPECT_EQ(b.runner.runs, 0);
    EXPECT_EQ(view.ip.text, "10.0.0.1");
    EXPECT_EQ(view.cursor.depth, 0);

    // A mistake in the variable is named rather than searched past.
    b.lab.Settings().addresses.reset();
    ::setenv(transport::kDiscoveryAddressVariable, (b.lab.Address(0) + ",foo").c_str(), 1);
    view.boxes.shown.clear();
    uint32_t start = b.clock.TickCount();
    EXPECT_EQ(b.Search().found, 0);
    ::unsetenv(transport::kDiscoveryAddressVariable);
    EXPECT_EQ(view.boxes.Texts(),
              std::vector<std::string>{platform::Format(
                  kDiscoveryAddressNotIpv4, transport::kDiscoveryAddressVariable, "\"foo\"")});
    EXPECT_EQ(b.clock.TickCount(), start);
}

TEST(LanSearch, SearchButtonFillsTheChosenAddressEvenOfAFailedRow) {
    Bench b;
    b.lab.AddInstrument(0);
    auto& echo = b.lab.AddResponder(DiscoveryMethod::Echo, b.lab.Addresses(0, 2));
    b.lab.AddResponder(DiscoveryMethod::Query, {b.lab.Address(0)});
    auto& invalid = b.lab.AddResponder(DiscoveryMethod::Query, {b.lab.Address(1)},
                                       sim::DiscoveryAnswer::Oversized);
    b.lab.Target(b.lab.Addresses(0, 2));

    transport::ConnectionRecord record;
    ConnectDialog dialog(
        record, nullptr, [] { return std::vector<std::string>{}; },
        MakeLanSearch(b.runner, b.lab.Settings(), 1));
    FakeConnectView& view = b.connectView;
    dialog.OnStart(view);
    view.interfaces.current = 1;
    dialog.OnInterfaceSelected();
    ASSERT_TRUE(view.search.visible);

    // Answering both methods lists the instrument twice, each once for its three
    // queries; the second address has no instrument behind it and its query
    // answer is too long. The user picks that one.
    b.runner.script = [](FakeLanFindView& v, ui::LanFindDialogEvents& e) {
        v.Click(e, 1);
        e.OnOk();
    };
    dialog.OnSearch();
    ASSERT_TRUE(b.runner.last);
    const std::string identity = sim::IdentityText({});
    EXPECT_EQ(b.runner.last->rows, (std::vector<Row>{{b.lab.Address(0), identity, 0},
                                                     {b.lab.Address(1), kConnectionFailed1, 1},
                                                     {b.lab.Address(0), identity, 2}}));
    EXPECT_EQ(echo.Answers(), 6u);
    EXPECT_EQ(invalid.Answers(), 3u);
    EXPECT_EQ(view.ip.text, b.lab.Address(1));
    EXPECT_TRUE(view.boxes.shown.empty());

    // Cancel leaves the field as it is.
    view.ip.text = "10.0.0.1";
    b.runner.script = {};
    dialog.OnSearch();
    EXPECT_EQ(view.ip.text, "10.0.0.1");
}
