// orvane2-cli: its words, and the program run as a process against orvane2-sim over a
// pseudo-terminal and TCP loopback: each command, and the exit status of each row of
// the contract.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <regex>
#include <sstream>

#include "app/shell_texts.h"
#include "cli/cli_options.h"
#include "cli/line_editor.h"
#include "cli/port_listing.h"
#include "cli/standard_output.h"
#include "cli/stop_signals.h"
#include "cli/terminal_ui.h"
#include "cli/visible_text.h"
#include "connection/connection_texts.h"
#include "firmware/firmware_texts.h"
#include "platform/text_format.h"
#include "script/script_texts.h"
#include "sim/command_interpreter.h"
#include "sim/pty_endpoint.h"
#include "support/fake_clock.h"
#include "support/posix_peers.h"
#include "support/run_program.h"
#include "support/temp_folder.h"
#include "ui/app_strings.h"

namespace orvane::testing {
namespace {

using Args = std::vector<std::string>;

ProgramResult Cli(const Args& args, Args env = {}) {
    return RunProgram(ORVANE2_CLI_PATH, args, {.env = std::move(env)});
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

Args operator+(Args a, const Args& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A simulated instrument on a pty and on its own loopback address, port 10001.
struct Instrument {
    explicit Instrument(const Args& extra = {})
        : address(OwnLoopbackAddress(41)), sim(Args{"--pty", "--tcp", address} + extra) {
        sim.LinesUntilReady();
    }
    Args Usb() { return {"--usb", sim.PtyPath()}; }
    Args Lan() { return {"--lan", address}; }
    std::string address;
    SimProcess sim;
};

const sim::InstrumentConfig kDefault;

bool Parse(const std::string& words, cli::CliOptions& o, std::string& error) {
    std::vector<std::string> store{"orvane2-cli"};
    std::istringstream in(words);
    for (std::string word; in >> word;) store.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& word : store) argv.push_back(word.c_str());
    return cli::ParseCliOptions(static_cast<int>(argv.size()), argv.data(), o, error);
}

TEST(CliOptions, TheContractsWordsAndItsUsageErrors) {
    cli::CliOptions o;
    std::string error;
    // After the command a word that looks like an option is an argument ("-5").
    ASSERT_TRUE(
        Parse("--serial ttyS0 --baud 38400 --yes --trace query *IDN? -5 --quiet-ms 50", o, error))
        << error;
    EXPECT_EQ(o.kind, transport::InterfaceKind::Serial);
    EXPECT_EQ(o.baud, 38400u);
    EXPECT_EQ(o.command, "query");
    EXPECT_EQ(o.args, (Args{"*IDN?", "-5"}));
    EXPECT_EQ(o.quietMs, 50u);
    EXPECT_TRUE(o.yes && o.trace);
    cli::CliOptions d;  // "--" ends the options and is no argument itself
    ASSERT_TRUE(Parse("run -- --odd.txt", d, error));
    EXPECT_EQ(d.args, (Args{"--odd.txt"}));

    // Help for one command, asked either way; help alone is the whole of it.
    for (const auto& [words, command] :
         {std::pair{"help query", "query"}, {"run --help", "run"}, {"help", ""}, {"--help", ""}}) {
        cli::CliOptions h;
        ASSERT_TRUE(Parse(words, h, error)) << words << ": " << error;
        EXPECT_TRUE(h.help);
        EXPECT_EQ(h.helpCommand, command) << words;
    }

    for (const char* bad :
         {"", "frobnicate", "--usb a --lan 1.2.3.4 identify", "--lan 1.2.3.4 --demo identify",
          "--baud 9600 identify", "--serial x --baud 12345 identify", "--usb", "query", "run a b",
          "identify extra", "--bogus identify", "help frob", "help run query", "frob --help",
          "--json identify", "ports extra"}) {
        cli::CliOptions x;
        EXPECT_FALSE(Parse(bad, x, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(TerminalQuestions, TypedWordsAnswerWhatTheButtonsOffer) {
    using ui::MessageAnswer;
    using ui::MessageButtons;
    const struct {
        const char* word;
        MessageButtons buttons;
        std::optional<MessageAnswer> answer;
    } rows[] = {
        {"y", MessageButtons::OkCancel, MessageAnswer::Ok},
        {" OK\r", MessageButtons::OkCancel, MessageAnswer::Ok},
        {"yes", MessageButtons::YesNo, MessageAnswer::Yes},
        {"o", MessageButtons::YesNoCancel, MessageAnswer::Yes},
        {"Ok", MessageButtons::RetryCancel, MessageAnswer::Retry},
        {"", MessageButtons::YesNo, MessageAnswer::No},  // Enter alone: the safe answer
        {"", MessageButtons::OkCancel, MessageAnswer::Cancel},
        {"no", MessageButtons::OkCancel, MessageAnswer::Cancel},
        {"n", MessageButtons::YesNoCancel, MessageAnswer::No},
        {"cancel", MessageButtons::YesNoCancel, MessageAnswer::Cancel},
        {"c", MessageButtons::YesNo, std::nullopt},  // not offered: asked again
        {"yellow", MessageButtons::YesNo, std::nullopt},
        {"retry", MessageButtons::OkCancel, std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(cli::AnswerFromWord(row.word, row.buttons), row.answer) << row.word;
}

// A reply split across receive steps keeps the stamp of its first byte; lines before
// any command, and the command's own line, carry the time alone.
TEST(TerminalResultsPane, StampsEachLineAndTimesEachReplyFromItsCommand) {
    FakeClock clock(0xfffffff0);  // the tick count wraps between a send and its reply
    clock.SetLocalTime({.hour = 13, .minute = 4, .second = 5, .millisecond = 7});
    cli::StandardOutput out;
    cli::TerminalResultsPane pane(out, false);
    std::string shown;
    pane.sink = [&](std::string_view text) { shown += text; };
    pane.StampLines(clock);
    pane.AppendText("unasked\r\n");
    pane.AppendText("> *IDN?\r\n");
    clock.Advance(20);
    pane.AppendText("Kel");
    clock.Advance(5);
    pane.AppendText("mscot\r\nsecond\r\n");
    pane.MarkSent();  // query sends without a line of its own
    clock.Advance(3);
    pane.AppendText("1.2\r\n");
    pane.Flush();
    EXPECT_EQ(shown,
              "[13:04:05.007] unasked\n[13:04:05.007] > *IDN?\n[13:04:05.007 +20 ms] Kelmscot\n"
              "[13:04:05.007 +25 ms] second\n[13:04:05.007 +3 ms] 1.2\n");
}

// A product text is the device's own: it may break neither a line nor the JSON.
TEST(PortListing, OneLineOrOneObjectAPort) {
    using transport::SerialPortInfo;
    const std::vector<SerialPortInfo> ports = {
        {"/dev/ttyS0", "", "", "", SerialPortInfo::Access::Busy},
        {"/dev/ttyUSB0", "/dev/serial/by-id/usb-x", "0403:6001", "Odd \"FT\"\tUART\x1b",
         SerialPortInfo::Access::Free}};
    EXPECT_EQ(cli::PortsAsText(ports), "/dev/ttyS0\t-\t-\t-\t" + std::string(cli::kPortBusy) +
                                           "\n/dev/ttyUSB0\t/dev/serial/by-id/usb-x\t0403:6001\t"
                                           "Odd \"FT\" UART^[\n");
    EXPECT_EQ(
        cli::PortsAsJson(ports),
        "[\n {\"device\": \"/dev/ttyS0\", \"byId\": null, \"usbId\": null, \"product\": null, "
        "\"access\": \"busy\"},\n {\"device\": \"/dev/ttyUSB0\", \"byId\": "
        "\"/dev/serial/by-id/usb-x\", \"usbId\": \"0403:6001\", \"product\": "
        "\"Odd \\\"FT\\\"\\u0009UART\\u001b\", \"access\": \"free\"}\n]\n");
    EXPECT_EQ(cli::PortsAsJson({}), "[]\n");
}

TEST(MadeVisible, ControlBytesShowAndTextStays) {
    for (const char* text :
         {"plain, tab\tand\nline", "\xc2\xb0 \xe2\x82\xac \xf0\x9f\x99\x82 \xa0"})
        EXPECT_EQ(cli::MadeVisible(text), text);
    const std::pair<std::string, std::string> shown[] = {
        {"\x1b[2J\x1b]0;title\x07", "^[[2J^[]0;title^G"},
        {std::string("\0\r\x1f\x7f", 4), "^@^M^_^?"},
        {"\xc2\x9bJ \xc2\x85", "\\x9bJ \\x85"},  // C1 written as UTF-8
        {"\x9bJ \x80", "\\x9bJ \\x80"},          // C1 as lone 8-bit bytes
        // Broken sequences do not carry a control byte through.
        {"\xe2\x82 \xc3\x1b \xf5\x80\x80\x80", "\xe2\\x82 \xc3^[ \xf5\\x80\\x80\\x80"}};
    for (const auto& [in, out] : shown) EXPECT_EQ(cli::MadeVisible(in), out) << in;
}

// Piped lines go out as they arrive, each after the replies to the one before (which
// trickle in slowly): stdin stays open until the second line's reply.
TEST(CliContract, PipedConsoleLinesAreSentAtOnceEachAfterItsReplies) {
    SimProcess sim({"--pty", "--trickle", "5"});
    sim.LinesUntilReady();
    const std::string reading = sim::MeasurementText(kDefault.reading) + "\n";
    ProgramResult r = RunProgram(ORVANE2_CLI_PATH, {"--usb", sim.PtyPath(), "console"},
                                 {.input = "*IDN?\nread?\n", .holdInputUntil = reading});
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, "> *IDN?\n" + sim::IdentityText(kDefault) + "\n> read?\n" + reading);
}

// A full disk is an error; a reader that went away is not: the console ends at once,
// with its own status, though its input never does. Nor is a stdout closed from the
// start that nothing was written to.
TEST(CliContract, AFailedWriteToStdoutIsAnErrorAClosedPipeIsNot) {
    const std::string cli = ORVANE2_CLI_PATH;
    ProgramResult r = RunProgram(
        "/bin/sh",
        {"-c", "exec 3>&1; " + cli + " --demo identify >/dev/full; echo $?; { yes 'read?' " +
                   "2>/dev/null | " + cli + " --demo console; echo $? >&3; } | true; { " + cli +
                   " --bogus >&-; } 2>&1 | grep -c 'cannot write'"});
    EXPECT_EQ(r.out, "1\n0\n0\n");
    EXPECT_EQ(r.err, cli::kStdoutWriteFailed + std::string(std::strerror(ENOSPC)) + "\n");
}

// orvane2-cli on a terminal of its own, as a user at a keyboard meets it.
class Terminal {
  public:
    Terminal(const Args& args, const Args& env) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master_);
        ::unlockpt(master_);
        const int slave = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
        pid_ = Spawn(ORVANE2_CLI_PATH, args, {slave, slave, slave}, {}, env);
        ::close(slave);
    }
    ~Terminal() {
        ::close(master_);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    }
    void Type(const std::string& keys) {
        EXPECT_EQ(::write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    // What the screen got until it shows text (everything, when it never does).
    std::string Until(const std::string& text) {
        char buf[4096];
        for (pollfd p{master_, POLLIN, 0}; !Has(shown_, text) && ::poll(&p, 1, 10000) > 0;) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            shown_.append(buf, static_cast<std::size_t>(n));
        }
        std::string got;
        got.swap(shown_);
        return got;
    }
    int Wait() {
        int status = 0;
        ::waitpid(std::exchange(pid_, -1), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    int master_ = -1;
    pid_t pid_ = -1;
    std::string shown_;
};

// Editing keys change the line rather than being sent as "~"; Up recalls the last
// line sent, also in the next run; Ctrl-D ends. The history folder is made.
TEST(CliConsole, EditsAndRemembersLinesOnATerminal) {
    TempFolder home;
    const Args env{"HOME=" + home.path(), "XDG_STATE_HOME=" + home / "state", "TERM=xterm"};
    const std::string identity = sim::IdentityText(kDefault);
    {
        Terminal t({"--demo", "console"}, env);
        EXPECT_TRUE(Has(t.Until("Ctrl-D"), "Connected to " + identity)) << identity;
        // Home, Delete, Left and Right, Ctrl-A/E/U/W, PageUp; then Up twice.
        t.Type("xread?\x1b[H\x1b[3~\r");
        t.Until(sim::MeasurementText(kDefault.reading));
        t.Type("tmp\x1b[5~\x1b[D\x1b[De\x1b[C\x1b[Cx\x7f?\r");
        t.Until(sim::MeasurementText(kDefault.temperature));
        t.Type("junk\x15*IDN? \x17*IDN?\x01\x05\r");
        t.Until(identity);
        t.Type("\x1b[A\x1b[A\r");
        EXPECT_TRUE(Has(t.Until(sim::MeasurementText(kDefault.temperature)), "> temp?\r\n"));
        t.Type("\x04");
        EXPECT_EQ(t.Wait(), cli::kExitOk);
    }
    EXPECT_EQ(home.Read("state/orvane2/history"), "_HiStOrY_V2_\nread?\ntemp?\n*IDN?\ntemp?\n");
    Terminal again({"--demo", "console"}, env);
    again.Until("Ctrl-D");
    again.Type("\x1b[A\r");
    EXPECT_TRUE(Has(again.Until(sim::MeasurementText(kDefault.temperature)), "> temp?\r\n"));
    again.Type("\x04");
    EXPECT_EQ(again.Wait(), cli::kExitOk);
    // A history that cannot be kept is said once and does not stop the console.
    home.Write("blocked", "");
    Terminal blocked({"--demo", "console"}, {"XDG_STATE_HOME=" + home / "blocked", "TERM=xterm"});
    const std::string said = blocked.Until("Ctrl-D");
    std::string warning = platform::Format(
        cli::kHistoryNotKept, (home / "blocked/orvane2/history").c_str(), std::strerror(ENOTDIR));
    warning.pop_back();  // the terminal ends the line with CR LF
    EXPECT_TRUE(Has(said, warning)) << said;
    blocked.Type(
        "\xc2\xb0"
        "C?\r");  // past ASCII, whatever the locale
    EXPECT_TRUE(Has(blocked.Until("> \xc2\xb0"
                                  "C?"),
                    "> \xc2\xb0"
                    "C?"));
    blocked.Type("\x04");
    EXPECT_EQ(blocked.Wait(), cli::kExitOk);
}

TEST(CliAgainstSim, IdentifyQueryDiscoverAndSetClock) {
    // An identity holding escapes shows them made visible, not obeyed.
    sim::InstrumentConfig odd;
    odd.serial = "10234\x1b]0;title\x07";
    sim::PtyEndpoint pty(odd);
    ASSERT_TRUE(pty.Start());
    ProgramResult r = Cli({"--usb", pty.DevicePath(), "identify"});
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    EXPECT_TRUE(Has(r.out, "  Model:  TRV8844\n  Serial No:  10234^[]0;title^G\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "  Main release:  1.20\n  FPGA release:  2.05\n")) << r.out;

    // set-clock sends the six commands in order, two digits each.
    const std::regex clock(R"(config,240,\d\d\n\x00?config,241,\d\d\n\x00?config,242,\d\d\n\x00?)"
                           R"(config,243,\d\d\n\x00?config,244,\d\d\n\x00?config,245,\d\d\n)");
    r = Cli({"--usb", pty.DevicePath(), "set-clock"});
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    std::string got;
    for (int i = 0; i < 5000 && !std::regex_search(got, clock); ++i, ::usleep(1000))
        got = pty.WithEngine([](sim::Engine& s) { return std::string(s.received()); });
    EXPECT_TRUE(std::regex_search(got, clock)) << got;

    Instrument inst({"--discover", "query", "--discover-on", OwnLoopbackAddress(41)});
    r = Cli(inst.Lan() + Args{"query", "*IDN?", "temp?"});
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, sim::IdentityText(kDefault) + "\n" +
                         sim::MeasurementText(kDefault.temperature) + "\n");
    r = Cli({"discover"}, {"ORVANE2_DISCOVERY_ADDRESS=" + inst.address});
    EXPECT_EQ(r.status, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, inst.address + "\t" + sim::IdentityText(kDefault) + "\n");
}

TEST(CliAgainstSim, ScriptsExitByTheirOutcome) {
    Instrument inst;
    TempFolder dir;
    const std::string reading = sim::MeasurementText(kDefault.reading) + "\n";
    struct Row {
        const char* name;
        std::string script;
        int status;
        std::string outEnd;  // how stdout ends
    } rows[] = {
        // #wait goes on at once without a terminal; the last reply is printed before the end.
        {"passes",
         "#wait\r\n#echo,start\r\n\"read?\r\n#reply,5\r\n=2\r\n=1\r\n=test,hi\r\n#print," +
             dir / "pane.txt" + "\r\n\"temp?\r\n",
         cli::kExitOk,
         "start\n> read?\n" + reading + "> temp?\n" + sim::MeasurementText(kDefault.temperature) +
             "\n"},
        {"a failed test", "\"read?\r\n#reply,2\r\n=1.0\r\n=1.2345\r\n=test,hi\r\n",
         cli::kExitRefused, ""},
        {"not a script", std::string("\x01\x02\x03 binary", 10), cli::kExitBadFile, ""},
    };
    bool usb = false;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        usb = !usb;  // both links in turn
        ProgramResult r =
            Cli((usb ? inst.Usb() : inst.Lan()) + Args{"run", dir.Write("s.txt", row.script)});
        EXPECT_EQ(r.status, row.status) << r.out << r.err;
        EXPECT_TRUE(r.out.ends_with(row.outEnd)) << r.out;
    }
    // The pane is kept for a script's print, though the command line forgets what it printed.
    EXPECT_TRUE(Has(dir.Read("pane.txt"), "start\n> read?\n" + reading)) << dir.Read("pane.txt");
}

TEST(CliAgainstSim, NoConnectionAndUsage) {
    ProgramResult r = Cli({"--lan", "127.0.41.250", "identify"});
    EXPECT_EQ(r.status, cli::kExitNoConnection);
    EXPECT_TRUE(Has(r.err, platform::Format(connection::kFailedToConnectToIp, "127.0.41.250")))
        << r.err;
    PtyPeer silent;  // a port that opens and never answers
    r = Cli({"--usb", silent.path(), "identify"});
    EXPECT_EQ(r.status, cli::kExitNoConnection);
    EXPECT_EQ(r.err, "orvane2-cli: " +
                         platform::Format(connection::kReasonSilentPort, silent.path().c_str(),
                                          19200u, 5) +
                         "\n");
    r = Cli({"--settings", "/tmp", "identify"});
    EXPECT_EQ(r.status, cli::kExitNoConnection);
    EXPECT_EQ(r.err, std::string(ui::kAppName) + ": " +
                         platform::Format(app::kSettingsUnreadable, "/tmp", std::strerror(EISDIR)) +
                         "\n");
    // A usage error is one line and where to find help, not the help itself.
    r = Cli({"query"});
    EXPECT_EQ(r.status, cli::kExitUsage);
    EXPECT_EQ(r.err, "orvane2-cli: query needs at least one TEXT\n" +
                         platform::Format(cli::kTryCommandHelp, "query"));
    r = Cli({"--bogus"});
    EXPECT_EQ(r.err, "orvane2-cli: unknown option: --bogus\n" + std::string(cli::kTryHelp));
    r = Cli({"upgrade", "--help"});
    EXPECT_EQ(r.status, cli::kExitOk);
    EXPECT_EQ(r.out, cli::CommandUsage("upgrade"));
}

// Without --yes and without a terminal the descriptor's warning is answered Cancel; a
// bootloader that refuses every record fails the upgrade after it started.
TEST(CliAgainstSim, UpgradeIsRefusedOrFails) {
    const std::string descriptor = std::string(ORVANE2_EXAMPLES_DIR) + "/upgrade/demo.upg";
    ProgramResult r = Cli({"--demo", "upgrade", descriptor});
    EXPECT_EQ(r.status, cli::kExitRefused);
    EXPECT_TRUE(Has(r.err, "This is the demo instrument")) << r.err;
    EXPECT_TRUE(Has(r.err, platform::Format(cli::kNoTerminalToAsk, "Cancel", "OK"))) << r.err;
    r = Cli({"--demo", "upgrade", descriptor + ".missing"});
    EXPECT_EQ(r.status, cli::kExitBadFile);
    EXPECT_EQ(r.err,
              std::string(ui::kAppName) + ": " +
                  platform::Format(script::kUnableToReadFile, (descriptor + ".missing").c_str()) +
                  "\n");

    Instrument refusing({"--bootloader", "refuse-record=1x99"});
    r = Cli(refusing.Usb() + Args{"upgrade", descriptor, "--yes"});
    EXPECT_EQ(r.status, cli::kExitSendFailed) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, platform::Format(firmware::kSendFailedLog, "main.hex"))) << r.out;
    EXPECT_TRUE(Has(r.err, cli::kLeftInBootloaderText)) << r.err;
}

}  // namespace
}  // namespace orvane::testing
