#include "gui/results_lines.h"

#include <algorithm>

namespace orvane::gui {

ResultsLines::ResultsLines(std::size_t maxLines) : maxLines_(maxLines) {
    lines_.emplace_back();
}

void ResultsLines::Append(std::string_view text, int64_t stamp) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        Line& open = lines_.back();
        if (open.stamp < 0) open.stamp = stamp;
        for (std::string_view piece = text.substr(at, end - at); !piece.empty();) {
            const std::size_t cr = std::min(piece.find('\r'), piece.size());
            open.text.append(piece.substr(0, cr));
            piece.remove_prefix(std::min(cr + 1, piece.size()));
        }
        longest_ = std::max(longest_, open.text.size());
        if (end == text.size()) break;
        lines_.emplace_back();
        if (lines_.size() > maxLines_ + 1) DropOldest();
        at = end + 1;
    }
}

void ResultsLines::DropOldest() {
    lines_.pop_front();
    ++dropped_;
}

void ResultsLines::Clear() {
    lines_.clear();
    lines_.emplace_back();
    dropped_ = 0;
    longest_ = 0;
}

std::string ResultsLines::Joined(const std::function<std::string(int64_t)>& stamp) const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (stamp && line.stamp >= 0) out += stamp(line.stamp) + ' ';
        out += line.text;
        if (i + 1 < lines_.size()) out += "\r\n";
    }
    return out;
}

}  // namespace orvane::gui
