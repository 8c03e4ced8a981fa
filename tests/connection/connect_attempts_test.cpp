#include "connection/connect_attempts.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "connection/connect_and_identify.h"
#include "connection/connection_texts.h"
#include "sim/command_interpreter.h"
#include "support/fake_clock.h"
#include "support/fake_ui.h"
#include "support/peers.h"
#include "support/sim_endpoint.h"
#include "support/temp_folder.h"
#include "transport/channel.h"
#include "transport/serial_link.h"

using namespace orvane;
namespace support = orvane::testing;
using namespace orvane::connection;
using transport::ConnectionRecord;
using transport::InterfaceKind;

namespace {

// Runs the work as a front end would, cancels it once ready() has seen the
// attempt waiting for its instrument, and times the cancel to the work's end.
class CancellingBusy final : public ui::BusyIndicator {
  public:
    explicit CancellingBusy(std::function<void()> ready) : ready_(std::move(ready)) {}
    void RunBusy(const std::string&, ui::BackgroundWork& work) override {
        std::promise<void> ended;
        work.Start([&ended] { ended.set_value(); });
        ready_();
        const auto cancelled = std::chrono::steady_clock::now();
        work.Cancel();
        ended.get_future().wait();
        cancelToEnd = std::chrono::steady_clock::now() - cancelled;
        work.Join();
    }
    void UpdateBusy(const std::string&) override {}

    std::chrono::steady_clock::duration cancelToEnd{};

  private:
    std::function<void()> ready_;
};

// Says what it was told, and runs onNote the first time.
class NotedBusy final : public ui::BusyIndicator {
  public:
    void RunBusy(const std::string&, ui::BackgroundWork& work) override {
        ui::InPlaceBusy().RunBusy({}, work);
    }
    void UpdateBusy(const std::string& text) override {
        notes.push_back(text);
        if (notes.size() == 1 && onNote) onNote();
    }
    std::vector<std::string> notes;
    std::function<void()> onNote;
};

void WaitForIdentityQuery(orvane::testing::Peer& peer) {
    std::string seen;
    for (int i = 0; i < 100 && seen.find("*IDN?") == std::string::npos; ++i) seen += peer.Read(20);
    ASSERT_NE(seen.find("*IDN?"), std::string::npos);
}

}  // namespace

// A silent instrument holds the attempt in its reply waits; Cancel ends them at
// once, shows nothing and lets the port go, on either link.
TEST(ConnectAttempts, CancelEndsASilentAttemptWithin100msAndLetsThePortGo) {
    for (bool serial : {false, true}) {
        SCOPED_TRACE(serial ? "pty" : "tcp");
        orvane::testing::LoopbackListener listener;
        auto pty = orvane::testing::MakeSerialPeer();
        if (serial && !pty) continue;  // no pseudo-terminals on this system
        ConnectionRecord r;
        if (serial) {
            r.interfaceKind = InterfaceKind::Serial;
            r.comPort = pty->path();
            r.baudRate = 9600;
        } else {
            r.interfaceKind = InterfaceKind::Lan;
            r.ipAddress = "127.0.0.1";
            r.linkOptions.tcpPort = listener.port();
        }
        CancellingBusy busy([&] {
            if (!serial) {
                ASSERT_GE(listener.Accept(), 0);
            }
            WaitForIdentityQuery(serial ? static_cast<orvane::testing::Peer&>(*pty) : listener);
        });
        ConnectAttempts attempts(busy);
        support::FakeMessageBoxes boxes;
        const ConnectAttempts::Result result = attempts.Connect(boxes, r, true);
        EXPECT_TRUE(result.cancelled);
        EXPECT_FALSE(result.identified);
        EXPECT_LT(busy.cancelToEnd, std::chrono::milliseconds(100));
        EXPECT_FALSE(r.channelOpen);
        EXPECT_TRUE(boxes.shown.empty());
        if (serial) {
            EXPECT_NE(transport::SerialLink::Open(pty->path(), 9600).link, nullptr);
        } else {
            listener.Read();  // the queries, then the end of the connection
            EXPECT_EQ(listener.Read(), "");
        }
        // The next attempt is not born cancelled.
        r.linkOptions.tcpPort = 1;  // nothing listens there
        r.comPort = "/nonexistent/tty";
        ui::InPlaceBusy inPlace;
        EXPECT_FALSE(ConnectAttempts(inPlace).Connect(boxes, r, true).cancelled);
        EXPECT_EQ(boxes.shown.size(), 1u);
    }
}

// An unplugged adaptor is waited for by its stable name; the port follows
// that name to wherever the device came back, and it is identified there.
// One that never comes back is reported as a port that cannot be opened.
TEST(ConnectAttempts, ReconnectWaitsForTheDeviceToComeBackUnderItsStableName) {
    support::TempFolder dev;
    ConnectionRecord r;
    auto sim = support::AttachSim(r, {}, true);
    ASSERT_TRUE(sim->Start());
    const std::string byId = dev.Folder("serial/by-id") + "/usb-Kelmscot_Adaptor-if00";
    r.comPort = dev / "ttyUSB0";  // gone
    NotedBusy busy;
    busy.onNote = [&] {
        ASSERT_EQ(
            ::symlink(static_cast<sim::PtyEndpoint&>(*sim).DevicePath().c_str(), byId.c_str()), 0);
    };
    support::FakeMessageBoxes boxes;
    ConnectAttempts attempts(busy);
    ConnectAttempts::Result back = attempts.Reconnect(boxes, r, true, byId);
    EXPECT_TRUE(back.identified);
    EXPECT_EQ(r.comPort, static_cast<sim::PtyEndpoint&>(*sim).DevicePath());
    EXPECT_EQ(std::string(r.identity), sim::IdentityText({}));
    ASSERT_FALSE(busy.notes.empty());
    EXPECT_NE(busy.notes[0].find(byId), std::string::npos) << busy.notes[0];
    EXPECT_TRUE(boxes.shown.empty());
    transport::CloseChannel(r);

    support::FakeClock clock;
    r.linkOptions.clock = &clock;
    r.comPort = dev / "ttyUSB9";
    const uint32_t start = clock.TickCount();
    EXPECT_FALSE(attempts.Reconnect(boxes, r, true, "").identified);
    EXPECT_GE(clock.TickCount() - start, kDeviceReturnMs);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(OpenFailureMessage(r), 0), 0u);
}
