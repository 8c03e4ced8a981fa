#include <optional>

#include "cli/line_editor.h"
#include "cli/standard_output.h"
#include "cli/stdin_reader_win32.h"
#include "cli/stop_signals.h"
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

// A plain line reader: the keys the console gives, the history kept by the
// caller (Up and Down come out as events).
struct LineEditor::Impl {
    Impl(StandardOutput& o, bool i) : out(o), interactive(i) {}
    void Redraw() {
        if (!interactive) return;
        out.Write("\r\x1b[K");
        out.Write(kPrompt);
        out.Write(line);
    }

    StandardOutput& out;
    bool interactive;
    bool started = false;
    bool eof = false;
    std::optional<StopSignals> signals;  // puts g_savedMode back if Ctrl-C ends the program
    std::string input;                   // bytes read and not yet turned into events
    std::string line;                    // the line being typed (interactive)
};

// Windows keeps no history file: the history lives as long as the console.
LineEditor::LineEditor(StandardOutput& out, bool interactive, std::string)
    : impl_(std::make_unique<Impl>(out, interactive)) {}

LineEditor::~LineEditor() {
    Stop();
}

std::string ConsoleHistoryPath() {
    return {};
}

void LineEditor::Start() {
    Impl& m = *impl_;
    if (m.started) return;
    m.started = true;
    if (!m.interactive) {
        stdin_reader::Start(false);
        return;
    }
    ::GetConsoleMode(Stdin(), &g_savedMode);
    m.signals.emplace(StopSignals::Mode::Stop, RestoreSaved);
    // Keys one by one and no echo; Ctrl-C still interrupts.
    DWORD raw = g_savedMode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                                                  ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT);
    ::SetConsoleMode(Stdin(), raw | ENABLE_PROCESSED_INPUT);
    stdin_reader::Start(true);
    m.Redraw();
}

void LineEditor::Stop() {
    Impl& m = *impl_;
    if (!m.started) return;
    m.started = false;
    if (!m.interactive) return;
    m.out.Write("\r\x1b[K");
    RestoreSaved();
    m.signals.reset();
}

void LineEditor::Read() {
    Impl& m = *impl_;
    if (!stdin_reader::Take(m.input)) m.eof = true;
}

LineEditor::Event LineEditor::Next() {
    Impl& m = *impl_;
    Event e;
    if (!m.interactive) return NextPlainLine(m.input, m.eof);
    // The reader makes whole escape sequences, so none is ever cut short here.
    while (!m.input.empty()) {
        auto c = static_cast<unsigned char>(m.input[0]);
        if (c == 0x1b && m.input.size() >= 3) {
            char final = m.input[2];
            m.input.erase(0, 3);
            e.kind = final == 'A' ? Event::Up : Event::Down;
            return e;
        }
        m.input.erase(0, 1);
        if (c == '\r' || c == '\n') {
            e.kind = Event::Line;
            e.line.swap(m.line);
            m.out.Write("\r\x1b[K");
            m.Redraw();
            return e;
        }
        if (c == kCtrlD) {
            if (m.line.empty()) {
                e.kind = Event::End;
                return e;
            }
        } else if (c == 0x7f || c == 0x08) {
            // One character, all of its bytes.
            while (!m.line.empty() && (static_cast<unsigned char>(m.line.back()) & 0xC0) == 0x80)
                m.line.pop_back();
            if (!m.line.empty()) m.line.pop_back();
            m.Redraw();
        } else if (c == kCtrlU) {
            m.line.clear();
            m.Redraw();
        } else if (c >= 0x20 && m.line.size() < kMaxLine) {
            m.line += static_cast<char>(c);
            m.out.Write(std::string_view(reinterpret_cast<const char*>(&c), 1));
        }
    }
    if (m.eof) e.kind = Event::End;
    return e;
}

void LineEditor::Print(std::string_view text) {
    Impl& m = *impl_;
    if (!m.interactive || !m.started) {
        m.out.Write(text);
        return;
    }
    m.out.Write("\r\x1b[K");
    m.out.Write(text);
    m.Redraw();
}

void LineEditor::SetLine(const std::string& line) {
    Impl& m = *impl_;
    m.line = line.substr(0, kMaxLine);
    if (m.interactive) m.Redraw();
}

}  // namespace orvane::cli
