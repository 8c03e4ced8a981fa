// orvane2-cli run as a process against orvane2-sim over a pseudo-terminal and
// TCP loopback: every command, and the exit status of every row of the contract.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "app/shell_texts.h"
#include "cli/cli_options.h"
#include "cli/stop_signals.h"
#include "connection/connection_texts.h"
#include "connection/lan_search_texts.h"
#include "firmware/firmware_texts.h"
#include "platform/text_format.h"
#include "sim/command_interpreter.h"
#include "sim/pty_endpoint.h"
#include "support/run_program.h"
#include "support/sim_process.h"
#include "support/temp_folder.h"
#include "ui/app_strings.h"

namespace orvane::testing {
namespace {

ProgramResult Cli(std::vector<std::string> args, std::vector<std::string> env = {}) {
    env.push_back("NO_COLOR=1");
    return RunProgram(ORVANE2_CLI_PATH, args, {.env = env});
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A simulated instrument on its own loopback address, port 10001, and a pty.
struct Instrument {
    explicit Instrument(std::vector<std::string> extra = {})
        : address(OwnLoopbackAddress(41)), sim([&] {
              extra.insert(extra.begin(), {"--pty", "--tcp", address + ":10001"});
              return extra;
          }()) {
        sim.LinesUntilReady();
    }
    std::vector<std::string> Usb() { return {"--usb", sim.PtyPath()}; }
    std::vector<std::string> Lan() { return {"--lan", address}; }
    std::string address;
    SimProcess sim;
};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const sim::InstrumentConfig kDefault;

TEST(CliAgainstSim, IdentifyOverPtyAndLanDiscoverQueryAndSetClock) {
    Instrument inst({"--discover", "query", "--discover-on", OwnLoopbackAddress(41)});
    for (const std::vector<std::string>& via : {inst.Usb(), inst.Lan()}) {
        SCOPED_TRACE(via[0]);
        ProgramResult r = Cli(via + std::vector<std::string>{"identify"});
        EXPECT_EQ(r.status, cli::kExitOk) << r.err;
        EXPECT_TRUE(Has(r.out, "  Model:  TRV8844\n  Serial No:  10234\n")) << r.out;
        EXPECT_TRUE(Has(r.out, "  Main release:  1.20\n  FPGA release:  2.05\n")) << r.out;
    }
    ProgramResult r = Cli({"discover"}, {"ORVANE2_DISCOVERY_ADDRESS=" + inst.address});
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, inst.address + "\t" + sim::IdentityText(kDefault) + "\n");
    r = Cli({"discover"}, {"ORVANE2_DISCOVERY_ADDRESS=127.0.41.6"});
    EXPECT_EQ(r.status, cli::kExitRefused);
    EXPECT_TRUE(Has(r.err, connection::kNoInstrumentsFound)) << r.err;

    r = Cli(inst.Lan() + std::vector<std::string>{"query", "*IDN?", "temp?"});
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, sim::IdentityText(kDefault) + "\n" +
                         sim::MeasurementText(kDefault.temperature) + "\n");

    // An identity holding escapes shows them made visible, not obeyed.
    sim::InstrumentConfig odd;
    odd.serial = "10234\x1b]0;title\x07";
    sim::PtyEndpoint oddPty(odd);
    ASSERT_TRUE(oddPty.Start());
    r = Cli({"--usb", oddPty.DevicePath(), "identify"});
    EXPECT_TRUE(Has(r.out, "  Serial No:  10234^[]0;title^G\n")) << r.out;

    // set-clock, against an instrument in this process so that what it received can be
    // read: the six commands in order, two digits each.
    const std::regex clock(R"(config,240,\d\d\n\x00?config,241,\d\d\n\x00?config,242,\d\d\n\x00?)"
                           R"(config,243,\d\d\n\x00?config,244,\d\d\n\x00?config,245,\d\d\n)");
    sim::PtyEndpoint pty;
    ASSERT_TRUE(pty.Start());
    r = Cli({"--usb", pty.DevicePath(), "set-clock"});
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    std::string got;
    for (int i = 0; i < 5000 && !std::regex_search(got, clock); ++i, ::usleep(1000))
        got = pty.WithEngine([](sim::Engine& s) { return std::string(s.received()); });
    EXPECT_TRUE(std::regex_search(got, clock)) << got;
}

TEST(CliAgainstSim, ScriptsExitByTheirOutcome) {
    Instrument inst;
    TempFolder dir;
    const std::string reading = sim::MeasurementText(kDefault.reading) + "\n";
    struct Row {
        const char* name;
        std::string script;  // empty: a file that is not there
        int status;
        std::string outEnd;  // how stdout ends
    } rows[] = {
        // The reply to the last line is printed before the command ends.
        {"passes", "#echo,start\r\n\"read?\r\n#reply,5\r\n=2\r\n=1\r\n=test,hi\r\n\"temp?\r\n",
         cli::kExitOk,
         "start\n> read?\n" + reading + "> temp?\n" + sim::MeasurementText(kDefault.temperature) +
             "\n"},
        {"a failed test", "\"read?\r\n#reply,2\r\n=1.0\r\n=1.2345\r\n=test,hi\r\n",
         cli::kExitRefused, ""},
        {"#wait goes on at once without a terminal", "#wait\r\n#echo,after the wait\r\n",
         cli::kExitOk, "after the wait\n"},
        {"not a script", std::string("\x01\x02\x03 binary", 10), cli::kExitBadFile, ""},
        {"no such file", "", cli::kExitBadFile, ""},
    };
    bool usb = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string file =
            row.script.empty() ? dir / "none.txt" : dir.Write("s.txt", row.script);
        usb = !usb;  // both links in turn
        ProgramResult r =
            Cli((usb ? inst.Usb() : inst.Lan()) + std::vector<std::string>{"run", file});
        EXPECT_EQ(r.status, row.status) << r.out << r.err;
        ASSERT_GE(r.out.size(), row.outEnd.size()) << r.out;
        EXPECT_EQ(r.out.substr(r.out.size() - row.outEnd.size()), row.outEnd);
        if (row.status == cli::kExitBadFile) {
            EXPECT_EQ(r.err.rfind(std::string(ui::kAppName) + ": ", 0), 0u) << r.err;
        }
    }
}

TEST(CliAgainstSim, NoConnectionAndUsage) {
    ProgramResult r = Cli({"--lan", "127.0.41.250", "identify"});
    EXPECT_EQ(r.status, cli::kExitNoConnection);
    EXPECT_TRUE(Has(r.err, platform::Format(connection::kFailedToConnectToIp, "127.0.41.250")))
        << r.err;
    r = Cli({"--settings", "/tmp", "identify"});
    EXPECT_EQ(r.status, cli::kExitNoConnection);
    EXPECT_EQ(r.err, std::string(ui::kAppName) + ": " +
                         platform::Format(app::kSettingsUnreadable, "/tmp", std::strerror(EISDIR)) +
                         "\n");
    EXPECT_EQ(Cli({}).status, cli::kExitUsage);
    EXPECT_EQ(Cli({"--lan", "1.2.3.4", "--demo", "identify"}).status, cli::kExitUsage);
    r = Cli({"--version"});
    EXPECT_EQ(r.status, cli::kExitOk);
    EXPECT_EQ(r.out, cli::CliVersion());
}

TEST(CliAgainstSim, UpgradeSucceedsIsRefusedOrFails) {
    const std::string descriptor = std::string(ORVANE2_EXAMPLES_DIR) + "/upgrade/demo.upg";
    ProgramResult r = Cli({"--demo", "upgrade", descriptor, "--yes"});
    EXPECT_EQ(r.status, cli::kExitOk) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, firmware::kFirmwareSentLog)) << r.out;

    // Without --yes and without a terminal the descriptor's warning is answered Cancel.
    r = Cli({"--demo", "upgrade", descriptor});
    EXPECT_EQ(r.status, cli::kExitRefused);
    EXPECT_TRUE(Has(r.err, "This is the demo instrument")) << r.err;

    // A bootloader that refuses every record: the upgrade fails after it started.
    Instrument refusing({"--bootloader", "refuse-record=1x99"});
    r = Cli(refusing.Usb() + std::vector<std::string>{"upgrade", descriptor, "--yes"});
    EXPECT_EQ(r.status, cli::kExitSendFailed) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, platform::Format(firmware::kSendFailedLog, "main.hex"))) << r.out;
    EXPECT_TRUE(Has(r.err, cli::kLeftInBootloaderText)) << r.err;
}

}  // namespace
}  // namespace orvane::testing
