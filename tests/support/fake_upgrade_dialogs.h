#pragma once
// In-memory "Firmware Files List" and "Upgrade Firmware" dialogs. The upgrade
// dialog runs its own little event loop on the calling thread, the way a
// front end's modal loop would: posted calls run in order, and Cancel (or
// "Finished") is pressed as soon as it is enabled and nothing is pending.

#include <condition_variable>
#include <deque>
#include <mutex>

#include "support/fake_ui.h"
#include "ui/files_list_window.h"
#include "ui/memory_controls.h"
#include "ui/upgrade_dialog.h"

namespace orvane::testing {

class FakeUpgradeView : public ui::UpgradeDialogView {
  public:
    void SetTitle(const std::string&) override {}
    void SetStatus(std::string_view) override {}
    void SetProgress(int) override {}
    void AppendLog(std::string_view line) override { log.emplace_back(line); }
    ui::Button& StartButton() override { return start; }
    ui::Button& CancelButton() override { return cancel; }
    ui::MessageBoxes& Boxes() override { return boxes; }
    void Post(std::function<void()> call) override {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(call));
        ready_.notify_one();
    }
    void Close(int r) override { result = r; }

    // The modal loop; -1 when nothing came for a minute.
    int Run(ui::UpgradeDialogEvents& events) {
        events.OnStart(*this);
        while (!result) {
            std::unique_lock<std::mutex> lock(mutex_);
            if (queue_.empty() && cancel.enabled) {
                lock.unlock();
                events.OnCancel();
                continue;
            }
            if (!ready_.wait_for(lock, std::chrono::seconds(60), [&] { return !queue_.empty(); }))
                break;
            std::function<void()> call = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            call();
        }
        events.OnDestroy();
        return result.value_or(-1);
    }

    std::vector<std::string> log;
    ui::MemoryButton start, cancel;
    FakeMessageBoxes boxes;
    std::optional<int> result;

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> queue_;
};

class FakeUpgradeDialogs : public ui::UpgradeDialogRunner {
  public:
    struct FilesListShown {
        std::string rtf;
        bool acceptEnabled = true;
    };

    std::unique_ptr<ui::FilesListWindow> MakeFilesListWindow() override {
        struct Window : ui::FilesListWindow {
            explicit Window(FakeUpgradeDialogs& o) : owner(o) {}
            void SetTitle(const std::string&) override {}
            void SetRichText(const std::string& rtf) override { shown.rtf = rtf; }
            void EnableAccept(bool enabled) override { shown.acceptEnabled = enabled; }
            int RunModal() override {
                owner.filesLists.push_back(shown);
                return owner.filesListAnswer;
            }
            FakeUpgradeDialogs& owner;
            FilesListShown shown;
        };
        return std::make_unique<Window>(*this);
    }
    int RunUpgradeDialog(ui::UpgradeDialogEvents& events) override {
        views.push_back(std::make_unique<FakeUpgradeView>());
        return views.back()->Run(events);
    }

    int filesListAnswer = ui::kFilesListAcceptId;
    std::vector<FilesListShown> filesLists;
    std::vector<std::unique_ptr<FakeUpgradeView>> views;
};

}  // namespace orvane::testing
