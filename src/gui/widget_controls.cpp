#include "gui/widget_controls.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

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

ResultsPaneBox::ResultsPaneBox(QPlainTextEdit* edit) : WidgetControl(edit), edit_(edit) {
    edit_->setUndoRedoEnabled(false);  // a log that grows for hours needs no undo
}

bool ResultsPaneBox::Insert(qint64 budgetMs) const {
    if (inserted_ == pending_.size()) return false;
    QElapsedTimer clock;
    clock.start();
    QScrollBar* bar = edit_->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    QTextDocument* doc = edit_->document();
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
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
        inserted_ = stop;
        if (budgetMs >= 0 && static_cast<double>(clock.nsecsElapsed()) >= insertNs_) break;
    }
    end.endEditBlock();
    // The oldest lines go in one removal by position. (The document's own
    // block limit walks them a line at a time, laying out each: many times the
    // cost of inserting them.)
    if (doc->blockCount() > kMaxLines) {
        QTextCursor oldest(doc);
        oldest.setPosition(doc->findBlockByNumber(doc->blockCount() - kMaxLines).position(),
                           QTextCursor::KeepAnchor);
        oldest.removeSelectedText();
    }
    if (following) bar->setValue(bar->maximum());
    // Laying out and dropping lines comes after the inserts and costs a few times
    // as much: the inserts get the share of the budget that the last turn left them.
    if (budgetMs >= 0) {
        const double spent = static_cast<double>(std::max<qint64>(clock.nsecsElapsed(), 1));
        insertNs_ = std::clamp(insertNs_ * static_cast<double>(budgetMs) * 1e6 / spent, 2e5,
                               static_cast<double>(budgetMs) * 1e6);
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
        edit_,
        [this] {
            flushQueued_ = false;
            if (Insert(kInsertBudgetMs)) QueueFlush();
        },
        Qt::QueuedConnection);
}

std::string ResultsPaneBox::Text() const {
    Flush();
    std::string plain = ToLatin1(edit_->toPlainText());
    std::string out;
    out.reserve(plain.size() + static_cast<std::size_t>(edit_->blockCount()));
    for (char c : plain) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

void ResultsPaneBox::SetText(std::string_view text) {
    pending_.clear();
    inserted_ = 0;
    edit_->setPlainText(WithoutCarriageReturns(text));
    edit_->moveCursor(QTextCursor::End);
}

void ResultsPaneBox::AppendText(std::string_view text) {
    if (text.empty()) return;
    // What is in the widget goes once it is half the buffer, so dropping it costs
    // no more than the appends did.
    if (inserted_ > 0 && inserted_ >= pending_.size() / 2) {
        pending_.erase(0, inserted_);
        inserted_ = 0;
    }
    pending_.append(text);
    QueueFlush();
}

ui::TextSelection ResultsPaneBox::Selection() const {
    Flush();
    QTextCursor c = edit_->textCursor();
    return {static_cast<std::size_t>(c.selectionStart()),
            static_cast<std::size_t>(c.selectionEnd())};
}

void ResultsPaneBox::SelectAll() {
    Flush();
    edit_->selectAll();
}

std::string ResultsPaneBox::CaretLine() const {
    Flush();
    return ToLatin1(edit_->textCursor().block().text());
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
