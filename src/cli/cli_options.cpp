#include "cli/cli_options.h"

#include <charconv>
#include <string_view>

#include "connection/connect_and_identify.h"
#include "platform/product.h"
#include "transport/serial_link.h"

namespace orvane::cli {
namespace {

bool ParseNumber(std::string_view text, uint32_t& out) {
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return false;
    out = value;
    return true;
}

bool TakesArgs(const std::string& command, std::size_t n, std::string& error) {
    if (command == "query" && n == 0) {
        error = "query needs at least one TEXT";
        return false;
    }
    if ((command == "run" || command == "upgrade") && n != 1) {
        error = command + " needs exactly one FILE";
        return false;
    }
    if ((command == "identify" || command == "console" || command == "discover" || command == "set-clock") &&
        n != 0) {
        error = command + " takes no arguments";
        return false;
    }
    return true;
}

}  // namespace

bool ParseCliOptions(int argc, const char* const* argv, CliOptions& o, std::string& error) {
    error.clear();
    int connections = 0;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        const char* value = nullptr;
        auto takes = [&](std::string_view name) {
            if (arg != name) return false;
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        if (optionsEnded) {
            if (o.command.empty()) {
                o.command = arg;
            } else {
                o.args.emplace_back(arg);
            }
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (takes("--usb")) {
            o.kind = transport::InterfaceKind::Usb;
            o.device = value;
            ++connections;
        } else if (takes("--serial")) {
            o.kind = transport::InterfaceKind::Serial;
            o.device = value;
            ++connections;
        } else if (takes("--baud")) {
            if (!ParseNumber(value, o.baud) || !transport::IsSerialBaudRate(o.baud)) {
                error = std::string("--baud: not a baud rate: ") + value + "; use " + connection::SupportedBaudRatesText();
                return false;
            }
            o.baudGiven = true;
        } else if (takes("--lan")) {
            o.kind = transport::InterfaceKind::Lan;
            o.address = value;
            ++connections;
        } else if (arg == "--demo") {
            o.demo = true;
            ++connections;
        } else if (takes("--settings")) {
            o.settingsFile = value;
        } else if (arg == "--trace") {
            o.trace = true;
        } else if (takes("--comms-log")) {
            o.commsLog = value;
        } else if (arg == "--yes") {
            o.yes = true;
        } else if (arg == "--no-color") {
            o.noColor = true;
        } else if (takes("--quiet-ms")) {
            if (!ParseNumber(value, o.quietMs)) {
                error = std::string("--quiet-ms: not a number: ") + value;
                return false;
            }
        } else if (!error.empty()) {
            return false;
        } else if (!arg.empty() && arg[0] == '-' && o.command.empty()) {
            error = "unknown option: " + std::string(arg);
            return false;
        } else if (o.command.empty()) {
            o.command = arg;
        } else {
            o.args.emplace_back(arg);  // a TEXT may itself begin with "-"
        }
    }
    if (!error.empty()) return false;
    if (o.help || o.version) return true;
    if (connections > 1) {
        error = "give at most one of --usb, --serial, --lan and --demo";
        return false;
    }
    if (o.baudGiven && o.kind != transport::InterfaceKind::Serial) {
        error = "--baud goes with --serial";
        return false;
    }
    static const char* const kCommands[] = {"identify", "query", "console", "run", "upgrade", "discover", "set-clock"};
    bool known = false;
    for (const char* c : kCommands) known = known || o.command == c;
    if (o.command.empty()) {
        error = "no command given";
        return false;
    }
    if (!known) {
        error = "unknown command: " + o.command;
        return false;
    }
    return TakesArgs(o.command, o.args.size(), error);
}

std::string CliUsage() {
    return R"(usage: orvane2-cli [OPTIONS] COMMAND [ARGS]

Connection (at most one; without any, the "Connect" section of the settings file is used, as the desktop program saved it):
  --usb DEVICE        USB virtual COM port, 19200 baud
  --serial DEVICE     RS-232 port, with --baud N (default 9600)
  --lan ADDRESS       instrument at ADDRESS, TCP port 10001
  --demo              a simulated instrument started inside the program
Options:
  --settings FILE     settings file instead of the default location
  --trace             trace lines on stderr
  --comms-log FILE    write every command sent and every reply line received to FILE; it must be a
                      regular file (or none yet) in a folder that exists (otherwise exit status 64)
  --yes               answer every question with Yes / OK / Accept
  --no-color          no ANSI colours (also when stdout is not a terminal or NO_COLOR is set)
  --quiet-ms MS       for query, console and run: how long the instrument must be silent before the
                      next TEXT, or before the command ends (500)
  -h, --help, --version

Commands:
  identify            connect and identify; print the information pane as text
  query TEXT...       connect; send each TEXT as a command line (the caret rule applies); print every reply
                      line until --quiet-ms MS (default 500) pass without a byte
  console             interactive console: each typed line is sent, every reply line printed as the
                      results pane shows it; history with Up/Down; Ctrl-D ends; lines from a pipe or
                      a file are sent as they arrive, each after --quiet-ms MS of silence
  run SCRIPT          run a script file from the top as Run does; the results pane goes to stdout as it
                      grows; "#wait" waits for Enter on a terminal and goes on at once otherwise; the
                      command ends when the run ends or stops (a failed test with stop-on-fail, a send
                      that failed), once the replies to its last lines are printed
  upgrade FILE        the firmware upgrade with the desktop program's checks, questions and messages;
                      the preview printed as coloured text; a progress bar with rate and time left
  discover            the LAN search; one line per row: ADDRESS, a tab, the identity or the status
  set-clock           set the instrument's clock from this computer's clock

Exit status: 0 success; 1 a script test failed, an upgrade or a question refused or cancelled,
nothing found by discover, or stdout or the comms log could not be written (a closed pipe ends the
command quietly with its own status); 2 a command could not be sent or an upgrade failed after it
started; 3 no connection; 4 the file is not a script or cannot be read; 64 usage error.
)";
}

std::string CliVersion() {
    return std::string("orvane2-cli ") + platform::kVersionMajor + "." + platform::kVersionMinor + " (build " +
           platform::kVersionBuild + ")\n";
}

}  // namespace orvane::cli
