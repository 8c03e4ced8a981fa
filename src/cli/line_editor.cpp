#include "cli/line_editor.h"

namespace orvane::cli {

LineEditor::Event NextPlainLine(std::string& input, bool eof) {
    LineEditor::Event e;
    std::size_t nl = input.find('\n');
    if (nl != std::string::npos) {
        e.kind = LineEditor::Event::Line;
        e.line = input.substr(0, nl);
        if (!e.line.empty() && e.line.back() == '\r') e.line.pop_back();
        input.erase(0, nl + 1);
    } else if (eof) {
        e.kind = input.empty() ? LineEditor::Event::End : LineEditor::Event::Line;
        e.line.swap(input);
    }
    return e;
}

}  // namespace orvane::cli
