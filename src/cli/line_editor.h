#pragma once
// The console's input line. On a terminal: raw keys, Backspace, Ctrl-U, Up and
// Down for the history, Ctrl-D on an empty line to end, and reply lines printed
// above the line being typed. Otherwise: plain lines from a pipe or file.

#include <optional>
#include <string>
#include <string_view>

#include "cli/standard_output.h"
#include "cli/stop_signals.h"

namespace orvane::cli {

class LineEditor {
  public:
    struct Event {
        enum Kind { None, Line, Up, Down, End } kind = None;
        std::string line;
    };

    LineEditor(StandardOutput& out, bool interactive) : out_(out), interactive_(interactive) {}
    ~LineEditor() { Stop(); }
    LineEditor(const LineEditor&) = delete;
    LineEditor& operator=(const LineEditor&) = delete;

    void Start();
    void Stop();
    // Takes what stdin has; call it when poll says stdin is readable, so that
    // it never waits.
    void Read();
    // The next event from what has been read, without reading: a paste of
    // several lines gives them all. None when more input is needed.
    Event Next();
    // Output from the instrument, printed above the input line.
    void Print(std::string_view text);
    // Replaces the line being typed (a history entry).
    void SetLine(const std::string& line);

    static constexpr const char kPrompt[] = "orvane2> ";

  private:
    void Redraw();

    StandardOutput& out_;
    bool interactive_;
    bool started_ = false;
    bool eof_ = false;
    // Puts the terminal back if a signal ends the program. The settings it
    // restores are the system's, kept beside the code: one console at a time.
    std::optional<StopSignals> signals_;
    std::string input_;  // bytes read and not yet turned into events
    std::string line_;   // the line being typed (interactive)
};

}  // namespace orvane::cli
