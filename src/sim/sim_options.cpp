#include "sim/sim_options.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/option_parser.h"
#include "platform/text.h"

namespace orvane::sim {

namespace {

bool ParseNumber(std::string_view text, uint32_t max, uint32_t& out) {
    std::optional<uint32_t> value = platform::ReadUnsigned(text);
    if (!value || *value > max) return false;
    out = *value;
    return true;
}

// Dotted decimal, four parts of 0..255 without leading zeros: what inet_pton takes.
bool IsIpv4(std::string_view text) {
    auto parts = platform::SplitSeparated(text, '.');
    if (parts.size() != 4) return false;
    for (std::string_view part : parts) {
        if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0')) return false;
        if (!std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        uint32_t value = 0;
        if (!ParseNumber(part, 255, value)) return false;
    }
    return true;
}

bool ParseTcp(std::string_view text, SimOptions& options) {
    std::string_view address = text;
    size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        uint32_t port = 0;
        if (!ParseNumber(text.substr(colon + 1), 65535, port)) return false;
        options.tcpPort = static_cast<uint16_t>(port);
        address = text.substr(0, colon);
    }
    if (!IsIpv4(address)) return false;
    options.tcp = true;
    options.tcpAddress = std::string(address);
    return true;
}

std::vector<std::string> SplitFields(std::string_view text) {
    auto fields = platform::SplitSeparated(text, ',');
    return {fields.begin(), fields.end()};
}

}  // namespace

bool ParseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error) {
    InstrumentConfig& c = options.config;
    // "-h" is read here rather than by CLI11, which would read "-hx" as "-h -x".
    auto firstUnknown = [](const std::vector<std::string>& words) {
        auto unknown = std::find_if(words.begin(), words.end(),
                                    [](const std::string& w) { return w != "-h"; });
        return unknown == words.end() ? std::string() : "unknown option: " + *unknown;
    };
    platform::OptionParser parser(firstUnknown);
    auto flag = [&](const char* name, bool& field) {
        parser.Flag(name, [&field] { field = true; });
    };
    auto text = [&](const char* name, std::string& field) {
        parser.Value(name, [&field](const std::string& value) {
            field = value;
            return std::string();
        });
    };
    auto number = [&](const char* name, uint32_t& field) {
        parser.Value(name, [name, &field](const std::string& value) {
            return ParseNumber(value, UINT32_MAX, field)
                       ? std::string()
                       : std::string(name) + ": not a number: " + value;
        });
    };
    auto port = [&](const char* name, uint16_t& field) {
        parser.Value(name, [name, &field](const std::string& value) {
            uint32_t port = 0;
            if (!ParseNumber(value, 65535, port) || port == 0)
                return std::string(name) + ": not a port number: " + value;
            field = static_cast<uint16_t>(port);
            return std::string();
        });
    };

    flag("--help", options.help);
    flag("--trace", options.trace);
    flag("--pty", options.pty);
    parser.Value("--link", [&](const std::string& value) {
        options.pty = true;
        options.link = value;
        return std::string();
    });
    parser.Value("--tcp", [&](const std::string& value) {
        return ParseTcp(value, options) ? std::string()
                                        : "--tcp: expected ADDRESS[:PORT], got " + value;
    });
    text("--maker", c.maker);
    text("--model", c.model);
    text("--serial", c.serial);
    parser.Value("--fields", [&](const std::string& value) {
        c.furtherFields = SplitFields(value);
        return std::string();
    });
    text("--identity", c.identity);
    text("--calstr", c.calstr);
    text("--calver", c.calver);
    text("--version", c.version);
    flag("--bootcode", c.bootcode);
    flag("--silent", c.silent);
    number("--idn-from", c.idnFromQuery);
    number("--hang-up-after", c.hangUpAfterBytes);
    number("--trickle", c.trickleMs);
    flag("--flood", c.flood);
    parser.Flag("--flood-raw", [&] { c.flood = c.floodWithoutLineEnds = true; });
    number("--flood-count", c.floodCount);
    parser.Value("--discover", [&](const std::string& m) {
        options.discoverEcho = m == "echo" || m == "both";
        options.discoverQuery = m == "query" || m == "both";
        if (options.discoverEcho || options.discoverQuery) return std::string();
        return "--discover: expected echo, query or both, got " + m;
    });
    parser.Value("--discover-on", [&](const std::string& value) {
        options.discoverAddresses = SplitFields(value);
        for (const std::string& a : options.discoverAddresses) {
            if (!IsIpv4(a)) return "--discover-on: not an IPv4 address: " + a;
        }
        if (options.discoverAddresses.empty())
            return std::string("--discover-on needs at least one address");
        return std::string();
    });
    parser.Value("--discover-answer", [&](const std::string& value) {
        if (ParseDiscoveryAnswer(value, options.discoverAnswer)) return std::string();
        return "--discover-answer: unknown form: " + value;
    });
    port("--echo-port", options.echoPort);
    port("--query-port", options.queryPort);
    parser.Value("--bootloader", [&](const std::string& value) {
        std::string fault;
        ParseBootloaderOptions(value, c.bootloader, fault);
        return fault;
    });
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        options.programVersion = true;
        return true;
    }
    std::vector<std::string> words;
    if (!parser.Parse(argc, argv, words, error)) return false;
    if (!words.empty()) options.help = true;  // only "-h" can be left
    bool discover = options.discoverEcho || options.discoverQuery;
    if (discover && options.discoverAddresses.empty())
        options.discoverAddresses = {options.tcpAddress};
    for (auto [on, method, name] :
         {std::tuple{options.discoverEcho, DiscoveryMethod::Echo, "echo"},
          std::tuple{options.discoverQuery, DiscoveryMethod::Query, "query"}}) {
        if (on && !AnswerFitsMethod(options.discoverAnswer, method)) {
            error = "--discover-answer " +
                    std::string(DiscoveryAnswerName(options.discoverAnswer)) +
                    " does not apply to the " + name + " method";
            return false;
        }
    }
    if (!options.help && !options.pty && !options.tcp && !discover) {
        error = "nothing to serve: give --pty, --link PATH, --tcp ADDRESS[:PORT] or --discover";
        return false;
    }
    return true;
}

static std::string KnownModelList() {
    std::string list;
    for (std::string_view model : kKnownModels) {
        if (!list.empty()) list += ' ';
        list += model;
    }
    return list;
}

std::string SimUsage() {
    std::string defaults = std::string(kDefaultMaker) + "," + std::string(kDefaultModel) + "," +
                           std::string(kDefaultSerial);
    return R"(usage: orvane2-sim [OPTIONS]
A simulated instrument for Orvane2, on a pseudo-terminal, on TCP, or both.

Endpoints (at least one):
  --pty                  serve on a new pseudo-terminal; prints "pty: DEVICE"
  --link PATH            also make PATH a symlink to it (implies --pty); prints "link: PATH"
  --tcp ADDRESS[:PORT]   listen on an IPv4 address, port 10001 unless given (0 picks
                         a free one); prints "tcp: ADDRESS:PORT"
Identity and texts:
  --maker TEXT --model TEXT --serial TEXT
                         the fields of the "*IDN?" answer ()" +
           defaults + R"()
  --fields A,B,...       further identity fields after the serial number ()" +
           std::string(kDefaultFirmwareField) + R"()
  --identity TEXT        the whole "*IDN?" answer instead of the fields above
  --calstr TEXT --calver TEXT --version TEXT
                         answers to "calstr?", "calver?" and "version?";
                         --version alone prints this program's version
  --bootcode             answer "*IDN?" as an instrument running only its bootloader
Models (--model) from each row of the model table:
  )" + KnownModelList() +
           R"(
Faults:
  --silent               never answer
  --idn-from N           answer "*IDN?" only from the Nth query on
  --hang-up-after N      drop the connection after sending N bytes (TCP: the
                         client may connect again; pty: the device goes away)
  --trickle MS           send replies one byte every MS milliseconds
  --flood                once spoken to, send numbered lines without end
  --flood-raw            the same without line ends
  --flood-count N        on the first command not known, send N numbered lines as
                         fast as the link takes them, then nothing more
LAN discovery:
  --discover METHODS     answer the discovery queries: echo, query or both; prints
                         "discovery: METHOD ADDRESS:PORT" for each address
  --discover-on A,B,...  answer on these addresses (one instrument each) rather
                         than the --tcp address (127.0.0.1 unless given)
  --discover-answer FORM valid (default), silent, empty, oversized; for echo also
                         other-port, short, not-a; for query also length-29,
                         length-31, wrong-marker
  --echo-port N --query-port N
                         where the queries come to (65535 and 30718)
Bootloader:
)" + BootloaderUsage() +
           R"(Other:
  --trace                show received commands and connections on stderr
  --help                 this text

Commands answered: *IDN?, calstr?, calver?, version?, read?, temp?, freq? (text
values) and readbin? (4-byte binary value, then CR LF). Commands end at LF or CR;
DC4, a zero byte, ESC and "^[" discard a half-typed command; anything else is
ignored. "ready" is printed once every endpoint listens. SIGINT or SIGTERM ends.
)";
}

}  // namespace orvane::sim
