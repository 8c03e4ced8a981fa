#pragma once
// The LAN search on a terminal: the rows of the LAN Find Instrument dialog
// become lines "ADDRESS<tab>identity or status" on stdout.

#include <string>
#include <vector>

#include "cli/standard_output.h"
#include "cli/terminal_ui.h"
#include "ui/connect_dialog.h"
#include "ui/lan_find_dialog.h"
#include "ui/wait_cursor.h"

namespace orvane::cli {

class TerminalLanFind final : public ui::LanFindDialogRunner {
  public:
    explicit TerminalLanFind(StandardOutput& out) : out_(out) {}
    int RunLanFindDialog(ui::LanFindDialogEvents& events) override;
    int rows() const { return rows_; }

  private:
    StandardOutput& out_;
    int rows_ = 0;
};

// The Connect dialog the search writes its chosen address into; on a terminal
// nobody chooses, so it only holds the controls.
class TerminalConnectView final : public ui::MemoryConnectView {
  public:
    explicit TerminalConnectView(ui::MessageBoxes& boxes) : boxes_(boxes) {}
    ui::MessageBoxes& Boxes() override { return boxes_; }
    ui::WaitCursor& Cursor() override { return cursor_; }

  private:
    ui::MessageBoxes& boxes_;
    ui::NullWaitCursor cursor_;
};

}  // namespace orvane::cli
