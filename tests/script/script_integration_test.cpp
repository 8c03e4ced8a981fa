// A script file run against the simulated instrument over loopback TCP, through
// the real channel, in virtual time.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "script/script_texts.h"
#include "script_bench.h"
#include "sim/command_interpreter.h"
#include "sim/tcp_endpoint.h"
#include "transport/channel.h"
#include "transport/tcp_client.h"

using namespace orvane;
using namespace orvane::script;

TEST(ScriptIntegration, ScriptFileAgainstTheSimulatedInstrument) {
    orvane::testing::ScriptBench b;
    orvane::testing::TestDir dir;
    sim::TcpEndpoint instrument({}, "127.0.0.1", 0);
    ASSERT_TRUE(instrument.Ok()) << instrument.Error();
    transport::SetInstrumentTcpPort(instrument.Port());
    int pump = b.clock.AddPump([&](uint32_t now) { instrument.Pump(now); });
    b.record = transport::ConnectionRecord{};
    b.record.interfaceKind = transport::InterfaceKind::Lan;
    b.record.ipAddress = "127.0.0.1";
    ASSERT_EQ(transport::OpenChannel(b.record), 0);
    b.record.instrumentReady = true;

    // Stands in for the shell's receive step: whole lines into the results pane,
    // their lengths into the reply count.
    std::string line;
    b.receive = [&] {
        for (int c; (c = transport::ChannelReadByte(b.record)) >= 0;) {
            if (c != '\n' && c != '\r' && c != 0) {
                line += static_cast<char>(c);
            } else if (!line.empty()) {
                b.Reply(line);
                line.clear();
            }
        }
    };
    b.clock.SetLocalTime({.hour = 12, .minute = 4, .second = 5, .millisecond = 60});
    std::string script = dir / "check.txt", printed = dir / "printed.txt";
    std::ofstream(script) << "; identification and two readings\r\n#echo,Integration run\r\n#clear\r\n"
                             "#echo,Instrument check\r\n#FAST\r\n\"*IDN?\r\n\"read?\r\n#reply,2\r\n\r\n\"temp?\r\n"
                             "\"nothing?\r\n#reply,1\r\n=10\r\n=4\r\n=-\r\n=test,lo\r\n#time\r\n#print,"
                          << printed << "\r\n\x1A";

    b.dialogs.openAnswers = {script};
    b.Press(ui::kCmdScript);
    ASSERT_EQ(b.list.Count(), 17);
    const uint32_t start = b.clock.TickCount();
    b.Press(ui::kCmdScriptRunStop);
    b.RunToStop(20000);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_LT(b.clock.TickCount() - start, 4000u);  // replies cut the 5 s waits short

    const sim::InstrumentConfig config;
    std::string expected = "Instrument check\r\n> *IDN?\r\n" + sim::IdentityText(config) + "\r\n> read?\r\n" +
                           sim::MeasurementText(config.reading) + "\r\n> temp?\r\n" +
                           sim::MeasurementText(config.temperature) + "\r\n> nothing?\r\n" + kTimeout +
                           "time: 12:04:05:060\r\n";
    EXPECT_EQ(b.results.text, expected);
    EXPECT_EQ(b.runner.engine().calculator.failCount(), 1);
    std::stringstream file;
    file << std::ifstream(printed, std::ios::binary).rdbuf();
    std::erase(expected, '\r');
    EXPECT_EQ(file.str(), expected);

    transport::CloseChannel(b.record);
    b.clock.RemovePump(pump);
    transport::SetInstrumentTcpPort(transport::kInstrumentTcpPort);
}
