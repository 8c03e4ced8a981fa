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
#include "ui/controls.h"
#include "ui/file_dialog.h"
#include "ui/main_window.h"
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

class TerminalMessageBoxes final : public ui::MessageBoxes {
public:
    explicit TerminalMessageBoxes(bool yes) : yes_(yes) {}
    ui::MessageAnswer Show(const ui::MessageRequest& request) override;
    // What the last question was answered (a refusal decides an exit status).
    std::optional<ui::MessageAnswer> lastAnswer;
    int refusals = 0;

private:
    bool yes_;
};

// A control that only holds its state: the terminal has no widgets.
template <class Interface>
class HeldControl : public Interface {
public:
    void SetEnabled(bool e) override { enabled_ = e; }
    bool Enabled() const override { return enabled_; }
    void SetVisible(bool v) override { visible_ = v; }
    bool Visible() const override { return visible_; }
    void SetFocus() override {}
    void SetGeometry(const ui::Rect&) override {}

private:
    bool enabled_ = true;
    bool visible_ = true;
};

// The results pane: every append goes to stdout at once and is kept, so that a
// script's "print" still writes the whole pane. Clearing only forgets.
class StdoutPane final : public HeldControl<ui::TextBox> {
public:
    explicit StdoutPane(StandardOutput& out) : out_(out) {}
    // Where appended text goes instead of plain stdout (the console redraws its
    // input line around it). Gets the text with LF line ends.
    std::function<void(std::string_view)> sink;

    std::string Text() const override { return text_; }
    void SetText(std::string_view text) override { text_ = text; }
    void AppendText(std::string_view text) override;
    ui::TextSelection Selection() const override { return {text_.size(), text_.size()}; }
    void SelectAll() override {}
    std::string CaretLine() const override { return {}; }
    // Stop printing (the pane still keeps what is appended).
    void SetEcho(bool echo) { echo_ = echo; }

private:
    StandardOutput& out_;
    std::string text_;
    bool echo_ = true;
};

class HeldTextBox final : public HeldControl<ui::TextBox> {
public:
    std::string Text() const override { return text_; }
    void SetText(std::string_view text) override { text_ = text; }
    void AppendText(std::string_view text) override { text_ += text; }
    ui::TextSelection Selection() const override { return {text_.size(), text_.size()}; }
    void SelectAll() override {}
    std::string CaretLine() const override { return {}; }

private:
    std::string text_;
};

class HeldList final : public HeldControl<ui::ListBox> {
public:
    void Clear() override {
        items_.clear();
        current_ = -1;
    }
    void AddItem(std::string_view text) override { items_.emplace_back(text); }
    int Count() const override { return static_cast<int>(items_.size()); }
    std::string ItemText(int i) const override {
        return i >= 0 && i < Count() ? items_[static_cast<std::size_t>(i)] : std::string();
    }
    int CurrentIndex() const override { return current_; }
    void SetCurrentIndex(int i) override { current_ = i >= 0 && i < Count() ? i : -1; }

private:
    std::vector<std::string> items_;
    int current_ = -1;
};

class HeldButton final : public HeldControl<ui::Button> {
public:
    void SetCaption(std::string_view caption) override { caption_ = caption; }
    std::string Caption() const override { return caption_; }

private:
    std::string caption_;
};

// The file a command names stands in for what the user would pick in a dialog.
class GivenFileDialogs final : public ui::FileDialogs {
public:
    explicit GivenFileDialogs(std::optional<std::string> path) : path_(std::move(path)) {}
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

// Commands posted to the "main window", handled in order by the command's loop.
class CommandQueue final : public ui::CommandPoster {
public:
    void PostCommand(int id, intptr_t param) override { queue_.push_back({id, param}); }
    std::vector<std::pair<int, intptr_t>> Take() {
        std::vector<std::pair<int, intptr_t>> out;
        out.swap(queue_);
        return out;
    }

private:
    std::vector<std::pair<int, intptr_t>> queue_;
};

class NoInfoPane final : public ui::InfoPane {
public:
    void SetRuns(const std::vector<ui::StyledRun>&) override {}
};

// The information pane's runs as terminal text.
std::string RunsAsText(const std::vector<ui::StyledRun>& runs, const Colors& colors);

}  // namespace orvane::cli
