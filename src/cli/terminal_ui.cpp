#include "cli/terminal_ui.h"

#include <unistd.h>

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

const char* AnswerName(MessageAnswer a) {
    switch (a) {
        case MessageAnswer::Yes:
            return "Yes";
        case MessageAnswer::No:
            return "No";
        case MessageAnswer::Retry:
            return "Retry";
        case MessageAnswer::Cancel:
            return "Cancel";
        default:
            return "OK";
    }
}

}  // namespace

std::optional<ui::MessageAnswer> AnswerFromWord(std::string_view word, ui::MessageButtons buttons) {
    std::string w;
    for (char c : word)
        if (c != ' ' && c != '\t' && c != '\r') w += platform::ToLowerAscii(c);
    // Enter alone takes the safe answer, as the default button would.
    if (w.empty()) return Negative(buttons);
    if (w == "y" || w == "yes" || w == "o" || w == "ok") return Affirmative(buttons);
    const bool hasNo = buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel;
    if (w == "n" || w == "no") return hasNo ? MessageAnswer::No : MessageAnswer::Cancel;
    if (buttons == MessageButtons::RetryCancel && (w == "r" || w == "retry"))
        return MessageAnswer::Retry;
    if (buttons != MessageButtons::YesNo && (w == "c" || w == "cancel"))
        return MessageAnswer::Cancel;
    return std::nullopt;
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

ui::MessageAnswer TerminalMessageBoxes::Show(const ui::MessageRequest& request) {
    if (beforeShow) beforeShow();
    struct Done {
        std::function<void()>& then;
        ~Done() {
            if (then) then();
        }
    } done{afterShow};
    ++shown;
    // Boxes carry names and texts from files and from the instrument.
    std::fprintf(stderr, "%s: %s\n", MadeVisible(request.caption).c_str(),
                 MadeVisible(request.text).c_str());
    if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    MessageAnswer answer = Negative(request.buttons);
    if (yes_) {
        answer = Affirmative(request.buttons);
    } else if (IsTerminal(stdin) && IsTerminal(stderr)) {
        for (;;) {
            std::fprintf(stderr, "%s", Choices(request.buttons));
            std::fflush(stderr);
            std::string line;
            if (!std::getline(std::cin, line)) break;
            std::optional<MessageAnswer> said = AnswerFromWord(line, request.buttons);
            if (said) {
                answer = *said;
                break;
            }
        }
    } else {
        std::fprintf(stderr, kNoTerminalToAsk, AnswerName(answer),
                     AnswerName(Affirmative(request.buttons)));
    }
    if (answer == MessageAnswer::No || answer == MessageAnswer::Cancel) ++refusals;
    lastAnswer = answer;
    return answer;
}

void TerminalResultsPane::AppendText(std::string_view text) {
    if (keepText_) MemoryTextBox::AppendText(text);
    appended_ += text.size();
    const bool sent = text.starts_with("> ");
    if (clock_ && sent) MarkSent();
    // The pane's own line ends are CR LF; a terminal or a pipe wants LF.
    for (char c : text) {
        if (c == '\r') continue;
        if (clock_ && atLineStart_) {
            const platform::LocalTime t = clock_->Now();
            char stamp[64];
            if (sentAt_ && !sent) {
                std::snprintf(stamp, sizeof stamp, "[%02d:%02d:%02d.%03d +%u ms] ", t.hour,
                              t.minute, t.second, t.millisecond,
                              platform::TicksSince(clock_->TickCount(), *sentAt_));
            } else {
                std::snprintf(stamp, sizeof stamp, "[%02d:%02d:%02d.%03d] ", t.hour, t.minute,
                              t.second, t.millisecond);
            }
            pending_ += stamp;
        }
        atLineStart_ = c == '\n';
        pending_ += c;
    }
}

void TerminalResultsPane::MarkSent() {
    if (clock_) sentAt_ = clock_->TickCount();
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
