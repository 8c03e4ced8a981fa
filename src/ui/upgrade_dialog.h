#pragma once
// The "Upgrade Firmware" dialog as the core drives it, and what the upgrade
// command asks of a front end to show its two dialogs. The front end builds
// the widgets and hands them over as a view; the core's logic receives the
// dialog's events and runs the upgrade worker on a thread of its own.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace orvane::ui {

class Button;
class FilesListWindow;
class MessageBoxes;

inline constexpr int kUpgradeCancelId = 2;  // the default button; "Finished" at the end
inline constexpr int kUpgradeStartId = 1002;
inline constexpr int kUpgradeLogId = 1003;
inline constexpr int kUpgradeProgressId = 1004;
inline constexpr int kUpgradeStatusId = 1005;

// Layout in dialog units, with an 8-point sans-serif font.
struct UpgradeDialogLayout {
    static constexpr int kWidth = 220, kHeight = 154;
    static constexpr int kCancelX = 111, kCancelY = 138;
    static constexpr int kStartX = 164, kStartY = 138;
    static constexpr int kButtonWidth = 50, kButtonHeight = 14;
    static constexpr int kStatusX = 5, kStatusY = 9, kStatusWidth = 203, kStatusHeight = 8;
    static constexpr int kProgressX = 4, kProgressY = 20, kProgressWidth = 210,
                         kProgressHeight = 14;
    static constexpr int kLogX = 4, kLogY = 38, kLogWidth = 211, kLogHeight = 95;
};

class UpgradeDialogView {
  public:
    virtual ~UpgradeDialogView() = default;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetStatus(std::string_view text) = 0;
    virtual void SetProgress(int percent) = 0;  // 0..100
    // Adds the line and a line end at the end of the log box.
    virtual void AppendLog(std::string_view line) = 0;
    virtual Button& StartButton() = 0;
    // While Cancel is disabled the dialog cannot be closed in any other way
    // either (close box, Escape): the worker cannot be stopped.
    virtual Button& CancelButton() = 0;
    virtual MessageBoxes& Boxes() = 0;  // owned by the dialog
    // Runs call on the dialog's own thread, after every call posted before it.
    // Safe from any thread; never runs call inside Post. Calls still queued
    // when the dialog closes are dropped.
    virtual void Post(std::function<void()> call) = 0;
    virtual void Close(int result) = 0;
};

class UpgradeDialogEvents {
  public:
    virtual ~UpgradeDialogEvents() = default;
    // The dialog shows, its controls exist.
    virtual void OnStart(UpgradeDialogView& view) = 0;
    virtual void OnStartButton() = 0;
    // Cancel (or "Finished"), Escape or the close box.
    virtual void OnCancel() = 0;
    // The dialog is going, for whatever reason: the last event, before the view goes.
    virtual void OnDestroy() = 0;
};

// What the upgrade command needs to show its dialogs modally over the main window.
class UpgradeDialogRunner {
  public:
    virtual ~UpgradeDialogRunner() = default;
    // A fresh "Firmware Files List" dialog.
    virtual std::unique_ptr<FilesListWindow> MakeFilesListWindow() = 0;
    // Shows the "Upgrade Firmware" dialog until it closes; events drive it.
    // Result: what the logic passed to Close.
    virtual int RunUpgradeDialog(UpgradeDialogEvents& events) = 0;
};

}  // namespace orvane::ui
