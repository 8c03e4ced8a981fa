#include "cli/terminal_ui.h"

#include <iostream>

#include "cli/visible_text.h"
#include "platform/text.h"

namespace orvane::cli {
namespace {

using ui::MessageAnswer;
using ui::MessageButtons;

MessageAnswer Affirmative(MessageButtons b) {
    switch (b) {
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return MessageAnswer::Yes;
        case MessageButtons::RetryCancel:
            return MessageAnswer::Retry;
        default:
            return MessageAnswer::Ok;
    }
}

MessageAnswer Negative(MessageButtons b) {
    switch (b) {
        case MessageButtons::YesNo:
            return MessageAnswer::No;
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        default:
            return MessageAnswer::Cancel;
    }
}

const char* Choices(MessageButtons b) {
    switch (b) {
        case MessageButtons::YesNo:
            return " [y/N] ";
        case MessageButtons::YesNoCancel:
            return " [y/n/C] ";
        case MessageButtons::OkCancel:
            return " [o/C] ";
        case MessageButtons::RetryCancel:
            return " [r/C] ";
        default:
            return "";
    }
}

}  // namespace

ui::MessageAnswer TerminalMessageBoxes::Show(const ui::MessageRequest& request) {
    if (beforeShow) beforeShow();
    // Boxes carry names and texts from files and from the instrument.
    std::fprintf(stderr, "%s: %s\n", MadeVisible(request.caption).c_str(),
                 MadeVisible(request.text).c_str());
    if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    MessageAnswer answer = Negative(request.buttons);
    if (yes_) {
        answer = Affirmative(request.buttons);
    } else if (IsTerminal(stdin) && IsTerminal(stderr)) {
        std::fprintf(stderr, "%s", Choices(request.buttons));
        std::fflush(stderr);
        std::string line;
        if (std::getline(std::cin, line) && !line.empty()) {
            char c = platform::ToLowerAscii(line[0]);
            if (c == 'y') answer = MessageAnswer::Yes;
            if (c == 'n') answer = MessageAnswer::No;
            if (c == 'o') answer = MessageAnswer::Ok;
            if (c == 'r') answer = MessageAnswer::Retry;
            if (c == 'c') answer = MessageAnswer::Cancel;
        }
    }
    if (answer == MessageAnswer::No || answer == MessageAnswer::Cancel) ++refusals;
    lastAnswer = answer;
    return answer;
}

void TerminalResultsPane::AppendText(std::string_view text) {
    if (keepText_) MemoryTextBox::AppendText(text);
    appended_ += text.size();
    // The pane's own line ends are CR LF; a terminal or a pipe wants LF.
    for (char c : text) {
        if (c != '\r') pending_ += c;
    }
}

void TerminalResultsPane::Flush() {
    if (pending_.empty()) return;
    if (sink) {
        sink(pending_);
    } else {
        out_.Write(pending_);
    }
    pending_.clear();  // its room is kept for the next step
}

void TerminalBeeper::Beep() {
    std::fputc('\a', stderr);
    std::fflush(stderr);
}

std::string RunsAsText(const std::vector<ui::StyledRun>& runs, const Colors& colors) {
    std::string out;
    for (const ui::StyledRun& run : runs) {
        const std::string text = MadeVisible(run.text);
        switch (run.style) {
            case ui::TextStyle::Bold:
                out += colors.Bold() + text + colors.Reset();
                break;
            case ui::TextStyle::Warning:
                out += colors.Red() + text + colors.Reset();
                break;
            default:
                out += text;
        }
    }
    if (out.empty() || out.back() != '\n') out += '\n';
    return out;
}

}  // namespace orvane::cli
