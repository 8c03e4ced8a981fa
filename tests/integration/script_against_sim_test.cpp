// A script file run by the shell against the simulated instrument over loopback
// TCP, through the real channel and receive step, in virtual time.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "../app/shell_bench.h"
#include "script/script_texts.h"
#include "sim/command_interpreter.h"
#include "sim/tcp_endpoint.h"
#include "support/fake_clock.h"
#include "transport/channel.h"
#include "ui/command_ids.h"

using namespace orvane;

TEST(ScriptAgainstSim, ScriptFileRunThroughTheShell) {
    orvane::testing::FakeClock clock;
    clock.SetLocalTime({.hour = 12, .minute = 4, .second = 5, .millisecond = 60});
    sim::TcpEndpoint instrument({}, "127.0.0.1", 0);
    ASSERT_TRUE(instrument.Ok()) << instrument.Error();
    int pump = clock.AddPump([&](uint32_t now) { instrument.Pump(now); });

    orvane::testing::ShellBench b;
    auto& r = b.shell.record();
    r.linkOptions.tcpPort = instrument.Port();
    r.linkOptions.clock = &clock;
    r.interfaceKind = transport::InterfaceKind::Lan;
    r.ipAddress = "127.0.0.1";
    b.shell.HandleCommand(ui::kCmdConnection, 1);
    b.RunPosted();
    ASSERT_TRUE(r.instrumentReady);

    char tmpl[] = "/tmp/orvane_script_XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const std::string script = dir + "/check.txt", printed = dir + "/printed.txt";
    std::ofstream(script)
        << "; identification and two readings\r\n#echo,Integration run\r\n#clear\r\n"
           "#echo,Instrument check\r\n#FAST\r\n\"*IDN?\r\n\"read?\r\n#reply,2\r\n\r\n\"temp?\r\n"
           "\"nothing?\r\n#reply,1\r\n=10\r\n=4\r\n=-\r\n=test,lo\r\n#time\r\n#print,"
        << printed << "\r\n\x1A";

    b.w.files.openAnswers = {script};
    b.shell.HandleCommand(ui::kCmdScript);
    b.RunPosted();
    ASSERT_EQ(b.w.scriptList.Count(), 17);
    EXPECT_FALSE(b.w.commandLine.visible);
    EXPECT_TRUE(b.w.scriptList.visible);
    EXPECT_EQ(b.shell.paneHeight(), app::kPaneHeightScript);

    const uint32_t start = clock.TickCount();
    b.shell.HandleCommand(ui::kCmdScriptRunStop);
    EXPECT_EQ(b.w.runStop.caption, "Stop");
    // The 1 ms timer: the receive step and the script tick, then the posted commands.
    while (b.shell.scripts().mode() != script::ScriptMode::Stopped &&
           clock.TickCount() - start < 20000) {
        clock.Advance(1);
        b.shell.Tick();
        b.RunPosted();
    }
    EXPECT_EQ(b.shell.scripts().mode(), script::ScriptMode::Stopped);
    EXPECT_LT(clock.TickCount() - start, 4000u);  // replies cut the 5 s waits short
    EXPECT_EQ(b.w.runStop.caption, "Run");

    const sim::InstrumentConfig config;
    const std::string expected = "Instrument check\r\n> *IDN?\r\n" + sim::IdentityText(config) +
                                 "\r\n> read?\r\n" + sim::MeasurementText(config.reading) +
                                 "\r\n> temp?\r\n" + sim::MeasurementText(config.temperature) +
                                 "\r\n> nothing?\r\n" + script::kTimeout + "time: 12:04:05:060\r\n";
    EXPECT_EQ(b.w.results.text, expected);
    EXPECT_EQ(b.shell.scripts().engine().calculator.failCount(), 1);
    std::stringstream file;
    file << std::ifstream(printed, std::ios::binary).rdbuf();
    std::string lineFeeds = expected;
    std::erase(lineFeeds, '\r');
    EXPECT_EQ(file.str(), lineFeeds);

    b.shell.HandleCommand(ui::kCmdScriptClose);
    EXPECT_TRUE(b.w.commandLine.visible);
    EXPECT_EQ(b.shell.paneHeight(), app::kPaneHeightConsole);
    transport::CloseChannel(r);
    clock.RemovePump(pump);
    std::system(("rm -rf " + dir).c_str());
}
