#pragma once
// The command line of orvane2-cli.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transport/connection_record.h"

namespace orvane::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // a failed test, a refused question, nothing found
inline constexpr int kExitOutputFailed =
    1;  // stdout or the comms log could not be written (a closed pipe aside)
inline constexpr int kExitSendFailed =
    2;  // a command could not be sent; an upgrade failed once started
inline constexpr int kExitNoConnection = 3;
inline constexpr int kExitBadFile = 4;
inline constexpr int kExitUsage = 64;

struct CliOptions {
    // The connection; kind None means "as the settings file says".
    transport::InterfaceKind kind = transport::InterfaceKind::None;
    std::string device;  // --usb / --serial
    uint32_t baud = 9600;
    bool baudGiven = false;
    std::string address;  // --lan
    bool demo = false;

    std::optional<std::string> settingsFile;
    bool trace = false;
    std::string commsLog;
    bool yes = false;
    bool noColor = false;
    uint32_t quietMs = 500;
    bool timestamps = false;
    bool json = false;
    bool help = false;
    std::string helpCommand;  // with help: the command whose help is asked for
    bool version = false;

    std::string command;
    std::vector<std::string> args;
};

// After a usage error's own line; the COMMAND form when the command is known.
inline constexpr char kTryHelp[] = "try 'orvane2-cli --help'\n";
inline constexpr char kTryCommandHelp[] = "try 'orvane2-cli %s --help'\n";

// False with a message when the command line is not usable.
bool ParseCliOptions(int argc, const char* const* argv, CliOptions& options, std::string& error);
std::string CliUsage();
// One command's usage and what it does; "" for a command there is not.
std::string CommandUsage(const std::string& command);
std::string CliVersion();

}  // namespace orvane::cli
