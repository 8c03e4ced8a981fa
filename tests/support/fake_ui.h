#pragma once
// In-memory stand-ins for what the core asks of a front end: they hold what was
// asked of them and answer from a queue.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "ui/pane_layout.h"
#include "ui/script_beep.h"
#include "ui/wait_cursor.h"

namespace orvane::testing {

// What a user who agrees presses: the first button.
inline ui::MessageAnswer FirstButton(ui::MessageButtons buttons) {
    using B = ui::MessageButtons;
    if (buttons == B::YesNo || buttons == B::YesNoCancel) return ui::MessageAnswer::Yes;
    return buttons == B::RetryCancel ? ui::MessageAnswer::Retry : ui::MessageAnswer::Ok;
}

// Takes the front of a queue of answers; nothing when none is left.
template <class T>
std::optional<T> Next(std::deque<T>& queue) {
    if (queue.empty()) return std::nullopt;
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

class FakeMessageBoxes : public ui::MessageBoxes {
  public:
    ui::MessageAnswer Show(const ui::MessageRequest& request) override {
        shown.push_back(request);
        return Next(answers).value_or(FirstButton(request.buttons));
    }
    std::vector<std::string> Texts() const {  // in order
        std::vector<std::string> out;
        for (const auto& r : shown) out.push_back(r.text);
        return out;
    }

    std::vector<ui::MessageRequest> shown;
    std::deque<ui::MessageAnswer> answers;  // then the first button
};

class FakeWaitCursor : public ui::WaitCursor {
  public:
    void Begin() override {
        ++begins;
        ++depth;
    }
    void End() override { --depth; }
    int begins = 0;
    int depth = 0;  // 0 again once every Begin is matched
};

class FakeBeeper : public ui::Beeper {
  public:
    void Beep() override { ++beeps; }
    int beeps = 0;
};

class FakePaneLayout : public ui::PaneLayout {
  public:
    void SetScriptPanelShown(bool shown) override { scriptPanelShown = shown; }
    bool scriptPanelShown = false;
};

class FakeFileDialogs : public ui::FileDialogs {
  public:
    // Each dialog answers from the front of its queue; an empty queue cancels,
    // and an empty save path is a save dialog that failed.
    std::optional<std::string> OpenFile(const ui::FileDialogRequest& request) override;
    ui::FileChoice SaveFile(const ui::FileDialogRequest& request) override;

    std::deque<std::optional<std::string>> openAnswers, saveAnswers;
    std::vector<ui::FileDialogRequest> openRequests, saveRequests;
};

}  // namespace orvane::testing
