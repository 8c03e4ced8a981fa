#pragma once
// The busy indicator of work that runs off the window's thread (a connect, a
// LAN search): what is going on, a running bar and Cancel, modal over the
// window that started it, while every window goes on drawing.

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <functional>

#include "ui/busy_indicator.h"

namespace orvane::gui {

inline constexpr const char kBusyCancelCaption[] = "Cancel";
inline constexpr const char kBusyCancelling[] = "Cancelling...";

class BusyWindow final : public QDialog {
  public:
    // cancel: what Cancel, Escape and the close box do, once.
    BusyWindow(QWidget* owner, std::function<void()> cancel);
    void SetText(const QString& text);
    QPushButton* cancelButton() const { return cancel_; }
    void reject() override;

  private:
    QLabel* text_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    std::function<void()> onCancel_;
};

class BusyRunner final : public ui::BusyIndicator {
  public:
    // status: where what the indicator says is repeated; may be null.
    BusyRunner(QWidget* owner, ui::StatusLine* status) : owner_(owner), status_(status) {}
    void RunBusy(const std::string& text, ui::BackgroundWork& work) override;
    void UpdateBusy(const std::string& text) override;

    // The indicator showing, if any (for tests and the benchmark).
    BusyWindow* current() const { return current_; }

  private:
    QPointer<QWidget> owner_;
    ui::StatusLine* status_;
    QPointer<BusyWindow> current_;
    // Notes from the work's thread are queued to this object: dropped with it.
    QObject notes_;
};

}  // namespace orvane::gui
