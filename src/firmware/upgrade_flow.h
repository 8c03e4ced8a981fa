#pragma once
// "Upgrade Firmware...": from the choice of file through re-identification,
// the model and version checks, the descriptor's warning and the preview to
// the "Upgrade Firmware" dialog. Every refusal is a message box; the command
// then simply ends.

#include "transport/connection_record.h"

namespace orvane::ui {
class FileDialogs;
class MessageBoxes;
class UpgradeDialogRunner;
class WaitCursor;
}  // namespace orvane::ui

namespace orvane::firmware {

// Pauses between closing the channel and identifying the instrument again.
inline constexpr uint32_t kReconnectPauseMs = 200;

struct UpgradeFlowUi {
    ui::MessageBoxes& boxes;  // owned by the main window
    ui::FileDialogs& files;
    ui::WaitCursor& cursor;
    ui::UpgradeDialogRunner& dialogs;
};

// Runs on the UI thread and returns when the last dialog has closed. The
// record's pollReplies is off meanwhile and restored on every path, so the
// receive step never reads while the worker owns the channel. Leaves the
// instrument freshly identified (instrumentReady as found). Result: the
// worker programmed the instrument and restarted it.
bool RunFirmwareUpgrade(const UpgradeFlowUi& ui, transport::ConnectionRecord& record);

}  // namespace orvane::firmware
