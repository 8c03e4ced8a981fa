#pragma once
// The main window's behaviour, whatever draws it: start-up and shutdown, the
// receive step on every tick, the command handler, the history, the caption and
// the layout. It owns the one connection record for the whole run.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_history.h"
#include "app/layout.h"
#include "app/receive_step.h"
#include "connection/connect_attempts.h"
#include "platform/ini_file.h"
#include "script/script_runner.h"
#include "transport/connection_record.h"
#include "ui/busy_indicator.h"
#include "ui/command_poster.h"
#include "ui/connect_dialog.h"
#include "ui/menu_view.h"
#include "ui/modal_dialogs.h"
#include "ui/pane_layout.h"
#include "ui/window_frame.h"

namespace orvane::ui {
class Button;
class FileDialogs;
class InfoPaneView;
class ListBox;
class MessageBoxes;
class TextBox;
class WaitCursor;
class Beeper;
}  // namespace orvane::ui

namespace orvane::app {

// What the shell works through. A front end without a menu, frame, dialogs or
// pointer hands in the null ones from ui/.
struct ShellUi {
    ui::TextBox& results;
    ui::InfoPaneView& info;
    ui::TextBox& commandLine;
    ui::Button& send;
    ui::ListBox& scriptList;
    ui::Button& runStop;
    ui::Button& step;
    ui::Button& close;
    ui::MenuView& menu;
    ui::CommandPoster& poster;
    ui::MessageBoxes& boxes;
    ui::FileDialogs& files;
    ui::WaitCursor& cursor;
    ui::WindowFrameView& frame;
    ui::ModalDialogs& dialogs;
    ui::Beeper& beeper;
};

// The parts of the program that the shell hands commands to and that land on
// their own (firmware upgrade, LAN search). Each may be left empty.
struct ShellHooks {
    std::function<void()> upgradeFirmware;
    std::function<void(ui::ConnectDialogView&)> lanSearch;
    std::function<std::vector<std::string>()> listSerialPorts;
    // Where connects run while the window goes on; none: in place.
    ui::BusyIndicator* busy = nullptr;
    // The line that says what each action did; none: nowhere.
    ui::StatusLine* status = nullptr;
    // How much one tick reads at most: a front end that must answer within a
    // few milliseconds takes less at a time.
    std::size_t receiveBytesPerRun = kReceiveBytesPerRun;
};

// "Orvane2 v1_4": the product name and the version up to its first space.
std::string WindowTitle();

// The window caption after a connect: the title, five spaces, the interface tag
// and what identifies the instrument.
std::string ConnectedCaption(const transport::ConnectionRecord& record);

class Shell final : public ui::PaneLayout {
  public:
    // settingsFile: the settings file to use, or nothing when none can be kept.
    Shell(ShellUi ui, std::optional<std::string> settingsFile, ShellHooks hooks = {});
    ~Shell() override;

    // Start-up before the window exists: the -d1 argument, the settings file
    // (created with "Created" on the first run), the connection settings. Returns
    // the saved outer size when one fits the screen, else the design size.
    ui::Size Start(const std::vector<std::string>& args);
    // Says in a box, when the settings file is there but cannot be read (a
    // folder, no permission), what is wrong with it; true when it did.
    bool TellUnreadableSettings();
    // Once the controls exist: all disabled, the console ones shown, the Connect
    // dialog posted, the information pane showing "No connection".
    void WindowCreated();
    // The 1 ms timer.
    void Tick();
    void HandleCommand(int id, intptr_t param = 0);
    // The window closes: its size is written when it changed; the channel closes.
    void Shutdown();

    // Layout for the window's current size; the front end calls it on resize.
    void RelayoutControls();
    // The panes make room for the script panel, or take it back.
    void SetScriptPanelShown(bool shown) override;
    int paneHeight() const { return paneHeight_; }

    void SetControlsEnabled(bool enabled);
    void AppendResultText(std::string_view text);
    void ShowInstrumentInfo();

    transport::ConnectionRecord& record() { return *record_; }
    bool convertBinary() const { return convertBinary_; }
    const CommandHistory& history() const { return history_; }
    const ReceiveStep& receiveStep() const { return receive_; }
    platform::IniFile* settings() { return settings_ ? &*settings_ : nullptr; }
    const ShellUi& ui() const { return ui_; }
    ShellHooks& hooks() { return hooks_; }
    script::ScriptRunner& scripts() { return scripts_; }
    // True while a connect runs off the window's thread: the record is its.
    bool Connecting() const { return attempts_->Running(); }

  private:
    void FocusCommandLine();
    void Connect(intptr_t param);
    void Disconnect(intptr_t param);
    void Send();
    void PickFromResults();
    void SaveToFile();
    void ShowHistory(const std::optional<std::string>& line);
    void Post(int id, intptr_t param = 0);
    void Inform(const std::string& text);
    void Tell(const std::string& text);
    void TellAt(const char* format);
    void TellScriptTally();

    ShellUi ui_;
    ShellHooks hooks_;
    std::optional<platform::IniFile> settings_;
    // The record holds a 32 KiB ring: on the heap, not on the caller's stack.
    std::unique_ptr<transport::ConnectionRecord> record_;
    ReceiveStep receive_;
    bool convertBinary_ = true;
    script::ScriptRunner scripts_;
    CommandHistory history_;
    int paneHeight_ = PaneHeight(false);
    int storedWidth_ = -1;
    int storedHeight_ = -1;
    ui::Size startSize_ = kDesignOuterSize;
    ui::InPlaceBusy inPlaceBusy_;
    std::unique_ptr<connection::ConnectAttempts> attempts_;
    // Commands that came while a connect ran, handled once it has ended.
    std::vector<std::pair<int, intptr_t>> deferred_;
    // The stable name of the serial device last connected to, if it has one:
    // what to wait for when it goes.
    std::string byIdName_;
    // The next reconnect follows a lost connection the user asked to have back.
    bool reconnectAfterLoss_ = false;
    // The script's test tally as last told, and whether a run was going.
    std::pair<int32_t, int32_t> toldTally_{0, 0};
    bool scriptWasRunning_ = false;
};

}  // namespace orvane::app
