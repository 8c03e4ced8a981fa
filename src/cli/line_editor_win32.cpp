#include "cli/line_editor.h"
#include "cli/standard_output.h"
#include "cli/stdin_reader_win32.h"
#include "platform/win32_support.h"

namespace orvane::cli {
namespace {

// Longest line the shell's command line holds.
constexpr std::size_t kMaxLine = 259;

constexpr char kCtrlD = 0x04;
constexpr char kCtrlU = 0x15;

// stdin's console mode before Start, for Stop and for a stop event.
DWORD g_savedMode = 0;

HANDLE Stdin() {
    return ::GetStdHandle(STD_INPUT_HANDLE);
}

void RestoreSaved() {
    ::SetConsoleMode(Stdin(), g_savedMode);
}

}  // namespace

void LineEditor::Start() {
    if (started_) return;
    started_ = true;
    if (!interactive_) {
        stdin_reader::Start(false);
        return;
    }
    ::GetConsoleMode(Stdin(), &g_savedMode);
    signals_.emplace(StopSignals::Mode::Stop, RestoreSaved);
    // Keys one by one and no echo; Ctrl-C still interrupts.
    DWORD raw = g_savedMode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                                                  ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT);
    ::SetConsoleMode(Stdin(), raw | ENABLE_PROCESSED_INPUT);
    stdin_reader::Start(true);
    Redraw();
}

void LineEditor::Stop() {
    if (!started_) return;
    started_ = false;
    if (!interactive_) return;
    out_.Write("\r\x1b[K");
    RestoreSaved();
    signals_.reset();
}

void LineEditor::Read() {
    if (!stdin_reader::Take(input_)) eof_ = true;
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
    // The reader makes whole escape sequences, so none is ever cut short here.
    while (!input_.empty()) {
        auto c = static_cast<unsigned char>(input_[0]);
        if (c == 0x1b && input_.size() >= 3) {
            char final = input_[2];
            input_.erase(0, 3);
            e.kind = final == 'A' ? Event::Up : Event::Down;
            return e;
        }
        input_.erase(0, 1);
        if (c == '\r' || c == '\n') {
            e.kind = Event::Line;
            e.line.swap(line_);
            out_.Write("\r\x1b[K");
            Redraw();
            return e;
        }
        if (c == kCtrlD) {
            if (line_.empty()) {
                e.kind = Event::End;
                return e;
            }
        } else if (c == 0x7f || c == 0x08) {
            // One character, all of its bytes.
            while (!line_.empty() && (static_cast<unsigned char>(line_.back()) & 0xC0) == 0x80)
                line_.pop_back();
            if (!line_.empty()) line_.pop_back();
            Redraw();
        } else if (c == kCtrlU) {
            line_.clear();
            Redraw();
        } else if (c >= 0x20 && line_.size() < kMaxLine) {
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
    line_ = line.substr(0, kMaxLine);
    if (interactive_) Redraw();
}

void LineEditor::Redraw() {
    if (!interactive_) return;
    out_.Write("\r\x1b[K");
    out_.Write(kPrompt);
    out_.Write(line_);
}

}  // namespace orvane::cli
