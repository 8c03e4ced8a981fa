#pragma once
// The main window: the eight controls, the menu, the accelerators, the key and
// mouse filter and the 1 ms timer, all handed to the shell, which decides
// everything. The window only draws and forwards.

#include <QAction>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shell.h"
#include "gui/busy_window.h"
#include "gui/info_pane.h"
#include "gui/interaction.h"
#include "gui/lan_find_window.h"
#include "gui/upgrade_window.h"
#include "gui/widget_controls.h"
#include "transport/discovery.h"
#include "ui/command_poster.h"
#include "ui/menu_view.h"
#include "ui/modal_dialogs.h"
#include "ui/window_frame.h"

class QListWidget;
class QTextEdit;

namespace orvane::gui {

struct MainWindowOptions {
    // The settings file; nothing when none can be kept.
    std::optional<std::string> settingsFile;
    // The program's arguments, its name first (the shell reads -d1).
    std::vector<std::string> args{"orvane2"};
    // Runs once the saved settings are in the record and before the Connect
    // dialog opens: the demo chooses its instrument here, leaving the file alone.
    std::function<void(transport::ConnectionRecord&)> presetConnection;
    // The serial ports the Connect dialog offers; empty: the ports of this machine.
    std::function<std::vector<std::string>()> listSerialPorts;
    // How the Connect dialog's LAN search looks for instruments.
    transport::DiscoverySettings discovery;
};

// Menu texts, in the order of the menu bar.
inline constexpr const char kMenuResult[] = "&Result";
inline constexpr const char kItemClearResults[] = "Clear Results Window";
inline constexpr const char kItemSaveToFile[] = "Save to File...";
inline constexpr const char kItemConvertBinary[] = "Convert Binary";
inline constexpr const char kMenuScript[] = "&Script";
inline constexpr const char kMenuConfigure[] = "&Configure";
inline constexpr const char kItemConnection[] = "&Connection...";
inline constexpr const char kItemDisconnect[] = "&Disconnect";
inline constexpr const char kMenuInstrument[] = "&Instrument";
inline constexpr const char kItemUpgradeFirmware[] = "Upgrade Firmware...";
inline constexpr const char kItemSetDateTime[] = "Set Date/Time";
inline constexpr const char kMenuHelp[] = "&Help";
inline constexpr const char kItemAbout[] = "&About ...";

// What the window manager adds around the window; the design's outer size
// counts a 4-pixel sizing frame on each side and a 19-pixel caption.
inline constexpr ui::Size kFrameAllowance{8, 27};

class MainWindow final : public QMainWindow,
                         public ui::StatusLine,
                         public ui::CommandPoster,
                         public ui::MenuView,
                         public ui::WindowFrameView,
                         public ui::ModalDialogs {
  public:
    explicit MainWindow(MainWindowOptions options = {});
    ~MainWindow() override;

    app::Shell& shell() { return *shell_; }
    ResultsPane* resultsPane() const { return results_; }
    QTextEdit* infoPane() const { return info_; }
    QLineEdit* commandLine() const { return commandLine_; }
    QPushButton* sendButton() const { return send_; }
    QListWidget* scriptList() const { return scriptList_; }
    QPushButton* runButton() const { return runStop_; }
    QPushButton* stepButton() const { return step_; }
    QPushButton* closeButton() const { return close_; }
    // The menu item or menu-bar command with this id; null for any other.
    QAction* MenuAction(int id) const;
    // The Result menu's "Time Stamps" item (the window's own, with no command id).
    QAction* timeStampsAction() const { return timeStamps_; }
    ui::MessageBoxes& boxes() { return boxes_; }
    BusyRunner& busy() { return busy_; }
    // What the status line under the panes says.
    QString statusText() const;

    // ui::StatusLine
    void SetStatus(const std::string& text) override;

    // ui::CommandPoster: a queued call, handled after the current event.
    void PostCommand(int id, intptr_t param = 0) override;
    // ui::MenuView
    void EnableItem(int id, bool enabled) override;
    void CheckItem(int id, bool checked) override;
    // ui::WindowFrameView
    void SetTitle(const std::string& title) override;
    ui::Size OuterSize() const override;
    ui::Size ClientSize() const override;
    ui::Size ScreenSize() const override;
    ui::Size WorkArea() const override;
    // ui::ModalDialogs
    int RunConnectDialog(ui::ConnectDialogEvents& events) override;
    void RunAboutDialog(const std::string& product, const std::string& version,
                        const std::string& notice) override;

    // The hooks the parts that land on their own fill in (see main_window.cpp).
    app::ShellHooks& hooks() { return shell_->hooks(); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void BuildMenu();
    int StatusBarHeight() const;
    void Command(int id, intptr_t param = 0);
    void Shutdown();

    QWidget* client_ = nullptr;
    ResultsPane* results_ = nullptr;
    QTextEdit* info_ = nullptr;
    QLineEdit* commandLine_ = nullptr;
    QPushButton* send_ = nullptr;
    QListWidget* scriptList_ = nullptr;
    QPushButton* runStop_ = nullptr;
    QPushButton* step_ = nullptr;
    QPushButton* close_ = nullptr;

    ResultsPaneBox resultsBox_;
    InfoPaneBox infoBox_;
    LineEditBox commandLineBox_;
    PushButton sendBox_;
    ListWidgetBox scriptListBox_;
    PushButton runStopBox_;
    PushButton stepBox_;
    PushButton closeBox_;
    MessageBoxWindow boxes_;
    FileDialogWindow files_;
    AppWaitCursor cursor_;
    AppBeeper beeper_;
    LanFindRunner lanFind_{this};
    UpgradeRunner upgradeDialogs_{this};
    BusyRunner busy_{this, this};

    std::map<int, QAction*> actions_;
    QAction* timeStamps_ = nullptr;
    QTimer timer_;
    std::unique_ptr<app::Shell> shell_;
    bool shutDown_ = false;
};

}  // namespace orvane::gui
