#pragma once
// Moves every byte the channel has received into the results pane, line by
// line, turning binary reply values into text while "Convert Binary" is on.
// The lines a call finishes reach the pane in one append; each goes to the
// comms log as it was received.

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "transport/connection_record.h"

namespace orvane::ui {
class TextBox;
}

namespace orvane::app {

inline constexpr std::size_t kReceiveBufferSize = 20480;
// At most this much is taken in one call, so that an instrument sending faster
// than the pane can show it still leaves the window time to answer the user.
inline constexpr std::size_t kReceiveBytesPerRun = 1 << 20;

class ReceiveStep {
  public:
    enum class Result { Idle, ReadFailure };

    // Called with the length of each raw line shown (the script engine counts them).
    using LineCounter = std::function<void(std::size_t)>;

    explicit ReceiveStep(std::size_t bytesPerRun = kReceiveBytesPerRun)
        : bytesPerRun_(bytesPerRun) {}

    // Takes the bytes waiting (up to the per-call limit), never waits. A line ends
    // at LF, CR or a zero byte, or at once when it reaches 20479 bytes; an
    // unfinished line stays for the next call. ReadFailure: the line or connection
    // failed; what had come of an unfinished line is shown first, as it is all the
    // instrument got to say.
    Result Run(transport::ConnectionRecord& record, ui::TextBox& results, bool convertBinary,
               const LineCounter& counter);

    // Forgets a partly received line (after a new connect).
    void Clear();
    std::size_t pending() const { return count_; }

  private:
    void FinishLine(const transport::ConnectionRecord& record, bool convertBinary,
                    const LineCounter& counter);
    // Shows a finished line (from the line buffer or straight from a chunk) and
    // starts the next.
    void ShowLine(std::string_view line, const transport::ConnectionRecord& record,
                  bool convertBinary, const LineCounter& counter);

    std::size_t bytesPerRun_;
    std::array<char, kReceiveBufferSize> line_{};
    std::size_t count_ = 0;
    bool lineHasHigh_ = false;  // the line holds a byte of 0x80 or above
    std::array<char, kReceiveBufferSize> converted_{};
    std::string shown_;  // the lines finished in this call, each with CR LF
};

}  // namespace orvane::app
