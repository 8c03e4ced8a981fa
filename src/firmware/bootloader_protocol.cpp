#include "firmware/bootloader_protocol.h"

#include <cstring>

#include "platform/clock.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "transport/channel.h"

namespace orvane::firmware {
namespace {

constexpr uint64_t kSmallDoneLimit = 20'000'000;
// How long to look out for a reply before reading it; see AwaitReply.
constexpr uint32_t kReplyGlanceMs = 50;

// The value of count hex digits at text[at], or -1.
int64_t HexValue(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return -1;
    std::optional<uint32_t> value = platform::ReadHex(text.substr(at, count));
    return value ? int64_t{*value} : -1;
}

bool SendWentNowhere(int result, const transport::ConnectionRecord& record) {
    return record.interfaceKind == transport::InterfaceKind::Lan ? result < 0 : result <= 0;
}

// Waits briefly for the reply to reach the line before reading it, so that
// the usual reply is taken with one read rather than a failed non-blocking
// read, a wait and a second read: per record that is most of what the
// console adds to the link's own time. The wait is short because bytes that
// the driver has already taken in do not wake it; the read that follows has
// the channel's full time-out either way.
void AwaitReply(transport::ConnectionRecord& record) {
    bool lan = record.interfaceKind == transport::InterfaceKind::Lan;
    if (lan && transport::ChannelBuffered(record) > 0) return;
    int fd = transport::ChannelDescriptor(record);
    if (fd == transport::kInvalidHandle) return;
    platform::ClockOrSystem(record.linkOptions.clock)->WaitReadable(fd, kReplyGlanceMs);
}

}  // namespace

std::string_view SectorAccessCode(int32_t sector) {
    if (sector < 0 || sector >= static_cast<int32_t>(kSectorCodes.size())) return {};
    return kSectorCodes[static_cast<std::size_t>(sector)];
}

bool EndsInOk(std::string_view reply) {
    return reply.size() >= 2 && platform::EqualsNoCase(reply.substr(reply.size() - 2), "ok");
}

LoaderReply SendAndExpectOk(std::string_view text, transport::ConnectionRecord& record) {
    // What came in with the last reply answers an earlier command: an "ok"
    // said twice, or the answer to a resend queued behind a late one. Read as
    // the answer to this text it would put every later answer one behind, and
    // a refused record would pass as taken. The read of a reply takes in all
    // that has arrived, so looking at what it left costs no system call on
    // the usual path; when something is there, the line is drained of it.
    if (transport::ChannelBuffered(record) > 0) transport::ChannelDrain(record, 0);
    if (SendWentNowhere(transport::ChannelSend(text, record), record)) return {};
    AwaitReply(record);
    std::string got;
    transport::ChannelReceiveLine(got, kLoaderReplyCapacity, record);
    // What was read counts even when the line end never came, as the
    // instrument did say it.
    return {EndsInOk(got), got};
}

LoaderReply SendSectorCode(int32_t sector, transport::ConnectionRecord& record) {
    std::string_view code = SectorAccessCode(sector);
    if (code.empty()) return {};
    return SendAndExpectOk(code, record);
}

int32_t PercentDone(uint64_t total, uint64_t done) {
    if (total == 0) return 100;
    uint64_t percent;
    if (done <= kSmallDoneLimit) {
        percent = done * 100 / total + 1;
    } else {
        uint64_t hundredth = total / 100;
        if (hundredth == 0) return 100;
        percent = done / hundredth + 1;
    }
    return percent > 100 ? 100 : static_cast<int32_t>(percent);
}

uint32_t HexAddressTracker::Follow(std::string_view record) {
    if (record.empty() || record[0] != ':') return base_;
    int64_t count = HexValue(record, 1, 2);
    int64_t address = HexValue(record, 3, 4);
    int64_t type = HexValue(record, 7, 2);
    if (count < 0 || address < 0 || type < 0) return base_;
    if (type == 0) return base_ + static_cast<uint32_t>(address);
    if ((type == 2 || type == 4) && count == 2) {
        int64_t value = HexValue(record, 9, 4);
        if (value >= 0) base_ = static_cast<uint32_t>(value) << (type == 4 ? 16 : 4);
    }
    return base_;
}

std::string PrintableReply(std::string_view reply) {
    std::string out = "\"";
    for (char c : reply) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\') {
            out += platform::Format("\\x%02X", byte);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace orvane::firmware
