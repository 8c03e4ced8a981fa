#include "sim/sim_options.h"

#include <arpa/inet.h>

#include <charconv>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/text.h"

namespace orvane::sim {

namespace {

bool ParseNumber(std::string_view text, uint32_t max, uint32_t& out) {
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > max) {
        return false;
    }
    out = value;
    return true;
}

bool IsIpv4(const std::string& text) {
    in_addr check{};
    return inet_pton(AF_INET, text.c_str(), &check) == 1;
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
    in_addr check{};
    std::string addressText(address);
    if (inet_pton(AF_INET, addressText.c_str(), &check) != 1) return false;
    options.tcp = true;
    options.tcpAddress = addressText;
    return true;
}

std::vector<std::string> SplitFields(std::string_view text) {
    auto fields = platform::SplitSeparated(text, ',');
    return {fields.begin(), fields.end()};
}

}  // namespace

bool ParseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error) {
    InstrumentConfig& c = options.config;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto flag = [&](std::string_view name) { return arg == name; };
        // Options that take a value; the value is the next argument.
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
        auto number = [&](uint32_t& out) {
            if (ParseNumber(value, UINT32_MAX, out)) return true;
            error = std::string(arg) + ": not a number: " + value;
            return false;
        };

        if (flag("--help") || flag("-h")) {
            options.help = true;
        } else if (flag("--trace")) {
            options.trace = true;
        } else if (flag("--pty")) {
            options.pty = true;
        } else if (takes("--link")) {
            options.pty = true;
            options.link = value;
        } else if (takes("--tcp")) {
            if (!ParseTcp(value, options)) {
                error = std::string("--tcp: expected ADDRESS[:PORT], got ") + value;
                return false;
            }
        } else if (takes("--maker")) {
            c.maker = value;
        } else if (takes("--model")) {
            c.model = value;
        } else if (takes("--serial")) {
            c.serial = value;
        } else if (takes("--fields")) {
            c.furtherFields = SplitFields(value);
        } else if (takes("--identity")) {
            c.identity = value;
        } else if (takes("--calstr")) {
            c.calstr = value;
        } else if (takes("--calver")) {
            c.calver = value;
        } else if (takes("--version")) {
            c.version = value;
        } else if (flag("--bootcode")) {
            c.bootcode = true;
        } else if (flag("--silent")) {
            c.silent = true;
        } else if (takes("--idn-from")) {
            if (!number(c.idnFromQuery)) return false;
        } else if (takes("--hang-up-after")) {
            if (!number(c.hangUpAfterBytes)) return false;
        } else if (takes("--trickle")) {
            if (!number(c.trickleMs)) return false;
        } else if (flag("--flood")) {
            c.flood = true;
        } else if (flag("--flood-raw")) {
            c.flood = c.floodWithoutLineEnds = true;
        } else if (takes("--discover")) {
            std::string_view m = value;
            options.discoverEcho = m == "echo" || m == "both";
            options.discoverQuery = m == "query" || m == "both";
            if (!options.discoverEcho && !options.discoverQuery) {
                error = std::string("--discover: expected echo, query or both, got ") + value;
                return false;
            }
        } else if (takes("--discover-on")) {
            options.discoverAddresses = SplitFields(value);
            for (const std::string& a : options.discoverAddresses) {
                if (!IsIpv4(a)) {
                    error = "--discover-on: not an IPv4 address: " + a;
                    return false;
                }
            }
            if (options.discoverAddresses.empty()) {
                error = "--discover-on needs at least one address";
                return false;
            }
        } else if (takes("--discover-answer")) {
            if (!ParseDiscoveryAnswer(value, options.discoverAnswer)) {
                error = std::string("--discover-answer: unknown form: ") + value;
                return false;
            }
        } else if (takes("--echo-port") || takes("--query-port")) {
            uint32_t port = 0;
            if (!ParseNumber(value, 65535, port) || port == 0) {
                error = std::string(arg) + ": not a port number: " + value;
                return false;
            }
            (arg == "--echo-port" ? options.echoPort : options.queryPort) =
                static_cast<uint16_t>(port);
        } else if (takes("--bootloader")) {
            if (!ParseBootloaderOptions(value, c.bootloader, error)) return false;
        } else {
            if (error.empty()) error = "unknown option: " + std::string(arg);
            return false;
        }
    }
    if (!error.empty()) return false;
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
                         answers to "calstr?", "calver?" and "version?"
  --bootcode             answer "*IDN?" as an instrument running only its bootloader
Models (--model) from each row of the model table:
  )" + KnownModelList() + R"(
Faults:
  --silent               never answer
  --idn-from N           answer "*IDN?" only from the Nth query on
  --hang-up-after N      drop the connection after sending N bytes (TCP: the
                         client may connect again; pty: the device goes away)
  --trickle MS           send replies one byte every MS milliseconds
  --flood                once spoken to, send numbered lines without end
  --flood-raw            the same without line ends
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
)" + BootloaderUsage() + R"(Other:
  --trace                show received commands and connections on stderr
  --help                 this text

Commands answered: *IDN?, calstr?, calver?, version?, read?, temp?, freq? (text
values) and readbin? (4-byte binary value, then CR LF). Commands end at LF or CR;
DC4, a zero byte, ESC and "^[" discard a half-typed command; anything else is
ignored. "ready" is printed once every endpoint listens. SIGINT or SIGTERM ends.
)";
}

}  // namespace orvane::sim
