#include "gui/widget_controls.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "gui/memory_policy.h"

namespace orvane::gui {

QString FromLatin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToLatin1(const QString& text) {
    QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

namespace {

// Inserted at most this much at a time, ending on a line end, so the time
// budget is checked often enough.
constexpr std::size_t kPieceBytes = 4 * 1024;

// The pane keeps paragraphs; the core writes and reads lines ended by CR LF.
QString WithoutCarriageReturns(std::string_view text) {
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* to = out.data();
    for (char c : text) {
        if (c != '\r') *to++ = QChar(static_cast<uchar>(c));
    }
    out.truncate(to - out.constData());
    return out;
}

}  // namespace

// --- ResultsPaneBox

ResultsPaneBox::ResultsPaneBox(ResultsPane* pane) : WidgetControl(pane), pane_(pane) {
    pane_->setUndoRedoEnabled(false);  // a log that grows for hours needs no undo
    pane_->SetKeptLines(kMaxLines);
    KeepLargeBuffersInHeap();
}

bool ResultsPaneBox::Insert(qint64 budgetMs) const {
    if (inserted_ == pending_.size()) return false;
    QElapsedTimer clock;
    clock.start();
    const bool timed = budgetMs >= 0;
    const double budgetNs = static_cast<double>(budgetMs) * 1e6;
    // Laying out and dropping lines come after the inserts: the turn takes as
    // many bytes as the recent turns say fit its budget, all told. The clock
    // still ends a turn that meets a slow patch.
    const auto quota =
        static_cast<std::size_t>(std::max(budgetNs / nsPerByte_, static_cast<double>(kPieceBytes)));
    QScrollBar* bar = pane_->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    QTextDocument* doc = pane_->document();
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
    std::size_t taken = 0;
    // One edit: the document lays out the new lines once, not once a piece.
    end.beginEditBlock();
    while (inserted_ < pending_.size()) {
        std::size_t stop = std::min(pending_.size(), inserted_ + kPieceBytes);
        if (stop < pending_.size()) {
            const std::size_t lineEnd = pending_.rfind('\n', stop - 1);
            if (lineEnd != std::string::npos && lineEnd >= inserted_) stop = lineEnd + 1;
        }
        end.insertText(
            WithoutCarriageReturns(std::string_view(pending_).substr(inserted_, stop - inserted_)));
        taken += stop - inserted_;
        inserted_ = stop;
        if (timed && (taken >= quota || static_cast<double>(clock.nsecsElapsed()) >= budgetNs))
            break;
    }
    end.endEditBlock();
    // The oldest lines go in one removal by position. (The document's own
    // block limit walks them a line at a time, laying out each: many times the
    // cost of inserting them.)
    if (doc->blockCount() > kMaxLines) {
        const int drop = doc->blockCount() - kMaxLines;
        QTextCursor oldest(doc);
        oldest.setPosition(doc->findBlockByNumber(drop).position(), QTextCursor::KeepAnchor);
        oldest.removeSelectedText();
        pane_->DropOldest(static_cast<std::size_t>(drop));
    }
    if (following) bar->setValue(bar->maximum());
    if (timed) {
        // One slow turn (the document compacting its text, another program on
        // the processor) moves the estimate only so far.
        const double sample =
            static_cast<double>(clock.nsecsElapsed()) / static_cast<double>(taken);
        nsPerByte_ += (std::clamp(sample, nsPerByte_ / 4, nsPerByte_ * 4) - nsPerByte_) / 4;
    }
    if (inserted_ < pending_.size()) return true;
    pending_.clear();
    inserted_ = 0;
    return false;
}

void ResultsPaneBox::Flush() const {
    Insert(-1);
}

void ResultsPaneBox::QueueFlush() const {
    if (flushQueued_) return;
    flushQueued_ = true;
    // Queued behind what is already waiting, so other calls are served between pieces.
    QMetaObject::invokeMethod(
        pane_,
        [this] {
            flushQueued_ = false;
            if (Insert(kInsertBudgetMs)) QueueFlush();
        },
        Qt::QueuedConnection);
}

std::string ResultsPaneBox::Text() const {
    Flush();
    if (stampedText_) {
        std::string out;
        for (QTextBlock b = pane_->document()->firstBlock(); b.isValid(); b = b.next()) {
            const bool last = !b.next().isValid();
            if (last && b.length() <= 1) break;  // the empty line after the last line end
            if (const int64_t stamp = pane_->Stamp(b.blockNumber()); stamp >= 0)
                out += ToLatin1(StampText(stamp)) + ' ';
            out += ToLatin1(b.text());
            if (!last) out += "\r\n";
        }
        return out;
    }
    std::string plain = ToLatin1(pane_->toPlainText());
    std::string out;
    out.reserve(plain.size() + static_cast<std::size_t>(pane_->blockCount()));
    for (char c : plain) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

void ResultsPaneBox::SetText(std::string_view text) {
    pending_.clear();
    inserted_ = 0;
    pane_->ClearStamps();
    pane_->ResetDropped();
    lineOpen_ = false;
    StampLines(text);
    pane_->setPlainText(WithoutCarriageReturns(text));
    pane_->moveCursor(QTextCursor::End);
}

void ResultsPaneBox::AppendText(std::string_view text) {
    if (text.empty()) return;
    StampLines(text);
    // What is in the widget goes once it is half the buffer, so dropping it costs
    // no more than the appends did.
    if (inserted_ > 0 && inserted_ >= pending_.size() / 2) {
        pending_.erase(0, inserted_);
        inserted_ = 0;
    }
    pending_.append(text);
    QueueFlush();
}

void ResultsPaneBox::StampLines(std::string_view text) {
    if (text.empty()) return;
    const int64_t now = QDateTime::currentMSecsSinceEpoch();
    if (!lineOpen_) pane_->AddStamp(now);
    for (std::size_t at = text.find('\n'); at != std::string_view::npos && at + 1 < text.size();
         at = text.find('\n', at + 1)) {
        pane_->AddStamp(now);
    }
    lineOpen_ = text.back() != '\n';
}

ui::TextSelection ResultsPaneBox::Selection() const {
    Flush();
    QTextCursor c = pane_->textCursor();
    return {static_cast<std::size_t>(c.selectionStart()),
            static_cast<std::size_t>(c.selectionEnd())};
}

void ResultsPaneBox::SelectAll() {
    Flush();
    pane_->selectAll();
}

std::string ResultsPaneBox::CaretLine() const {
    Flush();
    return ToLatin1(pane_->textCursor().block().text());
}

// --- LineEditBox

LineEditBox::LineEditBox(QLineEdit* edit, Encoding encoding)
    : WidgetControl(edit), edit_(edit), encoding_(encoding) {}

QString LineEditBox::Decode(std::string_view text) const {
    return encoding_ == Encoding::Latin1 ? FromLatin1(text) : FromUtf8(text);
}

std::string LineEditBox::Text() const {
    return encoding_ == Encoding::Latin1 ? ToLatin1(edit_->text()) : ToUtf8(edit_->text());
}

void LineEditBox::SetText(std::string_view text) {
    edit_->setText(Decode(text));
}

void LineEditBox::AppendText(std::string_view text) {
    edit_->end(false);
    edit_->insert(Decode(text));
}

ui::TextSelection LineEditBox::Selection() const {
    if (!edit_->hasSelectedText()) {
        auto at = static_cast<std::size_t>(edit_->cursorPosition());
        return {at, at};
    }
    auto start = static_cast<std::size_t>(edit_->selectionStart());
    return {start, start + static_cast<std::size_t>(edit_->selectedText().size())};
}

void LineEditBox::SelectAll() {
    edit_->selectAll();
}

// --- ListWidgetBox

ListWidgetBox::ListWidgetBox(QListWidget* list) : WidgetControl(list), list_(list) {}

void ListWidgetBox::Clear() {
    list_->clear();
}

void ListWidgetBox::AddItem(std::string_view text) {
    list_->addItem(FromLatin1(text));
}

int ListWidgetBox::Count() const {
    return list_->count();
}

std::string ListWidgetBox::ItemText(int index) const {
    QListWidgetItem* item = list_->item(index);
    return item ? ToLatin1(item->text()) : std::string();
}

int ListWidgetBox::CurrentIndex() const {
    QList<QListWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->row(selected.front());
}

void ListWidgetBox::SetCurrentIndex(int index) {
    if (index >= 0 && index < list_->count()) {
        list_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        list_->scrollToItem(list_->item(index));
    } else {
        list_->clearSelection();
        list_->setCurrentRow(-1);
    }
}

// --- ComboBoxBox

ComboBoxBox::ComboBoxBox(QComboBox* combo) : WidgetControl(combo), combo_(combo) {}

void ComboBoxBox::Clear() {
    combo_->clear();
    combo_->setCurrentIndex(-1);
}

void ComboBoxBox::AddItem(std::string_view text) {
    const bool none = combo_->currentIndex() < 0;
    const QString typed = combo_->isEditable() ? combo_->currentText() : QString();
    combo_->addItem(FromUtf8(text));
    if (none) {
        combo_->setCurrentIndex(-1);
        if (combo_->isEditable()) combo_->setEditText(typed);
    }
}

int ComboBoxBox::Count() const {
    return combo_->count();
}

std::string ComboBoxBox::ItemText(int index) const {
    return index >= 0 && index < combo_->count() ? ToUtf8(combo_->itemText(index)) : std::string();
}

int ComboBoxBox::CurrentIndex() const {
    int index = combo_->currentIndex();
    if (index < 0) return -1;
    if (combo_->isEditable() && combo_->currentText() != combo_->itemText(index)) return -1;
    return index;
}

void ComboBoxBox::SetCurrentIndex(int index) {
    combo_->setCurrentIndex(index >= 0 && index < combo_->count() ? index : -1);
}

std::string ComboBoxBox::EditText() const {
    return ToUtf8(combo_->currentText());
}

void ComboBoxBox::SetEditText(std::string_view text) {
    combo_->setCurrentIndex(-1);
    if (combo_->isEditable()) combo_->setEditText(FromUtf8(text));
}

}  // namespace orvane::gui
