#include "gui/upgrade_window.h"

#include <QApplication>
#include <QPointer>

#include "gui/dialog_units.h"
#include "gui/files_list_dialog_window.h"

namespace orvane::gui {

UpgradeWindow::UpgradeWindow(QWidget* owner)
    : QDialog(owner),
      status_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      log_(new QPlainTextEdit(this)),
      cancel_(new QPushButton(this)),
      start_(new QPushButton(this)),
      cancelBox_(cancel_),
      startBox_(start_),
      boxes_(this) {
    using L = ui::UpgradeDialogLayout;
    setObjectName("upgradeDialog");
    const DialogUnits du(font());
    setFixedSize(du.Size(L::kWidth, L::kHeight));
    status_->setGeometry(du.Rect(L::kStatusX, L::kStatusY, L::kStatusWidth, L::kStatusHeight));
    status_->setMinimumHeight(status_->sizeHint().height());
    progress_->setGeometry(
        du.Rect(L::kProgressX, L::kProgressY, L::kProgressWidth, L::kProgressHeight));
    log_->setGeometry(du.Rect(L::kLogX, L::kLogY, L::kLogWidth, L::kLogHeight));
    cancel_->setGeometry(du.Rect(L::kCancelX, L::kCancelY, L::kButtonWidth, L::kButtonHeight));
    start_->setGeometry(du.Rect(L::kStartX, L::kStartY, L::kButtonWidth, L::kButtonHeight));
    status_->setObjectName(QString::number(ui::kUpgradeStatusId));
    progress_->setObjectName(QString::number(ui::kUpgradeProgressId));
    log_->setObjectName(QString::number(ui::kUpgradeLogId));
    cancel_->setObjectName(QString::number(ui::kUpgradeCancelId));
    start_->setObjectName(QString::number(ui::kUpgradeStartId));

    progress_->setRange(0, 100);
    progress_->setValue(0);
    log_->setReadOnly(true);
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setUndoRedoEnabled(false);
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    connect(start_, &QPushButton::clicked, this, [this] {
        if (events_) events_->OnStartButton();
    });
    setTabOrder(cancel_, start_);
}

void UpgradeWindow::SetTitle(const std::string& title) {
    setWindowTitle(FromUtf8(title));
}

void UpgradeWindow::SetStatus(std::string_view text) {
    status_->setText(FromUtf8(text));
}

void UpgradeWindow::SetProgress(int percent) {
    progress_->setValue(std::clamp(percent, 0, 100));
}

void UpgradeWindow::AppendLog(std::string_view line) {
    log_->appendPlainText(FromUtf8(line));
}

void UpgradeWindow::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(
        this,
        [closed = closed_, call = std::move(call)] {
            if (!*closed) call();
        },
        Qt::QueuedConnection);
}

void UpgradeWindow::Close(int result) {
    *closed_ = true;
    done(result);
}

void UpgradeWindow::reject() {
    if (!events_) {
        QDialog::reject();
    } else if (cancel_->isEnabled()) {
        events_->OnCancel();
    }
}

QWidget* UpgradeRunner::Owner() const {
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget() : owner_;
}

std::unique_ptr<ui::FilesListWindow> UpgradeRunner::MakeFilesListWindow() {
    return std::make_unique<FilesListDialogWindow>(Owner());
}

int UpgradeRunner::RunUpgradeDialog(ui::UpgradeDialogEvents& events) {
    UpgradeWindow dialog(Owner());
    dialog.SetEvents(&events);
    events.OnStart(dialog);
    const int result = RunModal(dialog);
    // The worker posts to the view until it hears the view is going.
    events.OnDestroy();
    return result;
}

}  // namespace orvane::gui
