// The command line's rows of the fault matrix: orvane2-cli (and where it shares the
// fault, orvane2) against orvane2-sim, all as processes: hang-ups, signals, closed
// standard descriptors, a comms log it cannot write, a file-size limit.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/instrument_info.h"
#include "app/shell_texts.h"
#include "cli/cli_options.h"
#include "cli/line_editor.h"
#include "cli/stop_signals.h"
#include "cli/terminal_ui.h"
#include "firmware/firmware_texts.h"
#include "platform/diagnostics.h"
#include "platform/text_format.h"
#include "sim/instrument_config.h"
#include "support/run_program.h"
#include "support/temp_folder.h"
#include "transport/comms_log.h"
#include "ui/app_strings.h"

namespace orvane::testing {
namespace {

constexpr auto npos = std::string::npos;

// The instrument drops the line in its second reply: the question is printed once and
// answered No (there is no terminal), the part that came is printed, and the exit
// status says the connection is gone.
TEST(CliFault, HangUpMidReplyAsksOnceAndExitsByWhatFailed) {
    const sim::InstrumentConfig c;
    const std::string identity = sim::IdentityText(c);
    // Identification takes the answers to "*IDN?", "calstr?", "calver?" and "version?".
    const std::size_t identified =
        identity.size() + c.calstr.size() + c.calver.size() + c.version.size() + 4 * 2;
    SimProcess sim({"--pty", "--hang-up-after", std::to_string(identified + identity.size() + 22)});
    sim.LinesUntilReady();
    ProgramResult r = RunProgram(ORVANE2_CLI_PATH, {"--usb", sim.PtyPath(), "console"},
                                 {.input = "*IDN?\n*IDN?\n"});
    EXPECT_EQ(r.status, cli::kExitNoConnection) << r.err;
    EXPECT_EQ(r.err, std::string(ui::kAppName) + ": " + app::kReestablishQuestion + "\n" +
                         platform::Format(cli::kNoTerminalToAsk, "No", "Yes"));
    EXPECT_EQ(r.out, "> *IDN?\n" + identity + "\n> *IDN?\n" + identity.substr(0, 20) + "\n");
}

// A comms log in a folder that is not there, in either front end: a usage error that
// names the folder, before anything is sent, and the folder is not made.
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
        EXPECT_EQ(r.err, name + ": --comms-log: " +
                             platform::Format(platform::kCommsLogNoFolder, folder.c_str()) + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_NE(::access(folder.c_str(), F_OK), 0);
    }
}

struct HeldSignal {
    int sig;
    int presses;  // each within kPressWindowMs of the one before
};

// A signal while records are being sent is held until the upgrade is whole and then
// ends the program with its status; a second one warns; a third stops, leaving the
// instrument in its bootloader, and says so.
class CliUpgradeSignal : public ::testing::TestWithParam<HeldSignal> {};

TEST_P(CliUpgradeSignal, IsHeldUntilTheFlashIsWhole) {
    const HeldSignal row = GetParam();
    const std::string examples = ORVANE2_EXAMPLES_DIR;
    TempFolder dir;
    // Record 2's answer comes late, so the signals surely come while records are being sent.
    SimProcess sim({"--pty", "--bootloader", "late-at=2:2500,image=" + dir / "flash"});
    sim.LinesUntilReady();
    ProgramResult r =
        RunProgram(ORVANE2_CLI_PATH,
                   {"--usb", sim.PtyPath(), "upgrade", examples + "/upgrade/demo.upg", "--yes"},
                   {.signalAfter = platform::Format(firmware::kSendingFileStatus, "main.hex"),
                    .signals = std::vector<int>(row.presses, row.sig)});
    const bool stopped = row.presses >= 3;
    EXPECT_NE(r.err.find(cli::kHoldNotice), npos) << r.err;
    EXPECT_EQ(r.err.find(cli::kHoldWarning) != npos, row.presses >= 2) << r.err;
    EXPECT_EQ(r.err.find(cli::kLeftInBootloaderText) != npos, stopped) << r.err;
    if (stopped) {
        EXPECT_EQ(r.signal, row.sig);
    } else {
        EXPECT_EQ(r.status, 128 + row.sig) << r.out << r.err;
        EXPECT_NE(r.out.find(firmware::kFirmwareSentLog), npos) << r.out;
        sim.Signal(SIGTERM);
        sim.Wait();  // the images are written on the restart; the wait only orders the reads
        std::ifstream firmware(examples + "/upgrade/firmware.txt", std::ios::binary);
        EXPECT_EQ(dir.Read("flash.0"), std::string(std::istreambuf_iterator<char>(firmware), {}));
    }
}

INSTANTIATE_TEST_SUITE_P(Presses, CliUpgradeSignal,
                         ::testing::Values(HeldSignal{SIGINT, 1}, HeldSignal{SIGTERM, 2},
                                           HeldSignal{SIGHUP, 3}),
                         [](const auto& info) {
                             return std::string(sigabbrev_np(info.param.sig)) + "x" +
                                    std::to_string(info.param.presses);
                         });

// A hold gives back what it found, and a signal the program was started with ignored
// (nohup) stays ignored throughout.
TEST(CliSignals, AHoldPutsBackThePreviousDispositions) {
    auto handler = [](int sig) {
        struct sigaction now {};
        ::sigaction(sig, nullptr, &now);
        return now.sa_handler;
    };
    ::signal(SIGHUP, SIG_IGN);
    {
        cli::StopSignals hold(cli::StopSignals::Mode::Hold);
        EXPECT_EQ(handler(SIGHUP), SIG_IGN);
        ::raise(SIGTERM);
        ::raise(SIGINT);
        EXPECT_EQ(hold.Held(), SIGTERM);
    }
    EXPECT_EQ(handler(SIGINT), SIG_DFL);
    EXPECT_EQ(handler(SIGTERM), SIG_DFL);
    EXPECT_EQ(handler(SIGHUP), SIG_IGN);
    ::signal(SIGHUP, SIG_DFL);
}

// The console on a terminal of its own, with no shell to tidy up after it: a signal
// that ends it leaves the terminal as it was found.
TEST(CliSignals, TheConsoleLeavesTheTerminalAsItFoundIt) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sigabbrev_np(sig));
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_EQ(::grantpt(master) | ::unlockpt(master), 0);
        const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave, 0);
        TempFolder state;  // for the console's history, away from the user's
        const pid_t pid = Spawn(ORVANE2_CLI_PATH, {"--demo", "console"}, {slave, slave, slave}, {},
                                {"XDG_STATE_HOME=" + state.path()});
        ASSERT_GT(pid, 0);
        std::string shown;
        char buf[256];
        for (pollfd p{master, POLLIN, 0};
             shown.find(cli::LineEditor::kPrompt) == npos && ::poll(&p, 1, 10000) > 0;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0) break;
            shown.append(buf, static_cast<std::size_t>(n));
        }
        termios mode{};
        ::tcgetattr(slave, &mode);
        EXPECT_EQ(mode.c_lflag & (ECHO | ICANON), 0u)
            << "the prompt is up and the keys come one by one: " << shown;
        ::kill(pid, sig);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        ::tcgetattr(slave, &mode);
        EXPECT_EQ(mode.c_lflag & (ECHO | ICANON), static_cast<tcflag_t>(ECHO | ICANON));
        ::close(slave);
        ::close(master);
    }
}

// A standard descriptor closed at start, in the command line or in the simulator: what
// either prints never reaches the other as instrument traffic, and the instrument's
// replies are never read as typed input.
TEST(ClosedStandardDescriptor, IsNeverTakenByThePort) {
    for (bool inSim : {false, true}) {
        for (int fd : {0, 1, 2}) {
            SCOPED_TRACE((inSim ? "orvane2-sim without " : "orvane2-cli without ") +
                         std::to_string(fd));
            TempFolder scratch;
            const std::string port = scratch / "port";
            SimProcess sim({"--trace", "--pty", "--link", port}, {.closed = inSim ? fd : -1},
                           scratch / "sim.err");
            sim.LinesUntilReady();  // nothing, without a stdout: then the link shows it serves
            for (int waited = 0; ::access(port.c_str(), F_OK) != 0 && waited < 10000; waited += 10)
                ::usleep(10000);
            ProgramResult r =
                RunProgram(ORVANE2_CLI_PATH,
                           {"--trace", "--usb", port, !inSim && fd == 0 ? "console" : "identify"},
                           {.setup = {.closed = inSim ? -1 : fd}});
            EXPECT_EQ(r.status, cli::kExitOk) << r.err;
            if (inSim || fd == 2) {
                EXPECT_NE(r.out.find(sim::InstrumentConfig{}.model), npos) << r.out;
                EXPECT_EQ(r.out.find(app::kInfoUnknownInstrument), npos) << r.out;
            }
            // The simulator traces every line it receives and marks what it did not understand.
            if (!inSim) {
                EXPECT_EQ(scratch.Read("sim.err").find("(ignored)"), npos);
            }
        }
    }
}

// A write that reaches the file-size limit fails like any other: the program says so
// where it has something to say, goes on (a lost comms log fails the command at its
// end), and leaves no temporary file behind.
TEST(FileSizeLimit, AWriteBeyondItFailsWithoutEndingTheProgram) {
    TempFolder scratch;
    ProgramResult cli =
        RunProgram(ORVANE2_CLI_PATH, {"--demo", "--comms-log", scratch / "comms.log", "identify"},
                   {.setup = {.fileSizeLimit = 100}});
    EXPECT_EQ(cli.status, cli::kExitOutputFailed) << "signal " << cli.signal;
    EXPECT_NE(cli.err.find(transport::kCommsLogOpenErrorText), npos) << cli.err;
#ifdef ORVANE2_GUI_PATH
    // The first start writes the settings file, which the limit cuts short. The window
    // stays up until the run's time is over; stdin closed as well.
    ProgramResult gui =
        RunProgram(ORVANE2_GUI_PATH, {},
                   {.env = {"XDG_CONFIG_HOME=" + scratch.path(), "QT_QPA_PLATFORM=offscreen"},
                    .limitMs = 3000,
                    .setup = {.closed = 0, .fileSizeLimit = 16}});
    EXPECT_EQ(gui.signal, SIGKILL) << gui.err;
    // Only the writers' lock file may be left in the folder made for the settings.
    for (const auto& entry : std::filesystem::directory_iterator(scratch / "Kelmscot/Orvaner"))
        EXPECT_EQ(entry.path().filename(), "Orvaner.ini.lock");
#endif
}

}  // namespace
}  // namespace orvane::testing
