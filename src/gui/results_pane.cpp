#include "gui/results_pane.h"

#include <QDateTime>
#include <QLocale>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

namespace orvane::gui {

namespace {

constexpr int kPadding = 4;

}  // namespace

QString StampText(int64_t msSinceEpoch) {
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch).toString(QStringLiteral("HH:mm:ss.zzz"));
}

// The strip left of the text where the time stamps are drawn, line by line.
class ResultsPane::Margin final : public QWidget {
  public:
    explicit Margin(ResultsPane* pane) : QWidget(pane), pane_(pane) {}

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), pane_->palette().color(QPalette::AlternateBase));
        painter.setPen(pane_->palette().color(QPalette::Mid));
        painter.drawLine(width() - 1, event->rect().top(), width() - 1, event->rect().bottom());
        painter.setPen(pane_->palette().color(QPalette::PlaceholderText));
        painter.setFont(pane_->font());
        const QPointF offset = pane_->contentOffset();
        for (QTextBlock block = pane_->firstVisibleBlock(); block.isValid(); block = block.next()) {
            const QRectF box = pane_->blockBoundingGeometry(block).translated(offset);
            if (box.top() > event->rect().bottom()) break;
            const int64_t stamp = pane_->Stamp(block.blockNumber());
            if (stamp < 0 || box.bottom() < event->rect().top()) continue;
            painter.drawText(QRectF(0, box.top(), width() - kPadding, box.height()),
                             Qt::AlignRight | Qt::AlignTop, StampText(stamp));
        }
    }

  private:
    ResultsPane* pane_;
};

// The line above the text that says how many older lines the cap dropped.
class ResultsPane::Note final : public QWidget {
  public:
    explicit Note(ResultsPane* pane) : QWidget(pane), pane_(pane) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), pane_->palette().color(QPalette::ToolTipBase));
        painter.setPen(pane_->palette().color(QPalette::ToolTipText));
        painter.drawText(rect().adjusted(kPadding, 0, -kPadding, 0),
                         Qt::AlignLeft | Qt::AlignVCenter, pane_->NoteText());
    }

  private:
    ResultsPane* pane_;
};

ResultsPane::ResultsPane(QWidget* parent)
    : QPlainTextEdit(parent), margin_(new Margin(this)), note_(new Note(this)) {
    margin_->hide();
    note_->hide();
    // Drawn with the text: scrolled with it, repainted where it changed.
    connect(this, &QPlainTextEdit::updateRequest, margin_, [this](const QRect& rect, int dy) {
        if (!margin_->isVisible()) return;
        if (dy != 0) {
            margin_->scroll(0, dy);
        } else {
            margin_->update(0, rect.y(), margin_->width(), rect.height());
        }
    });
}

void ResultsPane::SetStampsShown(bool shown) {
    if (shown == stampsShown_) return;
    stampsShown_ = shown;
    UpdateMargins();
}

void ResultsPane::DropOldest(std::size_t lines) {
    stamps_.erase(stamps_.begin(),
                  stamps_.begin() + static_cast<std::ptrdiff_t>(std::min(lines, stamps_.size())));
    const bool first = dropped_ == 0;
    dropped_ += lines;
    if (first) UpdateMargins();
    note_->update();
}

int64_t ResultsPane::Stamp(int block) const {
    return block >= 0 && static_cast<std::size_t>(block) < stamps_.size()
               ? stamps_[static_cast<std::size_t>(block)]
               : -1;
}

void ResultsPane::ResetDropped() {
    if (dropped_ == 0) return;
    dropped_ = 0;
    UpdateMargins();
}

QString ResultsPane::NoteText() const {
    const QLocale locale;
    return QString::fromUtf8(kDroppedLinesNote)
        .arg(locale.toString(static_cast<qulonglong>(dropped_)), locale.toString(keptLines_));
}

int ResultsPane::StampWidth() const {
    return fontMetrics().horizontalAdvance(StampText(0)) + 2 * kPadding;
}

void ResultsPane::UpdateMargins() {
    const int left = stampsShown_ ? StampWidth() : 0;
    const int top = dropped_ > 0 ? fontMetrics().height() + 2 : 0;
    setViewportMargins(left, top, 0, 0);
    const QRect view = viewport()->geometry();
    const QRect frame = contentsRect();
    margin_->setGeometry(frame.left(), view.top(), left, view.height());
    note_->setGeometry(frame.left(), frame.top(), view.right() + 1 - frame.left(), top);
    margin_->setVisible(left > 0);
    note_->setVisible(top > 0);
    margin_->update();
}

void ResultsPane::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    UpdateMargins();
}

void ResultsPane::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateMargins();
}

}  // namespace orvane::gui
