#include "gui/busy_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QVBoxLayout>

#include "gui/widget_controls.h"

namespace orvane::gui {

namespace {

constexpr int kBusyWidth = 360;

}  // namespace

BusyWindow::BusyWindow(QWidget* owner, std::function<void()> cancel)
    : QDialog(owner),
      text_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(FromUtf8(kBusyCancelCaption), this)),
      onCancel_(std::move(cancel)) {
    setObjectName("busyWindow");
    setWindowTitle(QApplication::applicationDisplayName());
    setWindowModality(Qt::ApplicationModal);
    text_->setWordWrap(true);
    text_->setMinimumWidth(kBusyWidth);
    // No range: the bar runs to and fro, which shows the window is alive.
    bar_->setRange(0, 0);
    bar_->setTextVisible(false);
    cancel_->setObjectName("busyCancel");
    cancel_->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    setFixedSize(sizeHint());
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
}

void BusyWindow::SetText(const QString& text) {
    text_->setText(text);
}

void BusyWindow::reject() {
    if (!cancel_->isEnabled()) return;
    cancel_->setEnabled(false);
    cancel_->setText(FromUtf8(kBusyCancelling));
    if (onCancel_) onCancel_();
}

void BusyRunner::RunBusy(const std::string& text, ui::BackgroundWork& work) {
    QWidget* owner =
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : owner_.data();
    BusyWindow window(owner, [&work] { work.Cancel(); });
    window.SetText(FromUtf8(text));
    const QPointer<BusyWindow> outer = current_;
    current_ = &window;
    if (status_) status_->SetStatus(text);

    QEventLoop loop;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    window.show();
    work.Start(
        [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });
    loop.exec();
    // The loop also ends when the application is told to quit: the work must
    // not then hold the window for the rest of its time.
    work.Cancel();
    work.Join();
    QApplication::restoreOverrideCursor();
    current_ = outer;
    // What came of the work is the caller's to say.
    if (status_) status_->SetStatus({});
}

void BusyRunner::UpdateBusy(const std::string& text) {
    QMetaObject::invokeMethod(
        &notes_,
        [this, text] {
            if (current_) current_->SetText(FromUtf8(text));
            if (status_) status_->SetStatus(text);
        },
        Qt::QueuedConnection);
}

}  // namespace orvane::gui
