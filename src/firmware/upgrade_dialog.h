#pragma once
// The "Upgrade Firmware" dialog's logic: it starts the worker as soon as it
// opens, shows the worker's notes, lets the user close it only once the worker
// has finished ("Finished"), and re-opens a LAN connection that the restarted
// instrument dropped.

#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "firmware/upgrade_notes.h"
#include "firmware/upgrade_plan.h"
#include "transport/connection_record.h"
#include "ui/upgrade_dialog.h"

namespace orvane::firmware {

inline constexpr char kStartCaption[] = "Start";
inline constexpr char kCancelCaption[] = "Cancel";

class UpgradeDialog final : public UpgradeNotes, public ui::UpgradeDialogEvents {
  public:
    // Runs body on a new thread held in thread; false when none could be had.
    using ThreadStarter = std::function<bool(std::thread& thread, std::function<void()> body)>;
    static bool StartThread(std::thread& thread, std::function<void()> body);

    // The context and the record must outlive the dialog; nothing else may use
    // the record while the dialog is open.
    UpgradeDialog(UpgradeContext& context, transport::ConnectionRecord& record,
                  ThreadStarter start = StartThread);
    // Waits for a worker that is still running: it uses the context and record.
    ~UpgradeDialog() override;
    UpgradeDialog(const UpgradeDialog&) = delete;
    UpgradeDialog& operator=(const UpgradeDialog&) = delete;

    // The dialog's events, on its own thread.
    void OnStart(ui::UpgradeDialogView& view) override;
    void OnStartButton() override;
    void OnCancel() override;
    void OnDestroy() override;

    // The worker's notes, on the worker thread.
    void NoteStatus(std::string text) override;
    void NoteLog(std::string line) override;
    void NoteProgress(int percent) override;
    void NoteFinished() override;

    bool running() const { return running_; }

  private:
    void PostToDialog(std::function<void()> call);
    void WorkerFinished();
    void StopListening();

    UpgradeContext& context_;
    transport::ConnectionRecord& record_;
    ThreadStarter start_;
    std::thread worker_;

    // Dialog thread only.
    ui::UpgradeDialogView* view_ = nullptr;
    bool running_ = false;
    bool finished_ = false;
    bool closed_ = false;

    // What the worker posts through; cleared when the view goes.
    std::mutex postMutex_;
    ui::UpgradeDialogView* postTarget_ = nullptr;
};

}  // namespace orvane::firmware
