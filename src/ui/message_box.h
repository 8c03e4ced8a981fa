#pragma once
// Message boxes as the core asks for them: text, caption, icon and buttons in,
// the button the user chose out. The desktop program shows a real box, the
// command-line front end prints "CAPTION: text" and asks on the terminal, tests
// answer from a script.

#include <string>

namespace orvane::ui {

enum class MessageIcon { None, Information, Warning, Error, Question };

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };

enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

struct MessageRequest {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
};

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual MessageAnswer Show(const MessageRequest& request) = 0;

    // The common case: information icon and OK.
    void Inform(const std::string& text, const std::string& caption) {
        Show({text, caption, MessageIcon::Information, MessageButtons::Ok});
    }
};

}  // namespace orvane::ui
