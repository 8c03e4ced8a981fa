#pragma once
// Gathers received bytes into command lines.
//
// A command ends at a line feed or a carriage return, so that a person typing in
// a terminal program gets an answer; CR LF ends it once, because the empty line
// between the two is no command. DC4, a zero byte, ESC and the two characters
// "^[" throw away whatever has been typed so far: the console sends them to wake
// the instrument, and over TCP a zero byte follows every command.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace orvane::sim {

inline constexpr uint8_t kDc4 = 0x14;
inline constexpr uint8_t kEsc = 0x1B;

class LineAssembler {
  public:
    // Longer commands are dropped whole rather than answered cut short.
    static constexpr std::size_t kMaxCommand = 255;

    // The finished command when this byte ended a non-empty one.
    std::optional<std::string> Add(uint8_t byte);
    void Reset();

  private:
    std::string text_;
    bool overlong_ = false;
    uint8_t previous_ = 0;
};

}  // namespace orvane::sim
