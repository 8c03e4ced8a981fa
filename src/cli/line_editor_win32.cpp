#include <algorithm>
#include <vector>

#include "cli/line_editor.h"
#include "cli/standard_output.h"
#include "platform/win32_support.h"

namespace orvane::cli {
namespace {

// Longest line the shell's command line holds.
constexpr std::size_t kMaxLine = 259;

constexpr char kCtrlD = 0x04;
constexpr char kCtrlU = 0x15;

// stdin's console mode before Start, for Stop and for a stop event.
DWORD g_savedMode = 0;
// The first half of a character outside the basic plane, when its second is still to come.
wchar_t g_highSurrogate = 0;

HANDLE Stdin() {
    return ::GetStdHandle(STD_INPUT_HANDLE);
}

void RestoreSaved() {
    ::SetConsoleMode(Stdin(), g_savedMode);
}

void AppendUtf8(std::string& out, wchar_t c) {
    wchar_t pair[2] = {c, 0};
    int units = 1;
    if (c >= 0xD800 && c <= 0xDBFF) {
        g_highSurrogate = c;
        return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
        if (!g_highSurrogate) return;
        pair[0] = g_highSurrogate;
        pair[1] = c;
        units = 2;
    }
    g_highSurrogate = 0;
    out += platform::Utf8(std::wstring_view(pair, static_cast<std::size_t>(units)));
}

// A key as the bytes a POSIX terminal would send for it: Up and Down as their
// escape sequences, Esc as Ctrl-U (it clears the line in a Windows console),
// Ctrl-Z as Ctrl-D (the end of input there).
void AppendKey(std::string& out, const KEY_EVENT_RECORD& key) {
    if (!key.bKeyDown) return;
    for (WORD i = 0; i < std::max<WORD>(key.wRepeatCount, 1); ++i) {
        switch (key.wVirtualKeyCode) {
            case VK_UP:
                out += "\x1b[A";
                continue;
            case VK_DOWN:
                out += "\x1b[B";
                continue;
            case VK_ESCAPE:
                out += kCtrlU;
                continue;
            default:
                break;
        }
        wchar_t c = key.uChar.UnicodeChar;
        if (c == 0x1a) c = kCtrlD;
        if (c != 0) AppendUtf8(out, c);
    }
}

}  // namespace

void LineEditor::Start() {
    if (started_) return;
    started_ = true;
    if (!interactive_) return;
    ::GetConsoleMode(Stdin(), &g_savedMode);
    signals_.emplace(StopSignals::Mode::Stop, RestoreSaved);
    // Keys one by one and no echo; Ctrl-C still interrupts.
    DWORD raw = g_savedMode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                                                  ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT);
    ::SetConsoleMode(Stdin(), raw | ENABLE_PROCESSED_INPUT);
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
    if (interactive_) {
        // Only what is there, so that the read never waits; events other than
        // keys (focus, the window's size) are read and dropped.
        DWORD count = 0;
        if (!::GetNumberOfConsoleInputEvents(Stdin(), &count)) {
            eof_ = true;
            return;
        }
        std::vector<INPUT_RECORD> records(std::clamp<DWORD>(count, 1, 512));
        DWORD got = 0;
        if (count == 0) return;
        if (!::ReadConsoleInputW(Stdin(), records.data(), static_cast<DWORD>(records.size()),
                                 &got)) {
            eof_ = true;
            return;
        }
        for (DWORD i = 0; i < got; ++i) {
            if (records[i].EventType == KEY_EVENT) AppendKey(input_, records[i].Event.KeyEvent);
        }
        return;
    }
    char buf[4096];
    DWORD n = 0;
    // A pipe whose writer has gone, a file's end or any failure: the end of input.
    if (::ReadFile(Stdin(), buf, sizeof buf, &n, nullptr) && n > 0) {
        input_.append(buf, n);
    } else {
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
    // Read makes whole escape sequences, so none is ever cut short here.
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
