#include "cli/cli_options.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "connection/connect_and_identify.h"
#include "platform/option_parser.h"
#include "platform/product.h"
#include "platform/text.h"
#include "transport/serial_link.h"

namespace orvane::cli {
namespace {

bool ParseNumber(std::string_view text, uint32_t& out) {
    std::optional<uint32_t> value = platform::ReadUnsigned(text);
    if (value) out = *value;
    return value.has_value();
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
    if ((command == "identify" || command == "console" || command == "discover" ||
         command == "set-clock" || command == "ports") &&
        n != 0) {
        error = command + " takes no arguments";
        return false;
    }
    return true;
}

// Before the command, a word that begins with "-" is an option we do not
// have; after it, or after "--", it is one of the command's arguments. "-h"
// is read here rather than by CLI11, which would read "-hx" as "-h -x".
std::string TakeWords(const std::vector<std::string>& words, CliOptions& o) {
    bool optionsEnded = false;
    for (const std::string& word : words) {
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && word == "-h") {
            o.help = true;
        } else if (!optionsEnded && o.command.empty() && word.starts_with('-')) {
            return "unknown option: " + word;
        } else if (o.command.empty()) {
            o.command = word;
        } else {
            o.args.push_back(word);
        }
    }
    return {};
}

}  // namespace

namespace {

struct CommandHelp {
    const char* name;
    const char* synopsis;
    const char* text;  // its lines, without their indent
};

constexpr CommandHelp kCommandHelp[] = {
    {"identify", "identify", "connect and identify; print the information pane as text"},
    {"query", "query TEXT...",
     "connect; send each TEXT as a command line (the caret rule applies); print every reply\n"
     "line until --quiet-ms MS (default 500) pass without a byte"},
    {"console", "console",
     "interactive console: each typed line is sent, every reply line printed as the\n"
     "results pane shows it; line editing and a history kept across runs (Up gives the\n"
     "last line sent); Ctrl-D ends; lines from a pipe or a file are sent as they arrive,\n"
     "each after --quiet-ms MS of silence"},
    {"run", "run SCRIPT",
     "run a script file from the top as Run does; the results pane goes to stdout as it\n"
     "grows; \"#wait\" waits for Enter on a terminal and goes on at once otherwise; the\n"
     "command ends when the run ends or stops (a failed test with stop-on-fail, a send\n"
     "that failed), once the replies to its last lines are printed"},
    {"upgrade", "upgrade FILE",
     "the firmware upgrade with the desktop program's checks, questions and messages;\n"
     "the preview printed as coloured text; a progress bar with rate and time left"},
    {"discover", "discover",
     "the LAN search; one line per row: ADDRESS, a tab, the identity or the status"},
    {"set-clock", "set-clock", "set the instrument's clock from this computer's clock"},
    {"ports", "ports",
     "the serial ports the Connect dialog offers, one a line: the device, its\n"
     "/dev/serial/by-id name, the USB vendor:product and product, and \"busy\" or\n"
     "\"not permitted\" when this user cannot open it; --json for a JSON array"},
    {"help", "help [COMMAND]", "this help, or COMMAND's"},
};

const CommandHelp* FindCommand(const std::string& name) {
    for (const CommandHelp& c : kCommandHelp)
        if (name == c.name) return &c;
    return nullptr;
}

// The text's lines, each after indent but the first.
std::string Indented(const char* text, const std::string& indent) {
    std::string out;
    for (const char* p = text; *p; ++p) out += *p == '\n' ? "\n" + indent : std::string(1, *p);
    return out;
}

}  // namespace

bool ParseCliOptions(int argc, const char* const* argv, CliOptions& o, std::string& error) {
    error.clear();
    int connections = 0;
    platform::OptionParser parser([](const std::vector<std::string>& words) {
        CliOptions scratch;
        return TakeWords(words, scratch);
    });
    auto connectBy = [&](transport::InterfaceKind kind, std::string& field) {
        return [&o, &connections, kind, &field](const std::string& value) {
            o.kind = kind;
            field = value;
            ++connections;
            return std::string();
        };
    };
    parser.Flag("--help", [&] { o.help = true; });
    parser.Flag("--version", [&] { o.version = true; });
    parser.Value("--usb", connectBy(transport::InterfaceKind::Usb, o.device));
    parser.Value("--serial", connectBy(transport::InterfaceKind::Serial, o.device));
    parser.Value("--baud", [&](const std::string& value) {
        if (!ParseNumber(value, o.baud) || !transport::IsSerialBaudRate(o.baud))
            return "--baud: not a baud rate: " + value + "; use " +
                   connection::SupportedBaudRatesText();
        o.baudGiven = true;
        return std::string();
    });
    parser.Value("--lan", connectBy(transport::InterfaceKind::Lan, o.address));
    parser.Flag("--demo", [&] {
        o.demo = true;
        ++connections;
    });
    parser.Value("--settings", [&](const std::string& value) {
        o.settingsFile = value;
        return std::string();
    });
    parser.Flag("--trace", [&] { o.trace = true; });
    parser.Value("--comms-log", [&](const std::string& value) {
        o.commsLog = value;
        return std::string();
    });
    parser.Flag("--yes", [&] { o.yes = true; });
    parser.Flag("--no-color", [&] { o.noColor = true; });
    parser.Value("--quiet-ms", [&](const std::string& value) {
        return ParseNumber(value, o.quietMs) ? std::string() : "--quiet-ms: not a number: " + value;
    });
    parser.Flag("--timestamps", [&] { o.timestamps = true; });
    parser.Flag("--json", [&] { o.json = true; });
    std::vector<std::string> words;
    if (!parser.Parse(argc, argv, words, error)) return false;
    TakeWords(words, o);
    if (o.command == "help") {
        o.help = true;
        if (o.args.size() > 1) {
            error = "help takes at most one COMMAND";
            return false;
        }
        o.command = o.args.empty() ? "" : o.args[0];
    }
    if (!o.command.empty() && !FindCommand(o.command)) {
        error = "unknown command: " + o.command;
        o.command.clear();  // no help of its own to point at
        return false;
    }
    if (o.help) o.helpCommand = o.command;
    if (o.help || o.version) return true;
    if (connections > 1) {
        error = "give at most one of --usb, --serial, --lan and --demo";
        return false;
    }
    if (o.baudGiven && o.kind != transport::InterfaceKind::Serial) {
        error = "--baud goes with --serial";
        return false;
    }
    if (o.command.empty()) {
        error = "no command given";
        return false;
    }
    if (o.json && o.command != "ports") {
        error = "--json goes with ports";
        return false;
    }
    return TakesArgs(o.command, o.args.size(), error);
}

std::string CliUsage() {
    std::string commands;
    for (const CommandHelp& c : kCommandHelp) {
        std::string name = c.synopsis;
        name.resize(std::max<std::size_t>(name.size() + 2, 20), ' ');
        commands += "  " + name + Indented(c.text, std::string(22, ' ')) + "\n";
    }
    return R"(usage: orvane2-cli [OPTIONS] COMMAND [ARGS]
       orvane2-cli COMMAND --help

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
  --timestamps        for query, console and run: each line printed starts with the local time
                      ([13:04:05.123]), a reply also with the milliseconds since its command was sent
                      ([13:04:05.123 +12 ms])
  --json              for ports: a JSON array of objects
  -h, --help, --version

Commands:
)" + commands +
           R"(
Exit status: 0 success; 1 a script test failed, an upgrade or a question refused or cancelled,
nothing found by discover, or stdout or the comms log could not be written (a closed pipe ends the
command quietly with its own status); 2 a command could not be sent or an upgrade failed after it
started; 3 no connection; 4 the file is not a script or cannot be read; 64 usage error.
)";
}

std::string CommandUsage(const std::string& command) {
    const CommandHelp* c = FindCommand(command);
    if (!c) return {};
    return "usage: orvane2-cli [OPTIONS] " + std::string(c->synopsis) + "\n\n  " +
           Indented(c->text, "  ") + "\n\nThe options and the exit statuses: orvane2-cli --help\n";
}

std::string CliVersion() {
    return platform::VersionLine("orvane2-cli");
}

}  // namespace orvane::cli
