#include "app/command_history.h"

namespace orvane::app {

void CommandHistory::Add(std::string_view line) {
    for (int i = 0; i < kSlots; ++i) {
        if (!slots_[static_cast<std::size_t>(i)]) {
            slots_[static_cast<std::size_t>(i)] = std::string(line);
            current_ = i;
            return;
        }
    }
    for (int i = 1; i < kSlots; ++i)
        slots_[static_cast<std::size_t>(i - 1)] = std::move(slots_[static_cast<std::size_t>(i)]);
    slots_[kSlots - 1] = std::string(line);
    current_ = kSlots - 1;
}

std::optional<std::string> CommandHistory::Previous() {
    if (--current_ < 0) {
        current_ = -1;
        for (int i = kSlots - 1; i >= 0; --i) {
            if (slots_[static_cast<std::size_t>(i)]) {
                current_ = i;
                break;
            }
        }
        if (current_ < 0) {
            current_ = 0;
            return std::nullopt;
        }
    }
    return slots_[static_cast<std::size_t>(current_)];
}

std::optional<std::string> CommandHistory::Next() {
    if (++current_ >= kSlots || !slots_[static_cast<std::size_t>(current_)]) current_ = 0;
    return slots_[static_cast<std::size_t>(current_)];
}

}  // namespace orvane::app
