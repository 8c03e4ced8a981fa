#include "app/receive_step.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "transport/channel.h"
#include "ui/controls.h"

namespace orvane::app {
namespace {

bool IsLineEnd(uint8_t c) { return c == '\n' || c == '\r' || c == 0; }

bool HasHighBytes(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (static_cast<uint8_t>(p[i]) >= 0x80) return true;
    }
    return false;
}

}  // namespace

void ReceiveStep::Clear() { count_ = 0; }

ReceiveStep::Result ReceiveStep::Run(transport::ConnectionRecord& record, ui::TextBox& results, bool convertBinary,
                                     const LineCounter& counter) {
    uint8_t chunk[4096];
    for (;;) {
        int n = transport::ChannelReadBytes(record, chunk, sizeof chunk);
        if (n == 0) return Result::Idle;
        if (n < 0) return Result::ReadFailure;
        for (int i = 0; i < n;) {
            // Copy the run up to the next line end (or the full buffer) at once.
            const int limit = std::min(n, i + static_cast<int>(kReceiveBufferSize - 1 - count_));
            int end = i;
            while (end < limit && !IsLineEnd(chunk[end])) ++end;
            std::memcpy(&line_[count_], chunk + i, static_cast<std::size_t>(end - i));
            count_ += static_cast<std::size_t>(end - i);
            if (end < n && IsLineEnd(chunk[end])) {
                FinishLine(results, convertBinary, counter);
                i = end + 1;
            } else {
                if (count_ == kReceiveBufferSize - 1) FinishLine(results, convertBinary, counter);
                i = end;
            }
        }
    }
}

void ReceiveStep::FinishLine(ui::TextBox& results, bool convertBinary, const LineCounter& counter) {
    if (count_ == 0) return;
    std::size_t out = 0;
    if (!convertBinary || !HasHighBytes(line_.data(), count_)) {
        std::memcpy(converted_.data(), line_.data(), count_);
        out = count_;
    }
    // A converted line that would not fit (each binary value grows to a dozen
    // characters) is cut rather than written past the buffer.
    const std::size_t room = kReceiveBufferSize - 1;
    for (std::size_t i = out; i < count_ && out < room;) {
        auto c = static_cast<uint8_t>(line_[i]);
        if (c < 0x80 || !convertBinary) {
            converted_[out++] = static_cast<char>(c);
            ++i;
            continue;
        }
        // A binary value is four bytes; at the end of a line the missing ones read as zero.
        uint8_t value[4] = {0, 0, 0, 0};
        std::memcpy(value, &line_[i], std::min<std::size_t>(4, count_ - i));
        char text[32];
        transport::DecodeBinaryValue(value, text, sizeof text);
        std::size_t n = std::min(std::strlen(text), room - out);
        std::memcpy(&converted_[out], text, n);
        out += n;
        i += 4;
    }
    converted_[out++] = '\r';
    converted_[out++] = '\n';
    results.AppendText(std::string_view(converted_.data(), out));
    if (counter) counter(count_);
    count_ = 0;
}

}  // namespace orvane::app
