// A script file run against the simulated instrument over loopback TCP, through
// the real channel, in virtual time.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "script/script_runner.h"
#include "script/script_texts.h"
#include "script_bench.h"
#include "test_dir.h"
#include "sim/command_interpreter.h"
#include "sim/instrument_config.h"
#include "sim/tcp_endpoint.h"
#include "transport/channel.h"
#include "transport/tcp_client.h"
#include "ui/command_ids.h"

using namespace orvane;
using namespace orvane::script;
using orvane::testing::ScriptBench;

namespace {

// Stands in for the shell's receive step: whole reply lines into the results
// pane, their lengths into the reply count.
class ReceiveGlue {
public:
    explicit ReceiveGlue(ScriptBench& b) : b_(b) {}
    void operator()() {
        for (int c; (c = transport::ChannelReadByte(b_.record)) >= 0;) {
            if (c == '\n' || c == '\r' || c == 0) {
                if (line_.empty()) continue;
                b_.results.AppendText(line_ + "\r\n");
                b_.runner.AddReplyCharacters(static_cast<int64_t>(line_.size()));
                line_.clear();
            } else {
                line_ += static_cast<char>(c);
            }
        }
    }

private:
    ScriptBench& b_;
    std::string line_;
};

}  // namespace

TEST(ScriptIntegration, ScriptFileAgainstTheSimulatedInstrument) {
    ScriptBench b;
    sim::TcpEndpoint instrument({}, "127.0.0.1", 0);
    ASSERT_TRUE(instrument.Ok()) << instrument.Error();
    transport::SetInstrumentTcpPort(instrument.Port());
    int pump = b.clock.AddPump([&](uint32_t now) { instrument.Pump(now); });

    b.record = transport::ConnectionRecord{};
    b.record.interfaceKind = transport::InterfaceKind::Lan;
    b.record.ipAddress = "127.0.0.1";
    ASSERT_EQ(transport::OpenChannel(b.record), 0);
    b.record.instrumentReady = true;
    b.receive = ReceiveGlue(b);

    platform::LocalTime noon;
    noon.hour = 12;
    noon.minute = 4;
    noon.second = 5;
    noon.millisecond = 60;
    b.clock.SetLocalTime(noon);

    orvane::testing::TestDir dir;
    std::filesystem::path script = dir / "check.txt";
    std::filesystem::path printed = dir / "printed.txt";
    std::ofstream(script) << "; identification and two readings\r\n"
                             "#echo,Integration run\r\n"
                             "#clear\r\n"
                             "#echo,Instrument check\r\n"
                             "#FAST\r\n"
                             "\"*IDN?\r\n"
                             "\"read?\r\n"
                             "#reply,2\r\n"
                             "\r\n"
                             "\"temp?\r\n"
                             "\"nothing?\r\n"
                             "#reply,1\r\n"
                             "=10\r\n=4\r\n=-\r\n=test,lo\r\n"
                             "#time\r\n"
                             "#print,"
                          << printed.string() << "\r\n\x1A";

    b.dialogs.openAnswers = {script.string()};
    b.Press(ui::kCmdScript);
    ASSERT_EQ(b.runner.mode(), ScriptMode::Stopped);
    ASSERT_EQ(b.list.Count(), 17);
    const uint32_t start = b.clock.TickCount();
    b.Press(ui::kCmdScriptRunStop);
    b.RunToStop(20000);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_LT(b.clock.TickCount() - start, 4000u);  // replies cut the 5 s waits short

    const sim::InstrumentConfig config;
    const std::string expected = "Instrument check\r\n"
                                 "> *IDN?\r\n" + sim::IdentityText(config) + "\r\n"
                                 "> read?\r\n" + sim::MeasurementText(config.reading) + "\r\n"
                                 "> temp?\r\n" + sim::MeasurementText(config.temperature) + "\r\n"
                                 "> nothing?\r\n" + kTimeout + "time: 12:04:05:060\r\n";
    EXPECT_EQ(b.results.text, expected);
    EXPECT_EQ(b.runner.engine().calculator.failCount(), 1);

    std::ifstream in(printed, std::ios::binary);
    std::stringstream file;
    file << in.rdbuf();
    std::string withoutCr = expected;
    std::erase(withoutCr, '\r');
    EXPECT_EQ(file.str(), withoutCr);

    transport::CloseChannel(b.record);
    b.clock.RemovePump(pump);
    transport::SetInstrumentTcpPort(transport::kInstrumentTcpPort);
}
