#pragma once
// The LAN Find Instrument dialog's check of each found address: a short-lived
// TCP channel on a record of its own, "*IDN?\n", and the answer. The checks of
// a search run side by side, so a list with unreachable addresses in it is
// ready in about the time of the slowest check rather than of all of them.

#include <cstdint>
#include <string>
#include <vector>

#include "transport/link.h"

namespace orvane::connection {

enum class ProbeOutcome {
    Identified,    // an answer with a comma
    NoConnection,  // "Connection Failed 1"
    NoAnswer,      // "Connection Failed 2"
    NotIdentity,   // "Connection Failed 3"
};

struct ProbeResult {
    ProbeOutcome outcome = ProbeOutcome::NoConnection;
    std::string reply;       // the answer as read, at most 127 characters
    uint32_t elapsedMs = 0;  // how long the check took
};

inline constexpr std::size_t kIdentityBufferSize = 128;
// Checks running at once at most.
inline constexpr int kLanFindWorkers = 32;
// The whole answer must be in within this, however it trickles: a peer that
// never ends its line cannot hold the dialog.
inline constexpr uint32_t kIdentityReplyLimitMs = 3000;

// One address (dotted text), over a link made with options: its LAN time-out
// is the reply time-out of each byte.
ProbeResult ProbeAddress(const std::string& ipText, const transport::LinkOptions& options);

// Every address, at most workers at a time (1: one after another on this
// thread); the results in the order of the addresses.
std::vector<ProbeResult> ProbeAddresses(const std::vector<std::string>& addresses,
                                        const transport::LinkOptions& options,
                                        int workers = kLanFindWorkers);

}  // namespace orvane::connection
