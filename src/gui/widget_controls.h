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
#include <QPlainTextEdit>
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

// The results pane. Appends are gathered and reach the widget in pieces: each
// turn of the event loop inserts about kInsertBudgetMs worth (inserting, laying
// out and dropping the oldest lines all counted) and leaves the rest for the
// next, so a flood never keeps the window from answering. Every read flushes
// everything first, so the core never sees the difference. The view follows the
// end only while the user has not scrolled away from it, and a selection the
// user is making is left alone. Each line's arrival time is kept beside it.
class ResultsPaneBox final : public WidgetControl<ui::TextBox> {
  public:
    // The pane keeps this many of the latest lines: a flood cannot take the
    // machine's memory.
    static constexpr int kMaxLines = 200'000;
    static constexpr int kInsertBudgetMs = 8;
    // Gathered text beyond this is more than the pane can take in a few turns;
    // the reader should wait for it (see Behind).
    static constexpr std::size_t kBacklogLimit = 1 << 20;
    // What the window reads from the instrument in one tick: about what the
    // pane takes in a turn, so reading it costs the turn little.
    static constexpr std::size_t kBytesPerTick = 64 << 10;

    explicit ResultsPaneBox(ResultsPane* pane);
    std::string Text() const override;
    void SetText(std::string_view text) override;
    void AppendText(std::string_view text) override;
    ui::TextSelection Selection() const override;
    void SelectAll() override;
    std::string CaretLine() const override;

    // Moves all the gathered text into the widget now.
    void Flush() const;
    // While set, Text() puts each line's arrival time before it: Save to File
    // with the stamps, through the same dialog and messages as without.
    void SetStampedText(bool stamped) { stampedText_ = stamped; }
    // More text is waiting than the pane takes in a few turns.
    bool Behind() const { return pending_.size() - inserted_ > kBacklogLimit; }
    ResultsPane* pane() const { return pane_; }

  private:
    // Inserts gathered text until it is all in or the turn's budgetMs are spent
    // (no limit when negative); true when some is left.
    bool Insert(qint64 budgetMs) const;
    void QueueFlush() const;
    // Stamps the lines that text begins, arriving now.
    void StampLines(std::string_view text);

    ResultsPane* pane_;
    mutable std::string pending_;
    mutable std::size_t inserted_ = 0;  // the bytes of pending_ already in the widget
    mutable bool flushQueued_ = false;
    // What a byte has lately cost a turn, all told: sets how much the next takes.
    mutable double nsPerByte_ = 100;
    bool lineOpen_ = false;  // the last text appended did not end its line
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
