#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "cli/line_editor.h"
#include "cli/standard_output.h"

namespace orvane::cli {
namespace {

termios g_saved{};

void RestoreSaved() {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
}

}  // namespace

void LineEditor::Start() {
    if (started_) return;
    started_ = true;
    if (!interactive_) return;
    ::tcgetattr(STDIN_FILENO, &g_saved);
    signals_.emplace(StopSignals::Mode::Stop, RestoreSaved);
    termios raw = g_saved;
    // Keys one by one and no echo; Ctrl-C still interrupts.
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw);
    Redraw();
}

void LineEditor::Stop() {
    if (!started_) return;
    started_ = false;
    if (!interactive_) return;
    out_.Write("\r\x1b[K");
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
    signals_.reset();
}

void LineEditor::Read() {
    char buf[4096];
    ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n > 0) {
        input_.append(buf, static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        eof_ = true;
    }
}

LineEditor::Event LineEditor::Next() {
    Event e;
    if (!interactive_) {
        std::size_t nl = input_.find('\n');
        if (nl != std::string::npos) {
            e.kind = Event::Line;
            e.line = input_.substr(0, nl);
            if (!e.line.empty() && e.line.back() == '\r') e.line.pop_back();
            input_.erase(0, nl + 1);
            return e;
        }
        if (eof_) {
            // A last line without its line end still counts.
            if (!input_.empty()) {
                e.kind = Event::Line;
                e.line.swap(input_);
                return e;
            }
            e.kind = Event::End;
        }
        return e;
    }
    while (!input_.empty()) {
        auto c = static_cast<unsigned char>(input_[0]);
        if (c == 0x1b) {
            if (input_.size() < 3) {
                if (!eof_) return e;  // the rest of the sequence is on its way
                input_.clear();
                break;
            }
            char final = input_[2];
            input_.erase(0, 3);
            if (final == 'A') e.kind = Event::Up;
            if (final == 'B') e.kind = Event::Down;
            if (e.kind != Event::None) return e;
            continue;
        }
        input_.erase(0, 1);
        if (c == '\r' || c == '\n') {
            e.kind = Event::Line;
            e.line.swap(line_);
            out_.Write("\r\x1b[K");
            Redraw();
            return e;
        }
        if (c == 0x04) {
            if (line_.empty()) {
                e.kind = Event::End;
                return e;
            }
        } else if (c == 0x7f || c == 0x08) {
            if (!line_.empty()) line_.pop_back();
            Redraw();
        } else if (c == 0x15) {
            line_.clear();
            Redraw();
        } else if (c >= 0x20 && line_.size() < 259) {
            line_ += static_cast<char>(c);
            out_.Write(std::string_view(reinterpret_cast<const char*>(&c), 1));
        }
    }
    if (eof_) e.kind = Event::End;
    return e;
}

void LineEditor::Print(std::string_view text) {
    if (!interactive_ || !started_) {
        out_.Write(text);
        return;
    }
    out_.Write("\r\x1b[K");
    out_.Write(text);
    Redraw();
}

void LineEditor::SetLine(const std::string& line) {
    line_ = line.substr(0, 259);
    if (interactive_) Redraw();
}

void LineEditor::Redraw() {
    if (!interactive_) return;
    out_.Write("\r\x1b[K");
    out_.Write(kPrompt);
    out_.Write(line_);
}

}  // namespace orvane::cli
