#pragma once
// The last 50 command lines sent, walked with Up and Down.

#include <array>
#include <optional>
#include <string>

namespace orvane::app {

class CommandHistory {
  public:
    static constexpr int kSlots = 50;

    // Into the first empty slot, or, when all are used, the oldest goes and the
    // new line takes the last slot. The current index moves to it.
    void Add(std::string_view line);
    // Up: one back, wrapping to the highest used slot. Nothing with no history.
    std::optional<std::string> Previous();
    // Down: one on, wrapping to the first slot at the end or an empty slot.
    std::optional<std::string> Next();

    int current() const { return current_; }
    const std::optional<std::string>& slot(int i) const {
        return slots_[static_cast<std::size_t>(i)];
    }

  private:
    std::array<std::optional<std::string>, kSlots> slots_;
    int current_ = 0;
};

}  // namespace orvane::app
