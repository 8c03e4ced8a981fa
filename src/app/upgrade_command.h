#pragma once
// "Upgrade Firmware..." of the main window: the shell hands the command to
// the firmware upgrade flow through its upgradeFirmware hook.

#include "app/shell.h"

namespace orvane::ui {
class UpgradeDialogRunner;
}

namespace orvane::app {

// Shown when a script is running and the shell has no way to stop it.

// Sets the shell's upgradeFirmware hook. dialogs must outlive the shell.
void InstallUpgradeCommand(Shell& shell, ui::UpgradeDialogRunner& dialogs);

// The command itself: a running script is stopped first, since the worker
// must be the channel's only user; afterwards the window shows the connection
// as the upgrade left it.
void RunUpgradeCommand(Shell& shell, ui::UpgradeDialogRunner& dialogs);

}  // namespace orvane::app
