// The Connect dialog's LAN search from the button to the address field.

#include "connection/lan_search.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "connection/connect_dialog.h"
#include "connection/lan_search_texts.h"
#include "platform/text_format.h"
#include "sim/instrument_config.h"
#include "support/fake_clock.h"
#include "support/fake_lan_find.h"
#include "support/fake_main_window.h"
#include "support/lan_lab.h"

using namespace orvane;
using namespace orvane::connection;
using orvane::sim::DiscoveryMethod;
using orvane::testing::FakeClock;
using orvane::testing::FakeConnectView;
using orvane::testing::FakeLanFindRunner;
using orvane::testing::FakeLanFindView;
using orvane::testing::LanLab;

namespace {

// Virtual time throughout, so the dialog checks one address after another.
struct SearchBench {
    SearchBench() {
        pump = clock.AddPump([this](uint32_t now) { lab.Pump(now); });
    }
    ~SearchBench() { clock.RemovePump(pump); }
    LanSearchResult Search() { return RunLanSearch(view, runner, lab.Settings(), 1); }

    FakeClock clock;
    LanLab lab{&clock};
    int pump = 0;
    FakeConnectView view;
    FakeLanFindRunner runner;
};

}  // namespace

TEST(LanSearch, NothingFoundSaysSoAndLeavesTheAddress) {
    SearchBench b;
    b.lab.Target({b.lab.Address(0)});
    b.view.ip.text = "10.0.0.1";
    LanSearchResult r = b.Search();
    EXPECT_EQ(r.found, 0);
    ASSERT_EQ(b.view.boxes.shown.size(), 1u);
    EXPECT_EQ(b.view.boxes.shown[0].text, kNoInstrumentsFound);
    EXPECT_EQ(b.view.boxes.shown[0].caption, kLanFindCaption);
    EXPECT_EQ(b.view.boxes.shown[0].icon, ui::MessageIcon::Information);
    EXPECT_EQ(b.runner.runs, 0);
    EXPECT_EQ(b.view.ip.text, "10.0.0.1");
    EXPECT_EQ(b.view.cursor.begins, 1);
    EXPECT_EQ(b.view.cursor.depth, 0);

    // A mistake in the variable is named rather than searched past.
    b.lab.Settings().addresses.reset();
    ::setenv(transport::kDiscoveryAddressVariable, (b.lab.Address(0) + ",foo").c_str(), 1);
    b.view.boxes.shown.clear();
    uint32_t start = b.clock.TickCount();
    EXPECT_EQ(b.Search().found, 0);
    ::unsetenv(transport::kDiscoveryAddressVariable);
    EXPECT_EQ(b.view.boxes.Texts(),
              std::vector<std::string>{platform::Format(
                  kDiscoveryAddressNotIpv4, transport::kDiscoveryAddressVariable, "\"foo\"")});
    EXPECT_EQ(b.clock.TickCount(), start);
}

TEST(LanSearch, SearchButtonFillsTheChosenAddressEvenOfAFailedRow) {
    SearchBench b;
    b.lab.AddInstrument(0, {}, false);
    b.lab.AddResponder(DiscoveryMethod::Echo, {b.lab.Address(0), b.lab.Address(1)},
                       sim::DiscoveryAnswer::Valid, false);
    b.lab.AddResponder(DiscoveryMethod::Query, {b.lab.Address(0)}, sim::DiscoveryAnswer::Valid,
                       false);
    b.lab.Target(b.lab.Addresses(0, 2));

    transport::ConnectionRecord record;
    ConnectDialog dialog(
        record, nullptr, [] { return std::vector<std::string>{}; },
        MakeLanSearch(b.runner, b.lab.Settings(), 1));
    dialog.OnStart(b.view);
    b.view.interfaces.current = 1;
    dialog.OnInterfaceSelected();
    ASSERT_TRUE(b.view.search.visible);

    // Answering both methods lists the instrument twice; the second address has no
    // instrument behind it. The user picks that one.
    b.runner.script = [](FakeLanFindView& v, ui::LanFindDialogEvents& e) {
        v.Click(e, 1);
        e.OnOk();
    };
    dialog.OnSearch();
    ASSERT_TRUE(b.runner.last);
    const std::string identity = sim::IdentityText({});
    EXPECT_EQ(b.runner.last->rows,
              (std::vector<FakeLanFindView::Row>{{b.lab.Address(0), identity, 0},
                                                 {b.lab.Address(1), kConnectionFailed1, 1},
                                                 {b.lab.Address(0), identity, 2}}));
    EXPECT_EQ(b.view.ip.text, b.lab.Address(1));
    EXPECT_TRUE(b.view.boxes.shown.empty());
    EXPECT_EQ(b.view.cursor.depth, 0);

    // Cancel leaves the field as it is.
    b.view.ip.text = "10.0.0.1";
    b.runner.script = {};
    dialog.OnSearch();
    EXPECT_EQ(b.view.ip.text, "10.0.0.1");
}

TEST(LanSearch, FullListFromTheFirstMethodSkipsTheSecond) {
    SearchBench b;
    auto addresses = b.lab.Addresses(0, 300);
    b.lab.AddResponder(DiscoveryMethod::Echo, addresses, sim::DiscoveryAnswer::Valid, false);
    auto& query = b.lab.AddResponder(DiscoveryMethod::Query, {addresses[0]},
                                     sim::DiscoveryAnswer::Valid, false);
    b.lab.Target(addresses);
    b.runner.script = [](FakeLanFindView& v, ui::LanFindDialogEvents& e) {
        v.Click(e, 255);
        e.OnOk();
    };
    LanSearchResult r = b.Search();
    EXPECT_EQ(r.found, transport::kFoundListSize);
    EXPECT_EQ(query.Queries(), 0u);
    ASSERT_TRUE(b.runner.last);
    EXPECT_EQ(b.runner.last->RowCount(), transport::kFoundListSize);
    EXPECT_EQ(r.chosen, 255);
    EXPECT_EQ(b.view.ip.text, b.runner.last->rows[255].address);
}
