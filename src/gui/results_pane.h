#pragma once
// The results pane's widget: the session as plain text, and beside it, drawn
// from records of its own, the time each line arrived (when the user asks for
// them) and a note of how many older lines were dropped. Neither is part of the
// text, so what is read, saved or picked from the pane is the session alone.

#include <QPlainTextEdit>
#include <cstdint>
#include <deque>

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

class ResultsPane final : public QPlainTextEdit {
  public:
    explicit ResultsPane(QWidget* parent = nullptr);

    void SetStampsShown(bool shown);
    bool StampsShown() const { return stampsShown_; }

    // The arrival times of the lines, in milliseconds since the epoch: one per
    // line begun, the first for the document's first block. Lines still on
    // their way to the document have theirs already.
    void AddStamp(int64_t msSinceEpoch) { stamps_.push_back(msSinceEpoch); }
    void ClearStamps() { stamps_.clear(); }
    // The oldest `lines` lines left the document.
    void DropOldest(std::size_t lines);
    // The arrival time of the document's block, or -1 when it has none (a line
    // not begun yet).
    int64_t Stamp(int block) const;
    std::size_t StampCount() const { return stamps_.size(); }

    // How many lines the cap has dropped since the pane was last cleared.
    uint64_t Dropped() const { return dropped_; }
    void ResetDropped();
    QString NoteText() const;
    void SetKeptLines(int lines) { keptLines_ = lines; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    class Margin;
    class Note;
    void UpdateMargins();
    int StampWidth() const;

    Margin* margin_;
    Note* note_;
    std::deque<int64_t> stamps_;
    uint64_t dropped_ = 0;
    int keptLines_ = 0;
    bool stampsShown_ = false;
};

}  // namespace orvane::gui
