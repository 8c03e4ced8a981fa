#pragma once
// The controls the core reads and writes. The desktop program backs them with
// widgets, the command-line front end with the terminal, tests with plain data.

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane::ui {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

class Control {
  public:
    virtual ~Control() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool Visible() const = 0;
    virtual void SetFocus() = 0;
    virtual void SetGeometry(const Rect& rect) = 0;
};

struct TextSelection {
    std::size_t start = 0;
    std::size_t end = 0;
    bool empty() const { return start == end; }
};

// An edit control: the results pane, the command line, an address field.
class TextBox : public Control {
  public:
    virtual std::string Text() const = 0;
    virtual void SetText(std::string_view text) = 0;
    // Adds text at the end (the caret moves there first), without reading the
    // whole text back: the results pane grows by one call per line.
    virtual void AppendText(std::string_view text) = 0;
    virtual TextSelection Selection() const = 0;
    virtual void SelectAll() = 0;
    // The line that holds the caret, without its line end.
    virtual std::string CaretLine() const = 0;
};

// A list box or a drop-down list.
class ListBox : public Control {
  public:
    virtual void Clear() = 0;
    virtual void AddItem(std::string_view text) = 0;
    virtual int Count() const = 0;
    virtual std::string ItemText(int index) const = 0;
    // -1 when nothing is selected.
    virtual int CurrentIndex() const = 0;
    virtual void SetCurrentIndex(int index) = 0;
};

// A drop-down whose edit field also takes typed text (a device path).
class ComboBox : public ListBox {
  public:
    virtual std::string EditText() const = 0;
    virtual void SetEditText(std::string_view text) = 0;
};

class Button : public Control {
  public:
    virtual void SetCaption(std::string_view caption) = 0;
    virtual std::string Caption() const = 0;
};

class Label : public Control {
  public:
    virtual void SetText(std::string_view text) = 0;
    virtual std::string Text() const = 0;
};

}  // namespace orvane::ui
