#pragma once
// Controls kept in memory: plain data holders that keep what was asked of them,
// with counters. The command line uses them where a window has widgets the
// terminal does not show; tests use them to drive the core as a user would.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/command_poster.h"
#include "ui/connect_dialog.h"
#include "ui/controls.h"
#include "ui/styled_text.h"

namespace orvane::ui {

// Enabled and visible state, focus and geometry, shared by every memory control.
template <class Interface>
class MemoryControlBase : public Interface {
  public:
    void SetEnabled(bool e) override { enabled = e; }
    bool Enabled() const override { return enabled; }
    void SetVisible(bool v) override { visible = v; }
    bool Visible() const override { return visible; }
    void SetFocus() override { ++focusCount; }
    void SetGeometry(const Rect& r) override { geometry = r; }

    bool enabled = true;
    bool visible = true;
    int focusCount = 0;
    Rect geometry;
};

class MemoryControl final : public MemoryControlBase<Control> {};

class MemoryTextBox : public MemoryControlBase<TextBox> {
  public:
    std::string Text() const override { return text; }
    void SetText(std::string_view t) override;
    void AppendText(std::string_view t) override;
    TextSelection Selection() const override { return selection; }
    void SelectAll() override { selection = {0, text.size()}; }
    std::string CaretLine() const override;
    // A click at the start of the line holding `fragment` (caret there, no selection).
    bool ClickOn(std::string_view fragment);

    std::string text;
    TextSelection selection;  // the caret is at selection.end
    int appendCount = 0;
    int setTextCount = 0;
};

// A list box, or a drop-down whose edit field also takes typed text.
class MemoryListBox final : public MemoryControlBase<ComboBox> {
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

class MemoryButton final : public MemoryControlBase<Button> {
  public:
    void SetCaption(std::string_view c) override { caption = c; }
    std::string Caption() const override { return caption; }
    std::string caption;
};

class MemoryLabel final : public MemoryControlBase<Label> {
  public:
    void SetText(std::string_view t) override { text = t; }
    std::string Text() const override { return text; }
    std::string text;
};

class MemoryInfoPane final : public MemoryControlBase<InfoPaneView> {
  public:
    void SetRuns(const std::vector<StyledRun>& r) override { runs = r; }
    // The runs' texts without their styles.
    std::string Text() const;
    std::vector<StyledRun> runs;
};

struct PostedCommand {
    int id = 0;
    intptr_t param = 0;
    bool operator==(const PostedCommand&) const = default;
};

// Commands posted to the window, for a loop that handles them in order.
class CommandQueue final : public CommandPoster {
  public:
    void PostCommand(int id, intptr_t param = 0) override { posted.push_back({id, param}); }
    // Hands the queue over, leaving it empty.
    std::vector<PostedCommand> Take();
    int CountOf(int id) const;

    std::vector<PostedCommand> posted;
};

// The Connect dialog's controls; the holder says which boxes and cursor it uses.
class MemoryConnectView : public ConnectDialogView {
  public:
    ListBox& InterfaceList() override { return interfaces; }
    ComboBox& ComPortList() override { return ports; }
    ListBox& BaudRateList() override { return bauds; }
    TextBox& IpAddress() override { return ip; }
    Label& PortLabel() override { return portLabel; }
    Label& BaudRateLabel() override { return baudLabel; }
    Button& SearchButton() override { return search; }
    Button& TestButton() override { return test; }
    void Close(int r) override { result = r; }

    MemoryListBox interfaces, ports, bauds;
    MemoryTextBox ip;
    MemoryLabel portLabel, baudLabel;
    MemoryButton search, test;
    std::optional<int> result;
};

}  // namespace orvane::ui
