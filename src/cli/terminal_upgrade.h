#pragma once
// The upgrade's two dialogs on a terminal: the file list printed in colour with
// Accept asked as a question, and the progress as a bar with rate and time left
// (redrawn in place on a terminal, one line per 10 % otherwise).

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "cli/standard_output.h"
#include "cli/terminal_ui.h"
#include "ui/files_list_window.h"
#include "ui/upgrade_dialog.h"

namespace orvane::cli {

class TerminalUpgradeRunner final : public ui::UpgradeDialogRunner {
  public:
    TerminalUpgradeRunner(StandardOutput& out, TerminalMessageBoxes& boxes, Colors colors)
        : out_(out), boxes_(boxes), colors_(colors) {}
    std::unique_ptr<ui::FilesListWindow> MakeFilesListWindow() override;
    int RunUpgradeDialog(ui::UpgradeDialogEvents& events) override;

    // The upgrade dialog ran (the worker started): a failure now is a failed upgrade.
    bool upgradeStarted() const { return upgradeStarted_; }
    // SIGINT, SIGTERM or SIGHUP came while the firmware was being written and
    // was held until "Finished"; 0 when none came.
    int heldSignal() const { return heldSignal_; }

  private:
    StandardOutput& out_;
    TerminalMessageBoxes& boxes_;
    Colors colors_;
    bool upgradeStarted_ = false;
    int heldSignal_ = 0;
};

// The preview's RTF as terminal text.
std::string RtfAsTerminalText(const std::string& rtf, const Colors& colors);

}  // namespace orvane::cli
