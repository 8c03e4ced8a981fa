#pragma once
// "Upgrade Firmware": the status line, the progress bar and the log of the
// worker's conversation with the bootloader, with Cancel (which reads
// "Finished" at the end) and Start. The core's UpgradeDialog starts
// the worker and decides when the dialog may close.

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <memory>

#include "gui/interaction.h"
#include "gui/widget_controls.h"
#include "ui/upgrade_dialog.h"

namespace orvane::gui {

class UpgradeWindow final : public QDialog, public ui::UpgradeDialogView {
  public:
    explicit UpgradeWindow(QWidget* owner);
    void SetEvents(ui::UpgradeDialogEvents* events) { events_ = events; }

    void SetTitle(const std::string& title) override;
    void SetStatus(std::string_view text) override;
    void SetProgress(int percent) override;
    void AppendLog(std::string_view line) override;
    ui::Button& StartButton() override { return startBox_; }
    ui::Button& CancelButton() override { return cancelBox_; }
    ui::MessageBoxes& Boxes() override { return boxes_; }
    // From any thread: a queued call, dropped once the dialog has closed.
    void Post(std::function<void()> call) override;
    void Close(int result) override;

    // Escape and the close box are Cancel, and like Cancel do nothing while
    // the worker runs.
    void reject() override;

  private:
    QLabel* status_;
    QProgressBar* progress_;
    QPlainTextEdit* log_;
    QPushButton* cancel_;
    QPushButton* start_;
    PushButton cancelBox_;
    PushButton startBox_;
    MessageBoxWindow boxes_;
    ui::UpgradeDialogEvents* events_ = nullptr;
    // Shared with calls in flight, which may outlive the dialog in the queue.
    std::shared_ptr<std::atomic<bool>> closed_ = std::make_shared<std::atomic<bool>>(false);
};

// The upgrade command's two dialogs, modal over the main window.
class UpgradeRunner final : public ui::UpgradeDialogRunner {
  public:
    explicit UpgradeRunner(QWidget* owner) : owner_(owner) {}
    std::unique_ptr<ui::FilesListWindow> MakeFilesListWindow() override;
    int RunUpgradeDialog(ui::UpgradeDialogEvents& events) override;

  private:
    QWidget* Owner() const;
    QWidget* owner_;
};

}  // namespace orvane::gui
