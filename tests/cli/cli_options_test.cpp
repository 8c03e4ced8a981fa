#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "cli/standard_output.h"
#include "cli/visible_text.h"
#include "sim/command_interpreter.h"
#include "sim/instrument_config.h"
#include "support/run_program.h"
#include "support/sim_process.h"

using namespace orvane::cli;
using orvane::testing::RunProgram;

namespace {
bool Parse(std::vector<const char*> args, CliOptions& o, std::string& error) {
    args.insert(args.begin(), "orvane2-cli");
    return ParseCliOptions(static_cast<int>(args.size()), args.data(), o, error);
}
}  // namespace

TEST(CliOptions, TheContractsWordsAndItsUsageErrors) {
    CliOptions o;
    std::string error;
    // After the command a word that looks like an option is an argument ("-5").
    ASSERT_TRUE(Parse({"--serial", "ttyS0", "--baud", "38400", "--yes", "--trace", "query", "*IDN?",
                       "-5", "--quiet-ms", "50"},
                      o, error))
        << error;
    EXPECT_EQ(o.kind, orvane::transport::InterfaceKind::Serial);
    EXPECT_EQ(o.baud, 38400u);
    EXPECT_EQ(o.command, "query");
    EXPECT_EQ(o.args, (std::vector<std::string>{"*IDN?", "-5"}));
    EXPECT_EQ(o.quietMs, 50u);
    EXPECT_TRUE(o.yes && o.trace);
    CliOptions d;  // "--" ends the options and is no argument itself
    ASSERT_TRUE(Parse({"run", "--", "--odd name.txt"}, d, error));
    EXPECT_EQ(d.args, (std::vector<std::string>{"--odd name.txt"}));

    struct Bad {
        std::vector<const char*> args;
    } bad[] = {
        {{}},
        {{"frobnicate"}},
        {{"--usb", "a", "--lan", "1.2.3.4", "identify"}},
        {{"--baud", "9600", "identify"}},
        {{"--usb"}},
        {{"--serial", "x", "--baud", "fast", "identify"}},
        {{"--serial", "x", "--baud", "12345", "identify"}},
        {{"query"}},
        {{"run"}},
        {{"run", "a", "b"}},
        {{"identify", "extra"}},
        {{"--bogus", "identify"}},
    };
    for (auto& b : bad) {
        CliOptions x;
        error.clear();
        EXPECT_FALSE(Parse(b.args, x, error)) << (b.args.empty() ? "(none)" : b.args[0]);
        EXPECT_FALSE(error.empty());
    }
    CliOptions h;
    EXPECT_TRUE(Parse({"--help"}, h, error));
    EXPECT_TRUE(h.help);
}

// Piped lines go out as they arrive, each after the replies to the one before
// (which trickle in slowly): stdin stays open until the second line's reply.
TEST(CliContract, PipedConsoleLinesAreSentAtOnceEachAfterItsReplies) {
    orvane::testing::SimProcess sim({"--pty", "--trickle", "5"});
    sim.LinesUntilReady();
    const orvane::sim::InstrumentConfig c;
    const std::string reading = orvane::sim::MeasurementText(c.reading) + "\n";
    auto r = RunProgram(ORVANE2_CLI_PATH, {"--usb", sim.PtyPath(), "console"},
                        {.input = "*IDN?\nread?\n", .holdInputUntil = reading});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "> *IDN?\n" + orvane::sim::IdentityText(c) + "\n> read?\n" + reading);
}

// A full disk is an error; a reader that went away is not: the console ends
// at once, with its own status, though its input never does. Nor is a stdout
// closed from the start that nothing was written to.
TEST(CliContract, AFailedWriteToStdoutIsAnErrorAClosedPipeIsNot) {
    const std::string cli = ORVANE2_CLI_PATH;
    auto r =
        RunProgram("/bin/sh", {"-c", "exec 3>&1; " + cli +
                                         " --demo identify >/dev/full; echo $?; { yes 'read?' "
                                         "2>/dev/null | " +
                                         cli + " --demo console; echo $? >&3; } | true; { " + cli +
                                         " --bogus >&-; } 2>&1 | grep -c 'cannot write'"});
    EXPECT_EQ(r.out, "1\n0\n0\n");
    EXPECT_EQ(r.err, kStdoutWriteFailed + std::string(std::strerror(ENOSPC)) + "\n");
}

TEST(MadeVisible, ControlBytesShowAndTextStays) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain, tab\tand\nline", "plain, tab\tand\nline"},
        {"\x1b[2J\x1b]0;title\x07", "^[[2J^[]0;title^G"},
        {std::string("\0\r\x1f\x7f", 4), "^@^M^_^?"},
        {"\xc2\x9b"
         "2J \xc2\x85",
         "\\x9b2J \\x85"},  // C1 written as UTF-8
        {"\x9b"
         "2J \x80",
         "\\x9b2J \\x80"},  // C1 as lone 8-bit bytes
        {"\xc2\xb0"
         "C \xe2\x82\xac \xf0\x9f\x99\x82 \xa0",
         "\xc2\xb0"
         "C \xe2\x82\xac \xf0\x9f\x99\x82 \xa0"},
        // Broken sequences do not carry a control byte through.
        {"\xe2\x82 \xc3\x1b \xf5\x80\x80\x80", "\xe2\\x82 \xc3^[ \xf5\\x80\\x80\\x80"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(MadeVisible(in), out) << in;
}
