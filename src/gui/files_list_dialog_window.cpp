#include "gui/files_list_dialog_window.h"

#include "firmware/firmware_texts.h"
#include "gui/dialog_units.h"
#include "gui/interaction.h"
#include "gui/rich_text.h"
#include "gui/widget_controls.h"

namespace orvane::gui {

FilesListDialogWindow::FilesListDialogWindow(QWidget* owner)
    : QDialog(owner),
      text_(new QTextEdit(this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      accept_(new QPushButton(QStringLiteral("Accept"), this)) {
    using L = ui::FilesListLayout;
    setObjectName("filesListDialog");
    setWindowTitle(FromUtf8(firmware::kFilesListTitle));
    const DialogUnits du(font());
    setFixedSize(du.Size(L::kWidth, L::kHeight));
    text_->setGeometry(du.Rect(L::kTextX, L::kTextY, L::kTextWidth, L::kTextHeight));
    cancel_->setGeometry(du.Rect(L::kCancelX, L::kCancelY, L::kButtonWidth, L::kButtonHeight));
    accept_->setGeometry(du.Rect(L::kAcceptX, L::kAcceptY, L::kButtonWidth, L::kButtonHeight));
    text_->setObjectName(QString::number(ui::kFilesListTextId));
    cancel_->setObjectName(QString::number(ui::kFilesListCancelId));
    accept_->setObjectName(QString::number(ui::kFilesListAcceptId));

    text_->setReadOnly(true);
    text_->setLineWrapMode(QTextEdit::NoWrap);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, [this] { done(ui::kFilesListCancelId); });
    connect(accept_, &QPushButton::clicked, this, [this] { done(ui::kFilesListAcceptId); });
    setTabOrder(cancel_, accept_);
    setTabOrder(accept_, text_);
    cancel_->setFocus();
}

void FilesListDialogWindow::SetTitle(const std::string& title) {
    setWindowTitle(FromUtf8(title));
}

void FilesListDialogWindow::SetRichText(const std::string& rtf) {
    SetRtf(*text_->document(), rtf);
}

int FilesListDialogWindow::RunModal() {
    int result = gui::RunModal(*this);
    // Escape and the close box end the dialog as Cancel.
    return result == ui::kFilesListAcceptId ? ui::kFilesListAcceptId : ui::kFilesListCancelId;
}

}  // namespace orvane::gui
