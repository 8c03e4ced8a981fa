#include "connection/lan_find_dialog_probe.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

#include "connection/lan_search_texts.h"
#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "transport/channel.h"
#include "transport/comms_log.h"
#include "transport/connection_record.h"

namespace orvane::connection {

using transport::ConnectionRecord;

namespace {

constexpr uint32_t kWaitStepMs = 5;

// A line as the channel reads one (line feed ends it, carriage returns dropped,
// the excess of a long line dropped), with the LAN time-out for each byte and a
// limit for the whole line. Characters stored, or -1.
int ReceiveReply(ConnectionRecord& r, std::string& reply) {
    reply.clear();
    platform::ClockOrSystem clock(r.linkOptions.clock);
    const uint32_t start = clock->TickCount();
    for (;;) {
        int b = transport::ChannelReadByte(r);
        if (b == -2) {
            const uint32_t waitStart = clock->TickCount();
            do {
                uint32_t now = clock->TickCount();
                uint32_t waited = platform::TicksSince(now, waitStart);
                uint32_t spent = platform::TicksSince(now, start);
                uint32_t timeout = r.linkOptions.lanTimeoutMs;
                if (waited >= timeout || spent >= kIdentityReplyLimitMs) return -1;
                uint32_t step =
                    std::min({kWaitStepMs, timeout - waited, kIdentityReplyLimitMs - spent});
                clock->WaitReadable(transport::ChannelDescriptor(r), step);
                b = transport::ChannelReadByte(r);
            } while (b == -2);
        }
        if (b < 0) return -1;
        if (b == '\n') return static_cast<int>(reply.size());
        if (platform::TicksSince(clock->TickCount(), start) >= kIdentityReplyLimitMs) return -1;
        if (b == '\r') continue;
        if (reply.size() + 1 < kIdentityBufferSize) reply += static_cast<char>(b);
    }
}

void TraceCheck(platform::Diagnostics* diagnostics, const std::string& ipText,
                const ProbeResult& result, int openError) {
    std::string line = "LAN find: " + ipText + ": ";
    switch (result.outcome) {
        case ProbeOutcome::Identified:
            line += result.reply;
            break;
        case ProbeOutcome::NoConnection:
            line += std::string(kConnectionFailed1) + " (" +
                    (openError ? std::strerror(openError) : "no connection") + ")";
            break;
        case ProbeOutcome::NoAnswer:
            line += kConnectionFailed2;
            break;
        case ProbeOutcome::NotIdentity:
            line += std::string(kConnectionFailed3) + " (\"" + result.reply + "\")";
            break;
    }
    line += " in " + std::to_string(result.elapsedMs) + " ms\n";
    platform::TraceLine(diagnostics, line);
}

}  // namespace

ProbeResult ProbeAddress(const std::string& ipText, const transport::LinkOptions& options) {
    platform::ClockOrSystem clock(options.clock);
    const uint32_t start = clock->TickCount();
    // Each check has its own record: the checks run side by side, and the
    // program's own record is not touched.
    auto record = std::make_unique<ConnectionRecord>();
    record->interfaceKind = transport::InterfaceKind::Lan;
    record->ipAddress = ipText;
    record->linkOptions = options;

    ProbeResult result;
    if (transport::OpenChannel(*record) != 0) {
        result.outcome = ProbeOutcome::NoConnection;
    } else {
        std::string reply;
        int count = -1;
        // A failed send cannot bring an answer; no use waiting for one.
        if (transport::ChannelSend(kIdentityQuery, *record) == 0) {
            count = ReceiveReply(*record, reply);
            // Read as text, the reply ends at a zero byte in it.
            reply.resize(std::min(reply.size(), reply.find('\0')));
            transport::CommsLogReceive(reply, *record);
        }
        if (count < 1) {
            result.outcome = ProbeOutcome::NoAnswer;
        } else {
            result.reply = reply;
            // An answer whose text is empty (it began with a zero byte) is no identity
            // either; it is listed as such rather than left out of the list.
            bool identity = !result.reply.empty() && result.reply.find(',') != std::string::npos;
            result.outcome = identity ? ProbeOutcome::Identified : ProbeOutcome::NotIdentity;
        }
    }
    int openError = record->openError;
    transport::CloseChannel(*record);
    result.elapsedMs = platform::TicksSince(clock->TickCount(), start);
    TraceCheck(options.diagnostics, ipText, result, openError);
    return result;
}

std::vector<ProbeResult> ProbeAddresses(const std::vector<std::string>& addresses,
                                        const transport::LinkOptions& options, int workers) {
    // An instrument that answered both methods is listed twice. It is asked
    // once: two connections at the same moment would make one of them fail
    // against an instrument that serves one client at a time.
    std::vector<std::string> distinct;
    std::vector<std::size_t> slot(addresses.size());
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        auto it = std::find(distinct.begin(), distinct.end(), addresses[i]);
        slot[i] = static_cast<std::size_t>(it - distinct.begin());
        if (it == distinct.end()) distinct.push_back(addresses[i]);
    }
    std::vector<ProbeResult> probed(distinct.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < distinct.size(); i = next++)
            probed[i] = ProbeAddress(distinct[i], options);
    };
    std::size_t helpers =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(workers, 1)), distinct.size());
    std::vector<std::thread> pool;
    for (std::size_t k = 1; k < helpers; ++k) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            // No more threads to be had: those running and this one share the rest.
            break;
        }
    }
    work();
    for (std::thread& t : pool) t.join();
    std::vector<ProbeResult> results(addresses.size());
    for (std::size_t i = 0; i < addresses.size(); ++i) results[i] = probed[slot[i]];
    return results;
}

}  // namespace orvane::connection
