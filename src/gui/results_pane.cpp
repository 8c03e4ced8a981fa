#include "gui/results_pane.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <cctype>
#include <limits>
#include <memory>

namespace orvane::gui {

namespace {

constexpr int kPadding = 4;
// Where the text starts left of the view's edge, as in an edit control.
constexpr int kTextLeft = 4;
constexpr qreal kTabStop = 80;
// The view is brought up to the text at most this often: drawing once a frame
// is all a person sees, and a flood arrives a millisecond at a time.
constexpr int kRefreshMs = 16;
// Lines longer than this are laid out only around the columns on screen.
constexpr std::size_t kLongLine = 1024;
constexpr int kAutoScrollMs = 50;

bool IsWordByte(unsigned char c) {
    return std::isalnum(c) != 0 || c == '_' || c >= 0xC0;
}

}  // namespace

QString StampText(int64_t msSinceEpoch) {
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch).toString(QStringLiteral("HH:mm:ss.zzz"));
}

struct ResultsPane::Laid {
    std::unique_ptr<QTextLayout> layout;
    std::size_t from = 0;  // the line's first byte laid out
    qreal x = 0;           // where that byte starts in the viewport
    QTextLine Line() const { return layout->lineAt(0); }
};

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
        const ResultsLines& lines = pane_->lines_;
        const int height = pane_->LineHeight();
        const uint64_t first =
            lines.First() + static_cast<uint64_t>(pane_->verticalScrollBar()->value());
        for (uint64_t n = first; n < lines.End(); ++n) {
            const int top = static_cast<int>(n - first) * height;
            if (top > event->rect().bottom()) break;
            const int64_t stamp = lines.Stamp(n);
            if (stamp < 0 || top + height < event->rect().top()) continue;
            painter.drawText(QRect(0, top, width() - kPadding, height),
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

// What a screen reader reads: the pane as read-only multi-line text, with its
// selection and the caret where the last click was.
class ResultsPane::Accessible final : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit Accessible(ResultsPane* pane)
        : QAccessibleWidget(pane, QAccessible::EditableText), pane_(pane) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = state.multiLine = state.selectableText = true;
        return state;
    }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? All() : QAccessibleWidget::text(kind);
    }

    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !pane_->HasSelection()) return;
        *start = CharOffset(std::min(pane_->Anchor(), pane_->Caret()));
        *end = CharOffset(std::max(pane_->Anchor(), pane_->Caret()));
    }
    int selectionCount() const override { return pane_->HasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { pane_->Select(pane_->Caret(), pane_->Caret()); }
    void setSelection(int, int start, int end) override {
        pane_->Select(AtCharOffset(start), AtCharOffset(end));
    }
    int cursorPosition() const override { return CharOffset(pane_->Caret()); }
    void setCursorPosition(int position) override {
        const Position at = AtCharOffset(position);
        pane_->Select(at, at);
    }
    QString text(int start, int end) const override { return All().mid(start, end - start); }
    int characterCount() const override {
        return CharOffset(pane_->Clamped({pane_->lines_.End(), 0}));
    }
    QRect characterRect(int offset) const override {
        const QRectF box = pane_->CharBox(AtCharOffset(offset));
        return QRect(pane_->viewport()->mapToGlobal(box.topLeft().toPoint()),
                     QSize(std::max(1, static_cast<int>(box.width())), pane_->LineHeight()));
    }
    int offsetAtPoint(const QPoint& point) const override {
        return CharOffset(pane_->PositionAt(pane_->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int start, int) override { pane_->PointOf(AtCharOffset(start)); }
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

  private:
    // Offsets count characters of the text with LF line ends.
    int CharOffset(Position at) const {
        return static_cast<int>(
            std::min<std::size_t>(pane_->Offset(at, 1), std::numeric_limits<int>::max()));
    }
    Position AtCharOffset(int offset) const {
        const ResultsLines& lines = pane_->lines_;
        auto left = static_cast<std::size_t>(std::max(0, offset));
        for (uint64_t n = lines.First(); n + 1 < lines.End(); ++n) {
            if (left <= lines.Text(n).size()) return {n, left};
            left -= lines.Text(n).size() + 1;
        }
        return pane_->Clamped({lines.End() - 1, left});
    }

    QString All() const {
        std::string text = pane_->lines_.Joined();
        std::erase(text, '\r');
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    }

    ResultsPane* pane_;
};

ResultsPane::ResultsPane(QWidget* parent)
    : QAbstractScrollArea(parent), margin_(new Margin(this)), note_(new Note(this)) {
    margin_->hide();
    note_->hide();
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    refresh_.setSingleShot(true);
    connect(&refresh_, &QTimer::timeout, this, [this] { Refresh(); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { following_ = value >= verticalScrollBar()->maximum(); });
    sinceRefresh_.start();
    // Qt asks the factories for every object a screen reader meets.
    static const bool accessible = [] {
        QAccessible::installFactory([](const QString&, QObject* object) -> QAccessibleInterface* {
            auto* pane = dynamic_cast<ResultsPane*>(object);
            return pane ? new Accessible(pane) : nullptr;
        });
        return true;
    }();
    (void)accessible;
}

void ResultsPane::Append(std::string_view text) {
    lines_.Append(text, QDateTime::currentMSecsSinceEpoch());
    ScheduleRefresh();
}

void ResultsPane::SetText(std::string_view text) {
    lines_.Clear();
    lines_.Append(text, QDateTime::currentMSecsSinceEpoch());
    anchor_ = caret_ = {lines_.End() - 1, lines_.Text(lines_.End() - 1).size()};
    following_ = true;
    if (droppedShown_ != 0) {
        droppedShown_ = 0;
        UpdateMargins();
    }
    Refresh();
}

std::string ResultsPane::Text(bool stamped) const {
    if (!stamped) return lines_.Joined();
    return lines_.Joined([](int64_t stamp) { return StampText(stamp).toStdString(); });
}

ResultsPane::Position ResultsPane::Clamped(Position at) const {
    if (at.line < lines_.First()) return {lines_.First(), 0};
    if (at.line >= lines_.End()) at = {lines_.End() - 1, std::numeric_limits<std::size_t>::max()};
    at.column = std::min(at.column, lines_.Text(at.line).size());
    return at;
}

std::size_t ResultsPane::Offset(Position at, std::size_t lineEnd) const {
    at = Clamped(at);
    std::size_t offset = at.column;
    for (uint64_t n = lines_.First(); n < at.line; ++n) offset += lines_.Text(n).size() + lineEnd;
    return offset;
}

void ResultsPane::Select(Position anchor, Position caret) {
    anchor_ = anchor;
    caret_ = caret;
    viewport()->update();
}

void ResultsPane::SelectAll() {
    Select({lines_.First(), 0}, Clamped({lines_.End(), 0}));
    if (QClipboard* clipboard = QGuiApplication::clipboard(); clipboard->supportsSelection())
        clipboard->setText(SelectedText(), QClipboard::Selection);
}

QString ResultsPane::SelectedText() const {
    const Position from = std::min(Anchor(), Caret());
    const Position to = std::max(Anchor(), Caret());
    std::string text;
    for (uint64_t n = from.line; n <= to.line; ++n) {
        const std::string& line = lines_.Text(n);
        const std::size_t begin = n == from.line ? from.column : 0;
        const std::size_t end = n == to.line ? to.column : line.size();
        text.append(line, begin, end - begin);
        if (n != to.line) text += '\n';
    }
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void ResultsPane::Copy() const {
    if (HasSelection()) QGuiApplication::clipboard()->setText(SelectedText());
}

int ResultsPane::LineHeight() const {
    return std::max(1, fontMetrics().height());
}

int ResultsPane::CharWidth() const {
    return std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('M')));
}

int ResultsPane::VisibleLines() const {
    return std::max(1, viewport()->height() / LineHeight());
}

ResultsPane::Laid ResultsPane::Layout(uint64_t line) const {
    const std::string& text = lines_.Text(line);
    const int scroll = horizontalScrollBar()->value();
    const qreal charWidth = CharWidth();
    Laid laid;
    std::size_t count = text.size();
    if (text.size() > kLongLine) {
        // In a fixed-pitch font, the columns on screen and a few either side.
        const auto column = static_cast<std::size_t>(std::max(0.0, scroll / charWidth - 16));
        laid.from = std::min(text.size(), column);
        count = std::min(text.size() - laid.from,
                         static_cast<std::size_t>(viewport()->width() / charWidth) + 32);
    }
    laid.x = kTextLeft - scroll + static_cast<qreal>(laid.from) * charWidth;
    laid.layout = std::make_unique<QTextLayout>(
        QString::fromLatin1(text.data() + laid.from, static_cast<qsizetype>(count)), font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(kTabStop);
    laid.layout->setTextOption(option);
    laid.layout->beginLayout();
    laid.layout->createLine();
    laid.layout->endLayout();
    return laid;
}

ResultsPane::Position ResultsPane::PositionAt(QPoint point) const {
    const auto row = static_cast<uint64_t>(std::max(0, point.y()) / LineHeight());
    const uint64_t line =
        std::min(lines_.End() - 1,
                 lines_.First() + static_cast<uint64_t>(verticalScrollBar()->value()) + row);
    const Laid laid = Layout(line);
    const int cursor = laid.Line().xToCursor(point.x() - laid.x);
    return Clamped({line, laid.from + static_cast<std::size_t>(std::max(0, cursor))});
}

QPoint ResultsPane::PointOf(Position at) {
    Refresh();
    at = Clamped(at);
    QScrollBar* bar = verticalScrollBar();
    const auto row = static_cast<int>(at.line - lines_.First());
    if (row < bar->value() || row >= bar->value() + VisibleLines()) bar->setValue(row);
    // Across, in a fixed-pitch font: the column at the middle when it is out of view.
    QScrollBar* across = horizontalScrollBar();
    const int x =
        kTextLeft + static_cast<int>(std::min<std::size_t>(at.column, 1 << 24)) * CharWidth();
    if (x < across->value() || x >= across->value() + viewport()->width())
        across->setValue(x - viewport()->width() / 2);
    // A quarter into it: a click there puts the caret before it.
    const QRectF box = CharBox(at);
    return QPoint(static_cast<int>(box.left() + box.width() / 4),
                  static_cast<int>(box.top()) + LineHeight() / 2);
}

QRectF ResultsPane::CharBox(Position at) const {
    at = Clamped(at);
    const Laid laid = Layout(at.line);
    const auto column = static_cast<int>(at.column - std::min(at.column, laid.from));
    const qreal left = laid.x + laid.Line().cursorToX(column);
    const qreal right = laid.x + laid.Line().cursorToX(column + 1);
    const int row = static_cast<int>(at.line - lines_.First()) - verticalScrollBar()->value();
    return QRectF(left, row * LineHeight(), right - left, LineHeight());
}

void ResultsPane::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const QRect area = event->rect();
    const int height = LineHeight();
    const Position from = std::min(Anchor(), Caret());
    const Position to = std::max(Anchor(), Caret());
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    const uint64_t first = lines_.First() + static_cast<uint64_t>(verticalScrollBar()->value());
    for (uint64_t n = first; n < lines_.End(); ++n) {
        const int top = static_cast<int>(n - first) * height;
        if (top > area.bottom()) break;
        if (top + height < area.top()) continue;
        const Laid laid = Layout(n);
        QList<QTextLayout::FormatRange> ranges;
        if (from != to && from.line <= n && n <= to.line) {
            const std::size_t size = lines_.Text(n).size();
            const std::size_t laidEnd =
                laid.from + static_cast<std::size_t>(laid.layout->text().size());
            const std::size_t begin = std::max(n == from.line ? from.column : 0, laid.from);
            const std::size_t end = std::min(n == to.line ? to.column : size, laidEnd);
            if (begin < end)
                ranges.push_back(
                    {static_cast<int>(begin - laid.from), static_cast<int>(end - begin), selected});
            // The line end is selected too: a sliver past the text shows it.
            if (n != to.line && laidEnd == size) {
                const qreal x = laid.x + laid.Line().naturalTextWidth();
                painter.fillRect(QRectF(x, top, fontMetrics().averageCharWidth(), height),
                                 selected.background());
            }
        }
        laid.layout->draw(&painter, QPointF(laid.x, top), ranges);
    }
}

void ResultsPane::ScheduleRefresh() {
    if (refresh_.isActive()) return;
    refresh_.start(static_cast<int>(std::max<qint64>(0, kRefreshMs - sinceRefresh_.elapsed())));
}

void ResultsPane::Refresh() {
    refresh_.stop();
    sinceRefresh_.restart();
    const uint64_t gone = lines_.Dropped() - droppedShown_;
    const bool firstDrop = droppedShown_ == 0 && gone > 0;
    droppedShown_ = lines_.Dropped();
    if (firstDrop) UpdateMargins();
    QScrollBar* bar = verticalScrollBar();
    const bool follow = following_;
    // The lines in view stay in view as older ones go.
    const int value = bar->value() - static_cast<int>(std::min<uint64_t>(gone, kMaxLines + 1));
    const int visible = VisibleLines();
    bar->setPageStep(visible);
    bar->setRange(0, std::max(0, static_cast<int>(lines_.Count()) - visible));
    bar->setValue(follow ? bar->maximum() : value);
    following_ = bar->value() >= bar->maximum();

    QScrollBar* across = horizontalScrollBar();
    const int charWidth = CharWidth();
    const qint64 width =
        2 * kTextLeft + static_cast<qint64>(std::min<std::size_t>(
                            lines_.Longest(), std::numeric_limits<int>::max() / 64)) *
                            charWidth;
    across->setSingleStep(charWidth);
    across->setPageStep(viewport()->width());
    across->setRange(0, static_cast<int>(std::max<qint64>(0, width - viewport()->width())));
    viewport()->update();
    if (margin_->isVisible()) margin_->update();
    if (note_->isVisible()) note_->update();
}

void ResultsPane::SetStampsShown(bool shown) {
    if (shown == stampsShown_) return;
    stampsShown_ = shown;
    UpdateMargins();
}

QString ResultsPane::NoteText() const {
    const QLocale locale;
    return QString::fromUtf8(kDroppedLinesNote)
        .arg(locale.toString(static_cast<qulonglong>(droppedShown_)),
             locale.toString(static_cast<qulonglong>(kMaxLines)));
}

int ResultsPane::StampWidth() const {
    return fontMetrics().horizontalAdvance(StampText(0)) + 2 * kPadding;
}

void ResultsPane::UpdateMargins() {
    const int left = stampsShown_ ? StampWidth() : 0;
    const int top = droppedShown_ > 0 ? fontMetrics().height() + 2 : 0;
    setViewportMargins(left, top, 0, 0);
    const QRect view = viewport()->geometry();
    const QRect frame = contentsRect();
    margin_->setGeometry(frame.left(), view.top(), left, view.height());
    note_->setGeometry(frame.left(), frame.top(), view.right() + 1 - frame.left(), top);
    margin_->setVisible(left > 0);
    note_->setVisible(top > 0);
    margin_->update();
    note_->update();
}

void ResultsPane::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateMargins();
    Refresh();
}

void ResultsPane::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateMargins();
        Refresh();
    }
}

void ResultsPane::scrollContentsBy(int, int) {
    viewport()->update();
    if (margin_->isVisible()) margin_->update();
}

void ResultsPane::keyPressEvent(QKeyEvent* event) {
    QScrollBar* bar = verticalScrollBar();
    if (event == QKeySequence::Copy) {
        Copy();
    } else if (event == QKeySequence::SelectAll) {
        SelectAll();
    } else if (event == QKeySequence::MoveToStartOfDocument) {
        bar->setValue(bar->minimum());
    } else if (event == QKeySequence::MoveToEndOfDocument) {
        bar->setValue(bar->maximum());
    } else {
        // Arrows and pages scroll; anything else is not for a record.
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ResultsPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const Position at = PositionAt(event->position().toPoint());
    if (sinceDoubleClick_.isValid() &&
        sinceDoubleClick_.elapsed() < QApplication::doubleClickInterval() &&
        (event->position().toPoint() - doubleClickAt_).manhattanLength() <
            QApplication::startDragDistance()) {
        // The third click of three: the whole line, and its line end.
        sinceDoubleClick_.invalidate();
        Select({at.line, 0}, Clamped({at.line + 1, 0}));
        return;
    }
    selecting_ = true;
    mouseAt_ = event->position().toPoint();
    Select(event->modifiers() & Qt::ShiftModifier ? anchor_ : at, at);
}

void ResultsPane::ExtendTo(QPoint point) {
    Select(anchor_, PositionAt(point));
}

void ResultsPane::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_ || !(event->buttons() & Qt::LeftButton)) return;
    mouseAt_ = event->position().toPoint();
    ExtendTo(mouseAt_);
    // Held above or below the view, the selection goes on by scrolling.
    if (mouseAt_.y() < 0 || mouseAt_.y() >= viewport()->height()) {
        if (!autoScroll_.isActive()) autoScroll_.start(kAutoScrollMs, this);
    } else {
        autoScroll_.stop();
    }
}

void ResultsPane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    selecting_ = false;
    autoScroll_.stop();
    if (QClipboard* clipboard = QGuiApplication::clipboard();
        HasSelection() && clipboard->supportsSelection())
        clipboard->setText(SelectedText(), QClipboard::Selection);
}

void ResultsPane::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // The word under the mouse, or the one character that is not part of one.
    const Position at = PositionAt(event->position().toPoint());
    const std::string& line = lines_.Text(at.line);
    std::size_t begin = at.column, end = at.column;
    if (end < line.size() && !IsWordByte(static_cast<unsigned char>(line[end]))) {
        ++end;
    } else {
        while (begin > 0 && IsWordByte(static_cast<unsigned char>(line[begin - 1]))) --begin;
        while (end < line.size() && IsWordByte(static_cast<unsigned char>(line[end]))) ++end;
    }
    Select({at.line, begin}, {at.line, end});
    sinceDoubleClick_.start();
    doubleClickAt_ = event->position().toPoint();
}

void ResultsPane::timerEvent(QTimerEvent* event) {
    if (event->timerId() != autoScroll_.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + (mouseAt_.y() < 0 ? -1 : 1));
    ExtendTo(mouseAt_);
}

void ResultsPane::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("&Copy"), this, [this] { Copy(); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(HasSelection());
    QAction* all = menu.addAction(QStringLiteral("Select All"), this, [this] { SelectAll(); });
    all->setShortcut(QKeySequence::SelectAll);
    menu.exec(event->globalPos());
}

}  // namespace orvane::gui
