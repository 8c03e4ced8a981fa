// The shell's logic with in-memory controls against the simulated instrument on
// TCP loopback: connect, ask, see the reply, lose the instrument, get it back.

#include <gtest/gtest.h>

#include "../app/shell_bench.h"
#include "app/shell_texts.h"
#include "platform/clock.h"
#include "sim/tcp_endpoint.h"
#include "ui/command_ids.h"

using namespace orvane;
using orvane::testing::FakeConnectView;
using orvane::testing::ShellBench;

namespace {
// Ticks the shell like its 1 ms timer until done() or two seconds of real time pass.
template <class F>
bool TickUntil(ShellBench& b, F done) {
    platform::SystemClock clock;
    for (int i = 0; i < 2000; ++i) {
        b.shell.Tick();
        b.RunPosted();
        if (done()) return true;
        clock.Sleep(1);
    }
    return false;
}
}  // namespace

TEST(ShellAgainstSim, ConnectAskUnplugAndReestablish) {
    sim::TcpEndpoint instrument({}, "127.0.0.1", 0);
    ASSERT_TRUE(instrument.Start());

    ShellBench b;
    b.shell.record().linkOptions.tcpPort = instrument.Port();
    b.shell.Start({"orvane2"});
    b.w.dialogs.connectScripts.push_back(
        [](FakeConnectView& view, ui::ConnectDialogEvents& events) {
            view.interfaces.Select("LAN");
            events.OnInterfaceSelected();
            view.ip.SetText("127.0.0.1");
            events.OnConnect();
        });
    b.shell.WindowCreated();
    b.RunPosted();  // the Connect dialog opens at start
    ASSERT_TRUE(b.shell.record().instrumentReady);
    EXPECT_TRUE(b.w.commandLine.enabled);
    EXPECT_EQ(b.w.frame.title, "Orvane2 v1_4     LAN," + sim::IdentityText({}).substr(9));
    EXPECT_NE(b.w.info.Text().find("  Model:  TRV8844"), std::string::npos);

    b.Type("*IDN?");
    const std::string expected = "> *IDN?\r\n" + sim::IdentityText({}) + "\r\n";
    EXPECT_TRUE(TickUntil(b, [&] { return b.w.results.text == expected; })) << b.w.results.text;

    instrument.Unplug();
    EXPECT_TRUE(TickUntil(b, [&] { return !b.w.boxes.shown.empty(); }));
    ASSERT_EQ(b.w.boxes.shown.size(), 1u);  // exactly one question
    EXPECT_EQ(b.w.boxes.shown[0].text, app::kReestablishQuestion);
    EXPECT_EQ(b.w.boxes.shown[0].buttons, ui::MessageButtons::YesNo);
    // The answer Yes (the fake's default) reconnected without the dialog.
    EXPECT_EQ(b.w.dialogs.connectRuns, 1);
    EXPECT_TRUE(b.shell.record().instrumentReady);
    EXPECT_TRUE(b.shell.record().pollReplies);
    EXPECT_TRUE(b.w.commandLine.enabled);

    const std::string caption = b.w.frame.title;
    b.shell.HandleCommand(ui::kCmdDisconnect, 0);
    EXPECT_EQ(b.w.frame.title, caption);  // the caption keeps naming the last connection
    EXPECT_EQ(b.w.info.Text(), "No connection");
    b.shell.HandleCommand(ui::kCmdConnection, 1);
    b.RunPosted();
    ASSERT_TRUE(b.shell.record().instrumentReady);

    b.Type("temp?");
    EXPECT_TRUE(TickUntil(
        b, [&] { return b.w.results.text.find("2.35000E+01\r\n") != std::string::npos; }));
    b.shell.Shutdown();
    instrument.Stop();
}
