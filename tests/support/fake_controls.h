#pragma once
// In-memory controls and main-window services: plain data holders that keep what
// was asked of them, with counters, for tests of logic that drives a window.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/file_dialog.h"
#include "ui/main_window.h"

namespace orvane::testing {

// Enabled and visible state, focus and geometry, shared by every fake control.
template <class Interface>
class FakeControlBase : public Interface {
public:
    void SetEnabled(bool e) override { enabled = e; }
    bool Enabled() const override { return enabled; }
    void SetVisible(bool v) override { visible = v; }
    bool Visible() const override { return visible; }
    void SetFocus() override { ++focusCount; }
    void SetGeometry(const ui::Rect& r) override { geometry = r; }

    bool enabled = true;
    bool visible = true;
    int focusCount = 0;
    ui::Rect geometry;
};

class FakeControl : public FakeControlBase<ui::Control> {};

class FakeTextBox : public FakeControlBase<ui::TextBox> {
public:
    std::string Text() const override { return text; }
    void SetText(std::string_view t) override;
    void AppendText(std::string_view t) override;
    ui::TextSelection Selection() const override { return selection; }
    void SelectAll() override { selection = {0, text.size()}; }
    std::string CaretLine() const override;
    // A click at the start of the line holding `fragment` (caret there, no selection).
    bool ClickOn(std::string_view fragment);

    std::string text;
    ui::TextSelection selection;  // the caret is at selection.end
    int appendCount = 0;
    int setTextCount = 0;
};

// A list box, or a drop-down whose edit field also takes typed text.
class FakeListBox : public FakeControlBase<ui::ComboBox> {
public:
    void Clear() override;
    void AddItem(std::string_view t) override { items.emplace_back(t); }
    int Count() const override { return static_cast<int>(items.size()); }
    // Empty for an index outside the list, as a real list answers nothing there.
    std::string ItemText(int index) const override;
    int CurrentIndex() const override { return current; }
    // An index outside the list clears the selection.
    void SetCurrentIndex(int index) override;
    std::string EditText() const override { return current >= 0 ? ItemText(current) : edit; }
    void SetEditText(std::string_view t) override;
    // Selects the item with this text, as a user's click would; false when there is none.
    bool Select(std::string_view t);

    std::vector<std::string> items;
    int current = -1;
    int clearCount = 0;
    std::string edit;
};

class FakeButton : public FakeControlBase<ui::Button> {
public:
    void SetCaption(std::string_view c) override { caption = c; }
    std::string Caption() const override { return caption; }
    std::string caption;
};

struct PostedCommand {
    int id = 0;
    intptr_t param = 0;
    bool operator==(const PostedCommand&) const = default;
};

class FakeCommandPoster : public ui::CommandPoster {
public:
    void PostCommand(int id, intptr_t param = 0) override { posted.push_back({id, param}); }
    // Hands the queue over, leaving it empty, so a test can dispatch it in order.
    std::vector<PostedCommand> Take();
    int CountOf(int id) const;

    std::vector<PostedCommand> posted;
};

class FakePaneLayout : public ui::PaneLayout {
public:
    void SetPaneHeight(int h) override { paneHeight = h; }
    void RelayoutControls() override { ++relayoutCount; }
    int paneHeight = 0;
    int relayoutCount = 0;
};

class FakeFileDialogs : public ui::FileDialogs {
public:
    // Each dialog answers from the front of its queue; an empty queue cancels,
    // and an empty save path is a save dialog that failed.
    std::optional<std::string> OpenFile(const ui::FileDialogRequest& request) override;
    ui::FileChoice SaveFile(const ui::FileDialogRequest& request) override;

    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::vector<ui::FileDialogRequest> openRequests;
    std::vector<ui::FileDialogRequest> saveRequests;
};

}  // namespace orvane::testing
