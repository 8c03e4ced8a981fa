#pragma once
// The console's input line. On a terminal: libedit's line editing (cursor
// keys, Home/End, Delete, Ctrl-A/E/K/U/W, a history kept across runs), with
// the instrument's output printed above the line being typed. Otherwise: plain
// lines from a pipe or file.

#include <memory>
#include <string>
#include <string_view>

#include "cli/standard_output.h"

namespace orvane::cli {

// The history file, then why it cannot be written; the console goes on without it.
inline constexpr char kHistoryNotKept[] =
    "orvane2-cli: the command history is not kept in %s: %s\n";

class LineEditor {
  public:
    struct Event {
        enum Kind { None, Line, Up, Down, End } kind = None;
        std::string line;
    };

    // historyFile: where typed lines are kept between runs; "" keeps none.
    LineEditor(StandardOutput& out, bool interactive, std::string historyFile = {});
    ~LineEditor();
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
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The next line of input that is not a terminal (a pipe or a file), taken
// from input; a last line without its line end counts once eof is set. End
// then, None while more input is needed.
LineEditor::Event NextPlainLine(std::string& input, bool eof);

// $XDG_STATE_HOME/orvane2/history, or under ~/.local/state without it; "" when
// there is no home to keep it in.
std::string ConsoleHistoryPath();

}  // namespace orvane::cli
