#include "firmware/upgrade_dialog.h"

#include <system_error>

#include "firmware/firmware_texts.h"
#include "firmware/upgrade_worker.h"
#include "transport/channel.h"
#include "ui/connect_dialog.h"
#include "ui/controls.h"
#include "ui/message_box.h"

namespace orvane::firmware {

bool UpgradeDialog::StartThread(std::thread& thread, std::function<void()> body) {
    try {
        thread = std::thread(std::move(body));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

UpgradeDialog::UpgradeDialog(UpgradeContext& context, transport::ConnectionRecord& record,
                             ThreadStarter start)
    : context_(context), record_(record), start_(std::move(start)) {}

UpgradeDialog::~UpgradeDialog() {
    StopListening();
}

void UpgradeDialog::StopListening() {
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        postTarget_ = nullptr;
    }
    view_ = nullptr;
    if (worker_.joinable()) worker_.join();
    running_ = false;
    if (context_.dialogWindow == this) context_.dialogWindow = nullptr;
}

void UpgradeDialog::OnStart(ui::UpgradeDialogView& view) {
    view_ = &view;
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        postTarget_ = &view;
    }
    context_.dialogWindow = this;
    view.SetTitle(kUpgradeFirmwareTitle);
    view.StartButton().SetCaption(kStartCaption);
    view.CancelButton().SetCaption(kCancelCaption);
    view.SetProgress(0);
    // The upgrade begins without a click, once the dialog is up.
    view.Post([this] { OnStartButton(); });
}

void UpgradeDialog::OnStartButton() {
    if (!view_ || running_ || finished_ || closed_) return;
    if (!start_(worker_, [this] { UpgradeWorker(context_, record_); })) {
        view_->Boxes().Inform(kThreadStartFailedText, kUpgradeFirmwareTitle);
        return;
    }
    running_ = true;
    view_->StartButton().SetEnabled(false);
    view_->CancelButton().SetEnabled(false);
}

void UpgradeDialog::OnCancel() {
    // Nothing stops the worker half way: the flash would be left half written.
    if (!view_ || running_ || closed_) return;
    if (context_.succeeded && record_.interfaceKind == transport::InterfaceKind::Lan) {
        // The restarted instrument has dropped the TCP connection.
        transport::CloseChannel(record_);
        transport::OpenChannel(record_);
    }
    closed_ = true;
    view_->Close(ui::kDialogResultCancel);
}

void UpgradeDialog::OnDestroy() {
    StopListening();
}

void UpgradeDialog::PostToDialog(std::function<void()> call) {
    std::lock_guard<std::mutex> lock(postMutex_);
    if (postTarget_) postTarget_->Post(std::move(call));
}

void UpgradeDialog::NoteStatus(std::string text) {
    PostToDialog([this, text = std::move(text)] {
        if (view_) view_->SetStatus(text);
    });
}

void UpgradeDialog::NoteLog(std::string line) {
    PostToDialog([this, line = std::move(line)] {
        if (view_) view_->AppendLog(line);
    });
}

void UpgradeDialog::NoteProgress(int percent) {
    PostToDialog([this, percent] {
        if (view_) view_->SetProgress(percent);
    });
}

void UpgradeDialog::NoteFinished() {
    PostToDialog([this] { WorkerFinished(); });
}

void UpgradeDialog::WorkerFinished() {
    // The worker returns straight after this note, so the wait is short.
    if (worker_.joinable()) worker_.join();
    running_ = false;
    finished_ = true;
    if (!view_) return;
    view_->CancelButton().SetCaption(kFinishedCaption);
    view_->CancelButton().SetEnabled(true);
}

}  // namespace orvane::firmware
