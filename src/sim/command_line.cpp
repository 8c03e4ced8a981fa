#include "sim/command_line.h"

namespace orvane::sim {

std::optional<std::string> LineAssembler::Add(uint8_t byte) {
    if (byte == kDc4 || byte == 0 || byte == kEsc || (byte == '[' && previous_ == '^')) {
        Reset();
        return std::nullopt;
    }
    if (byte == '\n' || byte == '\r') {
        std::optional<std::string> done;
        if (!overlong_ && !text_.empty()) done = std::move(text_);
        Reset();
        return done;
    }
    previous_ = byte;
    if (text_.size() < kMaxCommand) {
        text_ += static_cast<char>(byte);
    } else {
        overlong_ = true;
    }
    return std::nullopt;
}

void LineAssembler::Reset() {
    text_.clear();
    overlong_ = false;
    previous_ = 0;
}

}  // namespace orvane::sim
