// orvane2-cli run as a process against orvane2-sim over a pseudo-terminal and
// TCP loopback: every command, and the exit status of every row of the contract.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "app/shell_texts.h"
#include "cli/cli_options.h"
#include "cli/stop_signals.h"
#include "platform/text_format.h"
#include "sim/instrument_config.h"
#include "sim/pty_endpoint.h"
#include "sim/tcp_endpoint.h"
#include "support/run_program.h"
#include "support/sim_process.h"
#include "ui/app_strings.h"

using namespace orvane;
using orvane::testing::ProgramResult;
using orvane::testing::RunProgram;
using orvane::testing::SimProcess;

namespace {

ProgramResult Cli(std::vector<std::string> args, const std::string& input = {},
                  std::vector<std::string> env = {}) {
    env.push_back("NO_COLOR=1");
    return RunProgram(ORVANE2_CLI_PATH, args, input, env);
}

// A simulated instrument on its own loopback address, port 10001, and a pty.
struct Instrument {
    explicit Instrument(const std::string& address, std::vector<std::string> extra = {})
        : address(address) {
        std::vector<std::string> args = {"--pty", "--tcp", address + ":10001"};
        args.insert(args.end(), extra.begin(), extra.end());
        sim = std::make_unique<SimProcess>(args);
        sim->LinesUntilReady();
    }
    std::string address;
    std::unique_ptr<SimProcess> sim;
};

std::string TempScript(const std::string& text) {
    char tmpl[] = "/tmp/orvane_cli_XXXXXX.txt";
    int fd = mkstemps(tmpl, 4);
    (void)!::write(fd, text.data(), text.size());
    ::close(fd);
    return tmpl;
}

}  // namespace

TEST(CliAgainstSim, IdentifyQueryConsoleAndSetClockOverPtyAndLan) {
    Instrument inst("127.0.41.1");
    ASSERT_FALSE(inst.sim->PtyPath().empty());
    const std::string identity = sim::IdentityText({});
    for (const std::vector<std::string>& via :
         {std::vector<std::string>{"--usb", inst.sim->PtyPath()},
          std::vector<std::string>{"--lan", inst.address}}) {
        auto with = [&](std::vector<std::string> rest) {
            std::vector<std::string> all = via;
            all.insert(all.end(), rest.begin(), rest.end());
            return all;
        };
        ProgramResult r = Cli(with({"identify"}));
        EXPECT_EQ(r.status, cli::kExitOk) << r.err;
        EXPECT_NE(r.out.find("  Model:  TRV8844\n  Serial No:  10234\n"), std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("  Main release:  1.20\n  FPGA release:  2.05\n"), std::string::npos);

        r = Cli(with({"query", "*IDN?", "temp?"}));
        EXPECT_EQ(r.status, cli::kExitOk) << r.err;
        EXPECT_EQ(r.out, identity + "\n2.35000E+01\n");

        r = Cli(with({"console"}), "*IDN?\nread?\n");
        EXPECT_EQ(r.status, cli::kExitOk) << r.err;
        EXPECT_NE(r.out.find("> *IDN?\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(identity + "\n"), std::string::npos);
        EXPECT_NE(r.out.find("1.23450E+00\n"), std::string::npos);
    }

    // An identity holding escapes shows them made visible, not obeyed.
    sim::InstrumentConfig odd;
    odd.serial = "10234\x1b]0;title\x07";
    sim::PtyEndpoint oddPty(odd);
    ASSERT_TRUE(oddPty.Start());
    ProgramResult r = Cli({"--usb", oddPty.DevicePath(), "identify"});
    EXPECT_NE(r.out.find("  Serial No:  10234^[]0;title^G\n"), std::string::npos) << r.out;

    // set-clock, against instruments in this process so that what they received can be read:
    // the six commands in order, two digits each (LAN puts a zero byte after each).
    const std::regex clock(R"(config,240,\d\d\n\x00?config,241,\d\d\n\x00?config,242,\d\d\n\x00?)"
                           R"(config,243,\d\d\n\x00?config,244,\d\d\n\x00?config,245,\d\d\n)");
    sim::PtyEndpoint pty;
    sim::TcpEndpoint tcp({}, "127.0.41.8");
    ASSERT_TRUE(pty.Start() && tcp.Start());
    for (sim::Endpoint* e : std::vector<sim::Endpoint*>{&pty, &tcp}) {
        ProgramResult r = Cli({e == &pty ? "--usb" : "--lan",
                               e == &pty ? pty.DevicePath() : tcp.Address(), "set-clock"});
        EXPECT_EQ(r.status, cli::kExitOk) << r.err;
        std::string got;
        for (int i = 0; i < 5000 && !std::regex_search(got, clock); ++i, ::usleep(1000))
            got = e->WithEngine([](sim::Engine& s) { return std::string(s.received()); });
        EXPECT_TRUE(std::regex_search(got, clock)) << got;
    }
}

TEST(CliAgainstSim, ScriptsExitByTheirOutcome) {
    Instrument inst("127.0.41.2");
    ProgramResult r =
        Cli({"--lan", inst.address, "run", std::string(ORVANE2_EXAMPLES_DIR) + "/selftest.txt"});
    EXPECT_EQ(r.status, cli::kExitRefused) << r.err;  // one test fails on purpose
    EXPECT_NE(r.out.find("> *IDN?\n" + sim::IdentityText({}) + "\n"), std::string::npos) << r.out;

    std::string passing =
        TempScript("#echo,start\r\n\"read?\r\n#reply,5\r\n=2\r\n=1\r\n=test,hi\r\n#echo,done\r\n");
    r = Cli({"--usb", inst.sim->PtyPath(), "run", passing});
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, "start\n> read?\n1.23450E+00\ndone\n");

    // "#wait" goes on at once without a terminal.
    std::string waiting = TempScript("#wait\r\n#echo,after the wait\r\n");
    r = Cli({"--lan", inst.address, "run", waiting});
    EXPECT_EQ(r.status, cli::kExitOk);
    EXPECT_NE(r.out.find("after the wait"), std::string::npos);

    std::string notScript = TempScript(std::string("\x01\x02\x03 binary", 10));
    r = Cli({"--lan", inst.address, "run", notScript});
    EXPECT_EQ(r.status, cli::kExitBadFile);
    EXPECT_NE(r.err.find("Orvane2: "), std::string::npos);
    EXPECT_EQ(Cli({"--lan", inst.address, "run", "/tmp/orvane-no-such-script.txt"}).status,
              cli::kExitBadFile);
    for (const std::string& f : {passing, waiting, notScript}) ::unlink(f.c_str());
}

TEST(CliAgainstSim, NoConnectionSendFailuresAndUsage) {
    ProgramResult r = Cli({"--lan", "127.0.41.250", "identify"});
    EXPECT_EQ(r.status, cli::kExitNoConnection);
    EXPECT_NE(r.err.find("Test Connection: Failed to connect to IP address 127.0.41.250"),
              std::string::npos);

    Instrument silent("127.0.41.3", {"--silent"});
    EXPECT_EQ(Cli({"--lan", silent.address, "query", "*IDN?"}).status, cli::kExitNoConnection);
    EXPECT_EQ(Cli({"--usb", "/dev/orvane-missing", "identify"}).status, cli::kExitNoConnection);
    r = Cli({"--settings", "/tmp", "identify"});
    EXPECT_EQ(r.status, cli::kExitNoConnection);
    EXPECT_EQ(r.err, std::string(ui::kAppName) + ": " +
                         platform::Format(app::kSettingsUnreadable, "/tmp", std::strerror(EISDIR)) +
                         "\n");

    // The instrument hangs up after its first reading (90 bytes identified it):
    // the script's later sends fail.
    Instrument dropping("127.0.41.4", {"--hang-up-after", "103"});
    std::string script = TempScript("\"read?\r\n#pause,1\r\n\"read?\r\n#pause,1\r\n\"read?\r\n");
    r = Cli({"--lan", dropping.address, "run", script});
    EXPECT_EQ(r.status, cli::kExitSendFailed) << r.out << r.err;
    ::unlink(script.c_str());

    EXPECT_EQ(Cli({}).status, cli::kExitUsage);
    EXPECT_EQ(Cli({"--lan", "1.2.3.4", "--demo", "identify"}).status, cli::kExitUsage);
    r = Cli({"--version"});
    EXPECT_EQ(r.status, cli::kExitOk);
    EXPECT_EQ(r.out, cli::CliVersion());
}

TEST(CliAgainstSim, DiscoverListsTheRowsOrSaysNothingWasFound) {
    Instrument inst("127.0.41.5", {"--discover", "query", "--discover-on", "127.0.41.5"});
    ProgramResult r = Cli({"discover"}, {}, {"ORVANE2_DISCOVERY_ADDRESS=127.0.41.5"});
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, "127.0.41.5\t" + sim::IdentityText({}) + "\n");
    r = Cli({"discover"}, {}, {"ORVANE2_DISCOVERY_ADDRESS=127.0.41.6"});
    EXPECT_EQ(r.status, cli::kExitRefused);
    EXPECT_NE(r.err.find("LAN Find Instrument: No Instruments found on this subnet"),
              std::string::npos);
}

TEST(CliAgainstSim, UpgradeSucceedsIsRefusedOrFails) {
    const std::string descriptor = std::string(ORVANE2_EXAMPLES_DIR) + "/upgrade/demo.upg";
    ProgramResult r = Cli({"--demo", "upgrade", descriptor, "--yes"});
    EXPECT_EQ(r.status, cli::kExitOk) << r.out << r.err;
    EXPECT_NE(r.out.find("Firmware sent OK"), std::string::npos) << r.out;

    // Without --yes and without a terminal the descriptor's warning is answered Cancel.
    r = Cli({"--demo", "upgrade", descriptor});
    EXPECT_EQ(r.status, cli::kExitRefused);
    EXPECT_NE(r.err.find("This is the demo instrument"), std::string::npos) << r.err;

    // A bootloader that refuses every record: the upgrade fails after it started.
    Instrument refusing("127.0.41.7", {"--bootloader", "refuse-record=1x99"});
    r = Cli({"--usb", refusing.sim->PtyPath(), "upgrade", descriptor, "--yes"});
    EXPECT_EQ(r.status, cli::kExitSendFailed) << r.out << r.err;
    EXPECT_NE(r.out.find("ERROR: Failed to send file main.hex"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(cli::kLeftInBootloaderText), std::string::npos) << r.err;
}
