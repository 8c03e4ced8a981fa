#pragma once
// The command line of orvane2-sim.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/discovery_answer.h"
#include "sim/instrument_config.h"
#include "sim/tcp_endpoint.h"

namespace orvane::sim {

struct SimOptions {
    InstrumentConfig config;
    bool help = false;
    // "--version" alone: the program's version, not the instrument's answer.
    bool programVersion = false;
    bool trace = false;
    bool pty = false;
    std::string link;  // symlink to the pseudo-terminal; implies pty
    bool tcp = false;
    std::string tcpAddress = "127.0.0.1";
    uint16_t tcpPort = kInstrumentTcpPort;
    // LAN discovery responders: none, one method or both, on the TCP address
    // unless other addresses are named.
    bool discoverEcho = false;
    bool discoverQuery = false;
    std::vector<std::string> discoverAddresses;
    DiscoveryAnswer discoverAnswer = DiscoveryAnswer::Valid;
    uint16_t echoPort = kEchoDiscoveryPort;
    uint16_t queryPort = kQueryDiscoveryPort;
};

// False, with the reason in error, when the command line is not understood.
bool ParseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error);

std::string SimUsage();

// Exit status of a command line that is not understood, as the other programs'.
inline constexpr int kSimUsageError = 64;

}  // namespace orvane::sim
