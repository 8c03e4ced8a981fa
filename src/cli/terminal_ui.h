#pragma once
// The ui interfaces for a terminal: the results pane is stdout, message boxes
// are "CAPTION: text" lines on stderr, questions are asked on the terminal (or
// answered Yes with --yes, No/Cancel when there is no terminal to ask).

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/standard_output.h"
#include "platform/clock.h"
#include "ui/file_dialog.h"
#include "ui/memory_controls.h"
#include "ui/message_box.h"
#include "ui/script_beep.h"
#include "ui/styled_text.h"

namespace orvane::cli {

// Terminal colours, or none.
struct Colors {
    bool on = false;
    const char* Bold() const { return on ? "\x1b[1m" : ""; }
    const char* Red() const { return on ? "\x1b[1;38;2;255;40;40m" : ""; }
    const char* Reset() const { return on ? "\x1b[0m" : ""; }
};

bool IsTerminal(std::FILE* stream);

// The answer given when there is nobody to ask, then the one --yes gives.
inline constexpr char kNoTerminalToAsk[] =
    "orvane2-cli: no terminal to answer on, so the answer is %s; give --yes to answer %s\n";

// What a typed word answers (y, yes, o, ok; n, no; r, retry; c, cancel; in any
// case; Enter alone is the safe answer); nothing when it answers nothing the
// buttons offer.
std::optional<ui::MessageAnswer> AnswerFromWord(std::string_view word, ui::MessageButtons buttons);

class TerminalMessageBoxes final : public ui::MessageBoxes {
  public:
    explicit TerminalMessageBoxes(bool yes) : yes_(yes) {}
    // Runs before a box is shown, so that it follows the replies printed so far.
    std::function<void()> beforeShow;
    // Runs once the box is answered.
    std::function<void()> afterShow;
    ui::MessageAnswer Show(const ui::MessageRequest& request) override;
    // What the last question was answered (a refusal decides an exit status).
    std::optional<ui::MessageAnswer> lastAnswer;
    int refusals = 0;
    int shown = 0;

  private:
    bool yes_;
};

// The results pane. Appends gather until Flush, so the many lines of one
// receive step leave in one write; what was printed is forgotten unless
// keepText (a script's "print" writes the whole pane), so memory stays flat
// whatever the instrument sends. Clearing only forgets.
class TerminalResultsPane final : public ui::MemoryTextBox {
  public:
    TerminalResultsPane(StandardOutput& out, bool keepText) : out_(out), keepText_(keepText) {}
    // Where appended text goes instead of plain stdout (the console redraws its
    // input line around it). Gets the text with LF line ends.
    std::function<void(std::string_view)> sink;

    void AppendText(std::string_view text) override;
    // From now on every line starts with the local time to the millisecond, and
    // each reply also with the milliseconds since its command was sent.
    void StampLines(platform::Clock& clock) { clock_ = &clock; }
    // A command went out. The console's and a script's own lines say so
    // themselves: they are appended as "> " and the command.
    void MarkSent();
    // Prints what was appended since the last flush.
    void Flush();
    // Bytes appended so far: it grows while the instrument talks.
    std::size_t appended() const { return appended_; }

  private:
    StandardOutput& out_;
    const bool keepText_;
    std::string pending_;
    std::size_t appended_ = 0;
    platform::Clock* clock_ = nullptr;
    bool atLineStart_ = true;
    std::optional<uint32_t> sentAt_;
};

// The file a command names stands in for what the user would pick in a dialog.
class TerminalFileDialogs final : public ui::FileDialogs {
  public:
    explicit TerminalFileDialogs(std::optional<std::string> path) : path_(std::move(path)) {}
    std::optional<std::string> OpenFile(const ui::FileDialogRequest&) override { return path_; }
    // No file named: there is no dialog to ask in.
    ui::FileChoice SaveFile(const ui::FileDialogRequest&) override {
        if (!path_) return {ui::FileChoice::Outcome::Failed, {}};
        return {ui::FileChoice::Outcome::Chosen, *path_};
    }

  private:
    std::optional<std::string> path_;
};

class TerminalBeeper final : public ui::Beeper {
  public:
    void Beep() override;
};

// The information pane's runs as terminal text.
std::string RunsAsText(const std::vector<ui::StyledRun>& runs, const Colors& colors);

}  // namespace orvane::cli
