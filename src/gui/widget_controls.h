#pragma once
// The core's controls backed by Qt widgets. Each adapter holds a widget that the
// window owns; none keeps state of its own beyond what Qt needs to be fast.
//
// Text that travels to and from the instrument (the results pane, the command
// line) is Latin-1: one character per byte, so a reply byte of 0x80 or above is
// shown and saved as it came instead of being lost to UTF-8 decoding. Every
// other text the core hands over (captions, labels, paths) is UTF-8.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <string>

#include "gui/results_pane.h"
#include "ui/controls.h"

namespace orvane::gui {

QString FromLatin1(std::string_view text);
std::string ToLatin1(const QString& text);
QString FromUtf8(std::string_view text);
std::string ToUtf8(const QString& text);

template <class Base>
class WidgetControl : public Base {
  public:
    explicit WidgetControl(QWidget* widget) : widget_(widget) {}
    void SetEnabled(bool enabled) override { widget_->setEnabled(enabled); }
    bool Enabled() const override { return widget_->isEnabled(); }
    void SetVisible(bool visible) override { widget_->setVisible(visible); }
    // The control's own state, as the core set it, whether or not its window shows.
    bool Visible() const override { return !widget_->isHidden(); }
    void SetFocus() override { widget_->setFocus(Qt::OtherFocusReason); }
    void SetGeometry(const ui::Rect& r) override {
        widget_->setGeometry(r.x, r.y, r.width, r.height);
    }
    QWidget* widget() const { return widget_; }

  protected:
    QWidget* widget_;
};

// The results pane, as the core reads and writes it. What arrives goes
// straight into the pane's store of lines, which costs little whatever the
// amount; the widget draws only what is on screen, once a frame.
class ResultsPaneBox final : public WidgetControl<ui::TextBox> {
  public:
    // What the window reads from the instrument in one tick, so that one tick
    // never keeps the window long from answering.
    static constexpr std::size_t kBytesPerTick = 64 << 10;

    explicit ResultsPaneBox(ResultsPane* pane) : WidgetControl(pane), pane_(pane) {}
    std::string Text() const override { return pane_->Text(stampedText_); }
    void SetText(std::string_view text) override { pane_->SetText(text); }
    void AppendText(std::string_view text) override { pane_->Append(text); }
    // Offsets in Text().
    ui::TextSelection Selection() const override;
    void SelectAll() override { pane_->SelectAll(); }
    std::string CaretLine() const override;

    // While set, Text() puts each line's arrival time before it: Save to File
    // with the stamps, through the same dialog and messages as without.
    void SetStampedText(bool stamped) { stampedText_ = stamped; }

  private:
    ResultsPane* pane_;
    bool stampedText_ = false;
};

// A one-line edit: the command line, the IP address field.
class LineEditBox final : public WidgetControl<ui::TextBox> {
  public:
    enum class Encoding { Latin1, Utf8 };
    LineEditBox(QLineEdit* edit, Encoding encoding);
    std::string Text() const override;
    void SetText(std::string_view text) override;
    void AppendText(std::string_view text) override;
    ui::TextSelection Selection() const override;
    void SelectAll() override;
    std::string CaretLine() const override { return Text(); }

  private:
    QString Decode(std::string_view text) const;
    QLineEdit* edit_;
    Encoding encoding_;
};

// The script list: single selection; no selection is a state of its own.
class ListWidgetBox final : public WidgetControl<ui::ListBox> {
  public:
    explicit ListWidgetBox(QListWidget* list);
    void Clear() override;
    void AddItem(std::string_view text) override;
    int Count() const override;
    std::string ItemText(int index) const override;
    int CurrentIndex() const override;
    void SetCurrentIndex(int index) override;

  private:
    QListWidget* list_;
};

// A drop-down list, or (editable) a drop-down whose field also takes a typed
// device path. A fresh list has no selection: Qt would pick the first item.
class ComboBoxBox final : public WidgetControl<ui::ComboBox> {
  public:
    explicit ComboBoxBox(QComboBox* combo);
    void Clear() override;
    void AddItem(std::string_view text) override;
    int Count() const override;
    std::string ItemText(int index) const override;
    // In an editable list, text typed over the chosen item is no selection.
    int CurrentIndex() const override;
    void SetCurrentIndex(int index) override;
    std::string EditText() const override;
    void SetEditText(std::string_view text) override;

  private:
    QComboBox* combo_;
};

class PushButton final : public WidgetControl<ui::Button> {
  public:
    explicit PushButton(QPushButton* button) : WidgetControl(button), button_(button) {}
    void SetCaption(std::string_view caption) override { button_->setText(FromUtf8(caption)); }
    std::string Caption() const override { return ToUtf8(button_->text()); }

  private:
    QPushButton* button_;
};

class StaticLabel final : public WidgetControl<ui::Label> {
  public:
    explicit StaticLabel(QLabel* label) : WidgetControl(label), label_(label) {}
    void SetText(std::string_view text) override { label_->setText(FromUtf8(text)); }
    std::string Text() const override { return ToUtf8(label_->text()); }

  private:
    QLabel* label_;
};

}  // namespace orvane::gui
