#include "app/upgrade_command.h"

#include "firmware/upgrade_flow.h"
#include "ui/app_strings.h"
#include "ui/command_ids.h"
#include "ui/message_box.h"

namespace orvane::app {

void InstallUpgradeCommand(Shell& shell, ui::UpgradeDialogRunner& dialogs) {
    shell.hooks().upgradeFirmware = [&shell, &dialogs] { RunUpgradeCommand(shell, dialogs); };
}

void RunUpgradeCommand(Shell& shell, ui::UpgradeDialogRunner& dialogs) {
    const ShellUi& ui = shell.ui();
    // The worker must be the channel's only user: a run or a pending step ends here.
    shell.scripts().Stop();

    transport::ConnectionRecord& record = shell.record();
    firmware::RunFirmwareUpgrade({ui.boxes, ui.files, ui.cursor, dialogs}, record);

    // The flow identified the instrument afresh; the window follows, as after a connect.
    bool ready = record.instrumentReady;
    record.pollReplies = ready;
    shell.SetControlsEnabled(ready);
    ui.menu.EnableItem(ui::kCmdUpgradeFirmware, ready);
    ui.menu.EnableItem(ui::kCmdSetDateTime, ready);
    ui.frame.SetTitle(ready ? ConnectedCaption(record) : WindowTitle());
    shell.ShowInstrumentInfo();
}

}  // namespace orvane::app
