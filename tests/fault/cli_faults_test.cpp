// The command line's rows of the fault matrix: orvane2-cli against orvane2-sim,
// both as processes, over a pseudo-terminal and over TCP, with the instrument
// hanging up part-way through a reply. The question is printed once, answered No
// (there is no terminal), what came is printed, and the exit status says why.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/instrument_info.h"
#include "app/shell_texts.h"
#include "cli/cli_options.h"
#include "fault_checks.h"
#include "sim/command_interpreter.h"
#include "sim/instrument_config.h"
#include "support/run_program.h"
#include "support/sim_process.h"
#include "platform/text_format.h"
#include "transport/comms_log.h"
#include "ui/app_strings.h"

namespace orvane::testing {
namespace {

enum class Link { Pty, Tcp };

std::string LinkName(const ::testing::TestParamInfo<Link>& info) { return info.param == Link::Pty ? "Pty" : "Tcp"; }

// What identification takes from the instrument before the first command: the
// answers to "*IDN?", "calstr?", "calver?" and "version?", each with CR LF.
std::size_t IdentificationBytes() {
    const sim::InstrumentConfig c;
    return sim::IdentityText(c).size() + c.calstr.size() + c.calver.size() + c.version.size() + 4 * 2;
}

class CliFault : public ::testing::TestWithParam<Link> {
protected:
    // The simulated instrument drops the line once it has sent this many bytes.
    ProgramResult RunAgainstHangUp(std::size_t hangUpAfter, std::vector<std::string> args, const std::string& input) {
        const bool pty = GetParam() == Link::Pty;
        // An address of its own, so the other process tests never meet it on port 10001.
        const std::string address = "127.0.43.1";
        std::vector<std::string> simArgs = {"--hang-up-after", std::to_string(hangUpAfter), "--pty"};
        if (!pty) simArgs.back() = "--tcp", simArgs.push_back(address + ":10001");
        SimProcess sim(simArgs);
        sim.LinesUntilReady();
        std::vector<std::string> all = {pty ? "--usb" : "--lan", pty ? sim.PtyPath() : address};
        all.insert(all.end(), args.begin(), args.end());
        const auto start = std::chrono::steady_clock::now();
        ProgramResult result = RunProgram(ORVANE2_CLI_PATH, all, input, {"NO_COLOR=1"});
        elapsedMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                         .count();
        return result;
    }
    long long elapsedMs_ = 0;
};

const std::string kQuestionLine = std::string(ui::kAppName) + ": " + app::kReestablishQuestion + "\n";

TEST_P(CliFault, ConsoleHangUpMidLine) {
    const std::string identity = sim::IdentityText({});
    ProgramResult r = RunAgainstHangUp(IdentificationBytes() + identity.size() + 2 + 20, {"console"},
                                       "*IDN?\n*IDN?\n");
    EXPECT_EQ(r.status, cli::kExitNoConnection);
    EXPECT_EQ(r.err, kQuestionLine) << "asked once";
    // The first reply whole; of the second, what came before the line dropped.
    EXPECT_NE(r.out.find(identity + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 21), identity.substr(0, 20) + "\n") << r.out;
    // Connecting takes a few hundred milliseconds; the hang-up is noticed at once
    // (the pseudo-terminal waits up to a second for its bytes to be read first).
    EXPECT_LT(elapsedMs_, 3000);
}

TEST_P(CliFault, ScriptHangUpStopsAtTheNextSend) {
    char name[] = "/tmp/orvane2-fault-XXXXXX.txt";
    int fd = ::mkstemps(name, 4);
    const std::string script = "\"*IDN?\r\n\"read?\r\n\"temp?\r\n";
    ASSERT_EQ(::write(fd, script.data(), script.size()), static_cast<ssize_t>(script.size()));
    ::close(fd);
    const std::string identity = sim::IdentityText({});
    ProgramResult r = RunAgainstHangUp(IdentificationBytes() + identity.size() + 2, {"run", name}, "");
    ::unlink(name);
    EXPECT_EQ(r.status, cli::kExitSendFailed) << r.out << r.err;
    EXPECT_EQ(r.err, kQuestionLine);
    EXPECT_EQ(r.out.rfind("> *IDN?\n" + identity + "\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("ERROR SENDING THIS COMMAND"), std::string::npos) << r.out;
    // At worst the query sent as the line dropped waits out its 5 s.
    EXPECT_LT(elapsedMs_, 5000 + 3000);
}

INSTANTIATE_TEST_SUITE_P(OverBothLinks, CliFault, ::testing::Values(Link::Pty, Link::Tcp), LinkName);

// Without a fault: the reply to the script's last line is printed before the
// command ends, not lost with it.
TEST(CliScript, LastRepliesArePrintedBeforeTheEnd) {
    SimProcess sim({"--pty"});
    sim.LinesUntilReady();
    char name[] = "/tmp/orvane2-fault-XXXXXX.txt";
    int fd = ::mkstemps(name, 4);
    const std::string script = "\"*IDN?\r\n\"temp?\r\n";
    ASSERT_EQ(::write(fd, script.data(), script.size()), static_cast<ssize_t>(script.size()));
    ::close(fd);
    ProgramResult r = RunProgram(ORVANE2_CLI_PATH, {"--usb", sim.PtyPath(), "run", name}, "", {"NO_COLOR=1"});
    ::unlink(name);
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    const sim::InstrumentConfig c;
    EXPECT_EQ(r.out, "> *IDN?\n" + sim::IdentityText(c) + "\n> temp?\n" + sim::MeasurementText(c.temperature) + "\n");
}

// A comms log in a folder that is not there, in either front end: a usage
// error that names the folder, before anything is sent, and the folder is not made.
TEST(CommsLogOption, AMissingFolderIsAUsageError) {
    const std::string folder = "/tmp/orvane2-fault-no-such-folder";
    std::vector<std::pair<std::string, std::vector<std::string>>> runs = {
        {ORVANE2_CLI_PATH, {"--demo", "--comms-log", folder + "/comms.log", "identify"}}};
#ifdef ORVANE2_GUI_PATH
    runs.push_back({ORVANE2_GUI_PATH, {"--demo", "--comms-log", folder + "/comms.log"}});
#endif
    for (const auto& [program, args] : runs) {
        ::rmdir(folder.c_str());
        ProgramResult r = RunProgram(program, args);
        const std::string name = program.substr(program.rfind('/') + 1);
        EXPECT_EQ(r.status, cli::kExitUsage) << name;
        EXPECT_EQ(r.err,
                  name + ": --comms-log: " + platform::Format(transport::kCommsLogNoFolder, folder.c_str()) + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_NE(::access(folder.c_str(), F_OK), 0);
    }
}

// A standard descriptor closed at start, in the command line or in the
// simulator: what either prints never reaches the other as instrument traffic,
// and the instrument's replies are never read as typed input.
TEST(ClosedStandardDescriptor, IsNeverTakenByThePort) {
    const std::string model = sim::InstrumentConfig{}.model;
    for (bool inSim : {false, true}) {
        for (int fd : {0, 1, 2}) {
            SCOPED_TRACE((inSim ? "orvane2-sim without " : "orvane2-cli without ") + std::to_string(fd));
            ScratchFolder scratch;
            const std::string port = scratch / "port";
            SimProcess sim({"--trace", "--pty", "--link", port},
                           {.closed = inSim ? fd : -1, .fileSizeLimit = 0, .errFile = scratch / "sim.err"});
            sim.LinesUntilReady();
            for (int waited = 0; ::access(port.c_str(), F_OK) != 0 && waited < 10000; waited += 10) ::usleep(10000);
            const std::string command = !inSim && fd == 0 ? "console" : "identify";
            ProgramResult r = RunProgram(ORVANE2_CLI_PATH, {"--trace", "--usb", port, command}, "", {"NO_COLOR=1"},
                                         10000, {}, {.closed = inSim ? -1 : fd, .fileSizeLimit = 0, .errFile = {}});
            EXPECT_EQ(r.status, cli::kExitOk) << r.err;
            if (inSim || fd == 2) {
                EXPECT_NE(r.out.find(model), std::string::npos) << r.out;
                EXPECT_EQ(r.out.find(app::kInfoUnknownInstrument), std::string::npos) << r.out;
            }
            // The simulator traces every line it receives and marks what it did not understand.
            if (!inSim) {
                EXPECT_EQ(scratch.Read("sim.err").find("(ignored)"), std::string::npos) << scratch.Read("sim.err");
            }
        }
    }
}

// A write that reaches the file-size limit fails like any other: the program
// says so where it has something to say, goes on, and leaves no temporary
// file behind.
TEST(FileSizeLimit, AWriteBeyondItFailsWithoutEndingTheProgram) {
    ScratchFolder scratch;
    ProgramResult cli = RunProgram(ORVANE2_CLI_PATH, {"--demo", "--comms-log", scratch / "comms.log", "identify"}, "",
                                   {"NO_COLOR=1"}, 30000, {}, {.closed = -1, .fileSizeLimit = 100, .errFile = {}});
    EXPECT_EQ(cli.status, cli::kExitOk) << "signal " << cli.signal;
    EXPECT_NE(cli.err.find(transport::kCommsLogOpenErrorText), std::string::npos) << cli.err;
#ifdef ORVANE2_GUI_PATH
    // The first start writes the settings file, which the limit cuts short. The
    // window stays up until the run's time is over; stdin closed as well.
    ProgramResult gui = RunProgram(ORVANE2_GUI_PATH, {}, "",
                                   {"XDG_CONFIG_HOME=" + scratch.path(), "QT_QPA_PLATFORM=offscreen"}, 3000, {},
                                   {.closed = 0, .fileSizeLimit = 16, .errFile = {}});
    EXPECT_EQ(gui.signal, SIGKILL) << gui.err;
    // The folder is made just before the file is written; nothing may be left in it.
    EXPECT_TRUE(std::filesystem::is_empty(scratch / "Kelmscot/Orvaner"));
#endif
}

}  // namespace
}  // namespace orvane::testing
