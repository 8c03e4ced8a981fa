#pragma once
// The results pane's widget: the session as lines of plain text, drawn from a
// store of the latest lines, so however much arrives, adding it and drawing the
// window cost only what is added and what is on screen. It selects and copies
// like a read-only edit. Beside the text, drawn from the store's own records,
// are the time each line arrived (when the user asks for them) and a note of
// how many older lines were dropped. Neither is part of the text, so what is
// read, saved or picked from the pane is the session alone.

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>
#include <string>
#include <string_view>

#include "gui/results_lines.h"

class QTextLayout;

namespace orvane::gui {

// The Result menu's item, and where its choice is kept (a section of our own).
inline constexpr const char kItemTimeStamps[] = "Time Stamps";
inline constexpr const char kItemSaveWithTimeStamps[] = "Save to File with Time Stamps...";
inline constexpr const char kSectionResults[] = "Results";
inline constexpr const char kKeyTimeStamps[] = "TimeStamps";
// %1: how many lines, %2: how many the pane keeps.
inline constexpr const char kDroppedLinesNote[] =
    "%1 older lines were dropped: the pane keeps the latest %2.";

// A line's arrival time as the pane shows it: local time to the millisecond.
QString StampText(int64_t msSinceEpoch);

class ResultsPane final : public QAbstractScrollArea {
  public:
    // The pane keeps this many of the latest lines: a flood cannot take the
    // machine's memory.
    static constexpr std::size_t kMaxLines = 200'000;

    // A place in the text: a line's number in the store and a byte in it.
    struct Position {
        uint64_t line = 0;
        std::size_t column = 0;
        auto operator<=>(const Position&) const = default;
    };

    explicit ResultsPane(QWidget* parent = nullptr);

    // Received text, stamped now (CR dropped, LF ends a line).
    void Append(std::string_view text);
    // Replaces everything, stamps and the count of dropped lines too.
    void SetText(std::string_view text);
    const ResultsLines& lines() const { return lines_; }
    // The text with CR LF line ends; with `stamped`, each line's time before it.
    std::string Text(bool stamped) const;

    // The selection, between the anchor and the caret; the caret is where the
    // last click was.
    Position Anchor() const { return Clamped(anchor_); }
    Position Caret() const { return Clamped(caret_); }
    bool HasSelection() const { return Anchor() != Caret(); }
    // Where a position falls in Text(false), or with line ends of `lineEnd`
    // characters.
    std::size_t Offset(Position at, std::size_t lineEnd = 2) const;
    void SelectAll();
    QString SelectedText() const;
    void Copy() const;
    // Where a click puts the caret before the character at `at`, in the
    // viewport; scrolled there first.
    QPoint PointOf(Position at);

    void SetStampsShown(bool shown);
    bool StampsShown() const { return stampsShown_; }
    QString NoteText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    class Margin;
    class Note;
    class Accessible;
    // One line laid out for drawing or for finding a column under the mouse.
    // A long line is laid out only around what the view shows of it.
    struct Laid;
    Laid Layout(uint64_t line) const;

    Position Clamped(Position at) const;
    Position PositionAt(QPoint viewportPoint) const;
    // The character's box in the viewport, as the view is scrolled now.
    QRectF CharBox(Position at) const;
    void Select(Position anchor, Position caret);
    void ExtendTo(QPoint viewportPoint);
    // Brings the scroll bars and the view up to what the store holds; at most
    // once a frame, however often text arrives.
    void ScheduleRefresh();
    void Refresh();
    void UpdateMargins();
    int LineHeight() const;
    int CharWidth() const;
    int VisibleLines() const;
    int StampWidth() const;

    ResultsLines lines_{kMaxLines};
    Margin* margin_;
    Note* note_;
    Position anchor_;
    Position caret_;
    bool selecting_ = false;
    bool following_ = true;  // the view stays at the end while the user leaves it there
    bool stampsShown_ = false;
    uint64_t droppedShown_ = 0;  // what the note and the view last allowed for
    QTimer refresh_;
    QElapsedTimer sinceRefresh_;
    QElapsedTimer sinceDoubleClick_;
    QPoint doubleClickAt_;
    QBasicTimer autoScroll_;
    QPoint mouseAt_;
};

}  // namespace orvane::gui
