#pragma once
// orvane2-cli: the shell's logic driven from a terminal, one command per run.

#include <memory>
#include <string>

#include "app/shell.h"
#include "cli/cli_options.h"
#include "cli/terminal_ui.h"
#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "ui/wait_cursor.h"

namespace orvane::sim {
class PtyEndpoint;
}

namespace orvane::cli {

// The console's first line on a terminal: the instrument, where it is, and how
// to end. Then the port and its rate, or the address.
inline constexpr char kConsoleBanner[] =
    "Connected to %s on %s. Type a command and press Enter to send it; Ctrl-D ends the "
    "console.\n";
inline constexpr char kBannerPort[] = "%s at %u baud";
inline constexpr char kBannerAddress[] = "%s, TCP port %u";

std::string ConsoleBanner(const transport::ConnectionRecord& record);

class CliApp {
  public:
    // out: the program's stdout, which outlives the app.
    CliApp(CliOptions options, StandardOutput& out);
    ~CliApp();
    // Runs the command; the exit status.
    int Run();

  private:
    bool Connect();
    // One turn of the main window's loop: the timer tick, then posted commands.
    void Pump();
    // Pumps until the instrument has been silent for quietMs; false when the
    // connection was lost.
    bool WaitQuiet(uint32_t quietMs);
    void WaitForInput(uint32_t ms);

    int RunCommand();
    int Identify();
    int Query();
    int Console();
    int RunScript();
    int SetClock();
    int Discover();
    int Upgrade();
    int Ports();

    CliOptions options_;
    StandardOutput& out_;
    platform::SystemClock clock_;
    platform::Diagnostics diagnostics_{clock_};
    Colors colors_;
    TerminalMessageBoxes boxes_;
    TerminalResultsPane results_;
    ui::MemoryInfoPane info_;
    ui::MemoryTextBox commandLine_;
    ui::MemoryButton send_, runStop_, step_, close_;
    ui::MemoryListBox scriptList_;
    ui::NullMenu menu_;
    ui::CommandQueue poster_;
    TerminalFileDialogs files_;
    ui::NullWaitCursor cursor_;
    ui::NullWindowFrame frame_;
    ui::NullModalDialogs dialogs_;
    TerminalBeeper beeper_;
    std::unique_ptr<app::Shell> shell_;
    std::unique_ptr<sim::PtyEndpoint> demo_;
};

}  // namespace orvane::cli
