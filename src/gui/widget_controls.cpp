#include "gui/widget_controls.h"

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

// --- ResultsPaneBox

ui::TextSelection ResultsPaneBox::Selection() const {
    const std::size_t anchor = pane_->Offset(pane_->Anchor());
    const std::size_t caret = pane_->Offset(pane_->Caret());
    return {std::min(anchor, caret), std::max(anchor, caret)};
}

std::string ResultsPaneBox::CaretLine() const {
    return pane_->lines().Text(pane_->Caret().line);
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
