#include "app/receive_step.h"

#include <cstring>
#include <string_view>

#include "transport/channel.h"
#include "ui/controls.h"

namespace orvane::app {

void ReceiveStep::Clear() { count_ = 0; }

ReceiveStep::Result ReceiveStep::Run(transport::ConnectionRecord& record, ui::TextBox& results, bool convertBinary,
                                     const LineCounter& counter) {
    for (;;) {
        int b = transport::ChannelReadByte(record);
        if (b == -2) return Result::Idle;
        if (b < 0) return Result::ReadFailure;
        if (b == '\n' || b == '\r' || b == 0) {
            FinishLine(results, convertBinary, counter);
            continue;
        }
        line_[count_++] = static_cast<char>(b);
        if (count_ == kReceiveBufferSize - 1) FinishLine(results, convertBinary, counter);
    }
}

void ReceiveStep::FinishLine(ui::TextBox& results, bool convertBinary, const LineCounter& counter) {
    if (count_ == 0) return;
    std::size_t out = 0;
    // A converted line that would not fit (each binary value grows to a dozen
    // characters) is cut rather than written past the buffer.
    const std::size_t room = kReceiveBufferSize - 1;
    for (std::size_t i = 0; i < count_ && out < room;) {
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
