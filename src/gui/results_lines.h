#pragma once
// What the results pane holds: the latest lines received, each with the time it
// began, and how many older lines made room for them. Lines are kept as bytes
// without their line ends; a line is numbered from the first since the pane was
// last cleared, so a position stays on its line while older ones are dropped.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace orvane::gui {

class ResultsLines {
  public:
    // Keeps this many whole lines, and the line still arriving.
    explicit ResultsLines(std::size_t maxLines);

    // CR is dropped and LF ends a line, as the pane shows them. Each line the
    // text begins is stamped `stamp`.
    void Append(std::string_view text, int64_t stamp);
    void Clear();

    // Numbers of the first line kept and one past the last: the last is the
    // line still arriving, empty when the text so far ends its line.
    uint64_t First() const { return dropped_; }
    uint64_t End() const { return dropped_ + lines_.size(); }
    std::size_t Count() const { return lines_.size(); }
    // How many older lines were dropped since the last Clear.
    uint64_t Dropped() const { return dropped_; }
    // The longest line seen since the last Clear, in bytes.
    std::size_t Longest() const { return longest_; }

    // Line `n`, First() <= n < End().
    const std::string& Text(uint64_t n) const { return lines_[n - dropped_].text; }
    // When line `n` began, or -1 for a line not begun yet.
    int64_t Stamp(uint64_t n) const { return lines_[n - dropped_].stamp; }

    // The lines kept, each ended with CR LF but the last. With `stamp`, each
    // begun line is preceded by stamp(time) and a space.
    std::string Joined(const std::function<std::string(int64_t)>& stamp = {}) const;

  private:
    struct Line {
        std::string text;
        int64_t stamp = -1;
    };
    void DropOldest();

    std::deque<Line> lines_;
    std::size_t maxLines_;
    uint64_t dropped_ = 0;
    std::size_t longest_ = 0;
};

}  // namespace orvane::gui
