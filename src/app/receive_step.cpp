#include "app/receive_step.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "transport/channel.h"
#include "transport/comms_log.h"
#include "ui/controls.h"

namespace orvane::app {
namespace {

bool IsLineEnd(uint8_t c) {
    return c == '\n' || c == '\r' || c == 0;
}

}  // namespace

void ReceiveStep::Clear() {
    count_ = 0;
    lineHasHigh_ = false;
}

ReceiveStep::Result ReceiveStep::Run(transport::ConnectionRecord& record, ui::TextBox& results,
                                     bool convertBinary, const LineCounter& counter) {
    uint8_t chunk[16384];
    int n = 0;
    for (std::size_t left = bytesPerRun_; left > 0; left -= static_cast<std::size_t>(n)) {
        n = transport::ChannelReadBytes(record, chunk, std::min(sizeof chunk, left));
        if (n == 0) return Result::Idle;
        if (n < 0) {
            FinishLine(record, results, convertBinary, counter);
            return Result::ReadFailure;
        }
        for (int i = 0; i < n;) {
            // Copy the run up to the next line end (or the full buffer) at once.
            const int limit = std::min(n, i + static_cast<int>(kReceiveBufferSize - 1 - count_));
            int end = i;
            uint8_t seen = 0;  // any byte with the top bit set shows here
            while (end < limit && !IsLineEnd(chunk[end])) seen |= chunk[end++];
            lineHasHigh_ = lineHasHigh_ || (seen & 0x80) != 0;
            std::memcpy(&line_[count_], chunk + i, static_cast<std::size_t>(end - i));
            count_ += static_cast<std::size_t>(end - i);
            if (end < n && IsLineEnd(chunk[end])) {
                FinishLine(record, results, convertBinary, counter);
                i = end + 1;
            } else {
                if (count_ == kReceiveBufferSize - 1)
                    FinishLine(record, results, convertBinary, counter);
                i = end;
            }
        }
    }
    return Result::Idle;
}

void ReceiveStep::FinishLine(const transport::ConnectionRecord& record, ui::TextBox& results,
                             bool convertBinary, const LineCounter& counter) {
    if (count_ == 0) return;
    transport::CommsLogReceive(std::string_view(line_.data(), count_), record);
    if (!convertBinary || !lineHasHigh_) {
        // Shown as received: straight from the line buffer, which has room for the line end.
        line_[count_] = '\r';
        line_[count_ + 1] = '\n';
        results.AppendText(std::string_view(line_.data(), count_ + 2));
    } else {
        // A converted line that would not fit (each binary value grows to a dozen
        // characters) is cut rather than written past the buffer.
        const std::size_t room = kReceiveBufferSize - 1;
        std::size_t out = 0;
        for (std::size_t i = 0; i < count_ && out < room;) {
            auto c = static_cast<uint8_t>(line_[i]);
            if (c < 0x80) {
                converted_[out++] = static_cast<char>(c);
                ++i;
                continue;
            }
            // A binary value is four bytes; at the end of a line the missing ones read as zero.
            uint8_t value[4] = {0, 0, 0, 0};
            std::memcpy(value, &line_[i], std::min<std::size_t>(4, count_ - i));
            const std::string text = transport::BinaryValueText(value);
            std::size_t n = std::min(text.size(), room - out);
            std::memcpy(&converted_[out], text.data(), n);
            out += n;
            i += 4;
        }
        converted_[out++] = '\r';
        converted_[out++] = '\n';
        results.AppendText(std::string_view(converted_.data(), out));
    }
    if (counter) counter(count_);
    count_ = 0;
    lineHasHigh_ = false;
}

}  // namespace orvane::app
