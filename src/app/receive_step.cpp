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
    // The lines of a call reach the pane in one append: a pane's cost is per
    // append far more than per byte.
    struct ShowOnReturn {
        std::string& shown;
        ui::TextBox& results;
        ~ShowOnReturn() {
            if (shown.empty()) return;
            results.AppendText(shown);
            shown.clear();
        }
    } show{shown_, results};
    uint8_t chunk[16384];
    int n = 0;
    for (std::size_t left = bytesPerRun_; left > 0; left -= static_cast<std::size_t>(n)) {
        n = transport::ChannelReadBytes(record, chunk, std::min(sizeof chunk, left));
        if (n == 0) return Result::Idle;
        if (n < 0) {
            FinishLine(record, convertBinary, counter);
            return Result::ReadFailure;
        }
        for (int i = 0; i < n;) {
            // The run up to the next line end (or as much as the line buffer takes).
            const int limit = std::min(n, i + static_cast<int>(kReceiveBufferSize - 1 - count_));
            int end = i;
            uint8_t seen = 0;  // any byte with the top bit set shows here
            while (end < limit && !IsLineEnd(chunk[end])) seen |= chunk[end++];
            lineHasHigh_ = lineHasHigh_ || (seen & 0x80) != 0;
            const bool ended = end < n && IsLineEnd(chunk[end]);
            const std::string_view run(reinterpret_cast<const char*>(chunk + i),
                                       static_cast<std::size_t>(end - i));
            if (count_ == 0 && (ended || run.size() == kReceiveBufferSize - 1)) {
                // A whole line in the chunk goes out without a copy into the line buffer.
                ShowLine(run, record, convertBinary, counter);
            } else {
                std::memcpy(&line_[count_], run.data(), run.size());
                count_ += run.size();
                if (ended || count_ == kReceiveBufferSize - 1)
                    FinishLine(record, convertBinary, counter);
            }
            i = ended ? end + 1 : end;
        }
    }
    return Result::Idle;
}

void ReceiveStep::FinishLine(const transport::ConnectionRecord& record, bool convertBinary,
                             const LineCounter& counter) {
    ShowLine(std::string_view(line_.data(), count_), record, convertBinary, counter);
}

void ReceiveStep::ShowLine(std::string_view line, const transport::ConnectionRecord& record,
                           bool convertBinary, const LineCounter& counter) {
    if (line.empty()) return;
    transport::CommsLogReceive(line, record);
    if (!convertBinary || !lineHasHigh_) {
        shown_ += line;
        shown_ += "\r\n";
    } else {
        // A converted line that would not fit (each binary value grows to a dozen
        // characters) is cut rather than written past the buffer.
        const std::size_t room = kReceiveBufferSize - 1;
        std::size_t out = 0;
        for (std::size_t i = 0; i < line.size() && out < room;) {
            auto c = static_cast<uint8_t>(line[i]);
            if (c < 0x80) {
                converted_[out++] = static_cast<char>(c);
                ++i;
                continue;
            }
            // A binary value is four bytes; at the end of a line the missing ones read as zero.
            uint8_t value[4] = {0, 0, 0, 0};
            std::memcpy(value, &line[i], std::min<std::size_t>(4, line.size() - i));
            const std::string text = transport::BinaryValueText(value);
            std::size_t n = std::min(text.size(), room - out);
            std::memcpy(&converted_[out], text.data(), n);
            out += n;
            i += 4;
        }
        shown_.append(converted_.data(), out);
        shown_ += "\r\n";
    }
    if (counter) counter(line.size());
    count_ = 0;
    lineHasHigh_ = false;
}

}  // namespace orvane::app
