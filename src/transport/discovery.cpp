#include "transport/discovery.h"

#include <cstring>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/text.h"
#include "transport/discovery_targets.h"
#include "transport/udp_socket.h"

namespace orvane::transport {

struct Discovery::Method {
    const char* name;
    uint16_t localPort;
    uint16_t queryPort;
    const uint8_t* query;
    std::size_t queryLength;
    bool echo;
    uint16_t tcpPort;  // what an echo answer names
};

namespace {

using Method = Discovery::Method;

// Datagrams taken in one check at most, so that a flood cannot hold a check
// beyond its turn.
constexpr int kMaxDatagramsPerCheck = 4096;

bool IsAnswer(const Method& m, const uint8_t* data, std::size_t length) {
    return m.echo ? IsEchoAnswer(data, length, m.tcpPort) : IsQueryAnswer(data, length);
}

void Trace(platform::Diagnostics* diagnostics, const Method& m, const std::string& text) {
    platform::TraceLine(diagnostics, std::string("LAN discovery (") + m.name + "): " + text + "\n");
}

struct Tally {
    uint32_t datagrams = 0;
    uint32_t strangers = 0;  // valid answers from addresses not searched
};

// Takes what has arrived. Every datagram waiting is looked at, not just one:
// with more instruments than checks, answers left in the socket would be lost.
// A flood is cut off when the next check falls due, so the checks keep time.
void Check(platform::Clock& clock, const Method& m, UdpSocket& socket, FoundInstrument* list,
           int count, int& found, Tally& tally, uint32_t queryStart, uint32_t nextCheckMs) {
    for (int taken = 0; taken < kMaxDatagramsPerCheck; ++taken) {
        uint8_t buffer[kAnswerBufferSize] = {};
        uint32_t sender = 0;
        int n = socket.ReceiveFrom(sender, buffer, sizeof buffer);
        if (n <= 0) return;
        ++tally.datagrams;
        if (IsAnswer(m, buffer, static_cast<std::size_t>(n))) {
            if (socket.SenderSearched(sender)) {
                int position = AddFoundAddress(sender, list, count);
                if (position > 0) found = position;
            } else {
                ++tally.strangers;
            }
        }
        if (platform::TicksSince(clock.TickCount(), queryStart) >= nextCheckMs) return;
    }
}

}  // namespace

int Discovery::Discover(const Method& m, FoundInstrument* list, int count) {
    if (!list || count <= 0) return 0;
    for (int i = 0; i < count; ++i) list[i] = FoundInstrument{};
    int found = 0;
    std::string note;
    std::vector<uint32_t> targets = ResolveDiscoveryTargets(settings_.addresses, &note);
    if (targets.empty()) {
        Trace(settings_.diagnostics, m, "nothing sent: " + note);
        return 0;
    }
    UdpSocket socket(m.localPort, std::move(targets));
    if (!socket.IsOpen()) {
        Trace(settings_.diagnostics, m, "nothing sent: " + socket.LastError());
        return 0;
    }
    Trace(settings_.diagnostics, m,
          "query to port " + std::to_string(m.queryPort) + " of " +
              std::to_string(socket.TargetCount()) + " address(es), " + note);
    platform::ClockOrSystem clock(settings_.clock);
    Tally tally;
    for (int q = 0; q < kQueriesPerMethod; ++q) {
        // The result does not decide anything: answers may come to a query that
        // reached only some of the targets. The trace says which failed.
        int sent = socket.SendTo(m.query, m.queryLength, m.queryPort);
        const std::string& why = socket.LastError();
        if (sent > 0) {
            Trace(settings_.diagnostics, m, "the socket did not take the query");
        } else if (!why.empty()) {
            Trace(settings_.diagnostics, m, "send failed: " + why);
        }
        uint32_t start = clock->TickCount();
        for (uint32_t nextCheck = kCheckIntervalMs;; nextCheck += kCheckIntervalMs) {
            Check(*clock, m, socket, list, count, found, tally, start, nextCheck);
            uint32_t spent = platform::TicksSince(clock->TickCount(), start);
            if (spent >= kListenMs) break;
            if (spent < nextCheck) clock->Sleep(nextCheck - spent);
        }
    }
    socket.Close();
    Trace(settings_.diagnostics, m,
          std::to_string(tally.datagrams) + " datagram(s), " + std::to_string(tally.strangers) +
              " answer(s) from addresses not searched ignored, " + std::to_string(found) +
              " address(es) listed");
    return found;
}

bool IsEchoAnswer(const uint8_t* data, std::size_t length, uint16_t tcpPort) {
    if (!data || length < kEchoAnswerMinLength || data[0] != 'A') return false;
    std::string_view text(reinterpret_cast<const char*>(data), length);
    std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return false;
    // Compared as a number: leading zeros and whatever follows the digits do not
    // matter, but a sign is no part of a port.
    std::string_view port = text.substr(slash + 1);
    if (port.empty() || port[0] < '0' || port[0] > '9') return false;
    return platform::ReadDecimal(port, {}).value == tcpPort;
}

bool IsQueryAnswer(const uint8_t* data, std::size_t length) {
    return data && length == kQueryAnswerLength && data[3] == kQueryAnswerMarker;
}

int AddFoundAddress(uint32_t address, FoundInstrument* list, int count) {
    if (!list) return -1;
    std::string text = Ipv4Text(address);
    for (int i = 0; i < count; ++i) {
        if (list[i].ipText.empty()) {
            list[i].ipText = text;
            return i + 1;
        }
        if (list[i].ipText == text) return -1;
    }
    return -1;
}

int Discovery::DiscoverByEcho(FoundInstrument* list, int count) {
    const DiscoverySettings& p = settings_;
    return Discover(
        {"echo", p.echoLocal, p.echoQuery, kEchoQuery, sizeof kEchoQuery, true, p.tcpPort}, list,
        count);
}

int Discovery::DiscoverByQuery(FoundInstrument* list, int count) {
    const DiscoverySettings& p = settings_;
    return Discover(
        {"query", p.queryLocal, p.queryQuery, kQueryQuery, sizeof kQueryQuery, false, p.tcpPort},
        list, count);
}

std::string Discovery::RejectedAddresses(std::string* source) const {
    return RejectedDiscoveryAddresses(settings_.addresses, source);
}

}  // namespace orvane::transport
