#pragma once
// "Firmware Files List": the plan preview, read through our RTF reader, with
// Cancel (the default) and Accept.

#include <QDialog>
#include <QPushButton>
#include <QTextEdit>

#include "ui/files_list_window.h"

namespace orvane::gui {

class FilesListDialogWindow final : public QDialog, public ui::FilesListWindow {
  public:
    explicit FilesListDialogWindow(QWidget* owner);
    void SetTitle(const std::string& title) override;
    void SetRichText(const std::string& rtf) override;
    void EnableAccept(bool enabled) override { accept_->setEnabled(enabled); }
    int RunModal() override;

    QTextEdit* text() const { return text_; }

  private:
    QTextEdit* text_;
    QPushButton* cancel_;
    QPushButton* accept_;
};

}  // namespace orvane::gui
