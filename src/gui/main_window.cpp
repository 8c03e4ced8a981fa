#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTextEdit>
#include <algorithm>

#include "app/layout.h"
#include "app/upgrade_command.h"
#include "connection/lan_search.h"
#include "gui/about_dialog.h"
#include "gui/connect_dialog_window.h"
#include "gui/fixed_pitch_font.h"
#include "gui/resources.h"
#include "ui/command_ids.h"

namespace orvane::gui {

namespace {

// The command line takes at most this many characters.
constexpr int kCommandLineLimit = 256;

QFont BoldFont() {
    QFont font = QApplication::font();
    font.setWeight(QFont::Bold);
    return font;
}

}  // namespace

MainWindow::MainWindow(MainWindowOptions options)
    : client_(new QWidget(this)),
      results_(new ResultsPane(client_)),
      info_(new QTextEdit(client_)),
      commandLine_(new QLineEdit(client_)),
      send_(new QPushButton(client_)),
      scriptList_(new QListWidget(client_)),
      runStop_(new QPushButton(client_)),
      step_(new QPushButton(client_)),
      close_(new QPushButton(client_)),
      resultsBox_(results_),
      infoBox_(info_),
      commandLineBox_(commandLine_, LineEditBox::Encoding::Latin1),
      sendBox_(send_),
      scriptListBox_(scriptList_),
      runStopBox_(runStop_),
      stepBox_(step_),
      closeBox_(close_),
      boxes_(this),
      files_(this) {
    setObjectName("mainWindow");
    setWindowIcon(AppIcon());
    setCentralWidget(client_);
    BuildControls();
    BuildMenu();

    const app::ShellUi ui{.results = resultsBox_,
                          .info = infoBox_,
                          .commandLine = commandLineBox_,
                          .send = sendBox_,
                          .scriptList = scriptListBox_,
                          .runStop = runStopBox_,
                          .step = stepBox_,
                          .close = closeBox_,
                          .menu = *this,
                          .poster = *this,
                          .boxes = boxes_,
                          .files = files_,
                          .cursor = cursor_,
                          .frame = *this,
                          .dialogs = *this,
                          .beeper = beeper_};
    app::ShellHooks hooks;
    hooks.listSerialPorts = std::move(options.listSerialPorts);
    hooks.receiveBytesPerRun = ResultsPaneBox::kBytesPerTick;
    hooks.lanSearch =
        connection::MakeLanSearch(lanFind_, options.discovery, connection::kLanFindWorkers, &busy_);
    hooks.busy = &busy_;
    hooks.status = this;
    shell_ = std::make_unique<app::Shell>(ui, std::move(options.settingsFile), std::move(hooks));
    app::InstallUpgradeCommand(*shell_, upgradeDialogs_);

    ui::Size size = shell_->Start(options.args);
    if (options.presetConnection) options.presetConnection(shell_->record());
    // On a very small work area even half the design size would not fit.
    const ui::Size minimum{std::min(app::MinimumWindowSize().width, size.width),
                           std::min(app::MinimumWindowSize().height, size.height)};
    // The status line is added below the design's window, not taken from it.
    const int status = StatusBarHeight();
    setMinimumSize(minimum.width - kFrameAllowance.width,
                   minimum.height - kFrameAllowance.height + status);
    resize(size.width - kFrameAllowance.width, size.height - kFrameAllowance.height + status);

    if (platform::IniFile* settings = shell_->settings()) {
        const bool stamps = settings->ReadInt(kSectionResults, kKeyTimeStamps, 0) != 0;
        timeStamps_->setChecked(stamps);
        results_->SetStampsShown(stamps);
    }

    shell_->WindowCreated();
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, [this] { shell_->Tick(); });
    timer_.start();
}

MainWindow::~MainWindow() {
    Shutdown();
}

void MainWindow::BuildControls() {
    const QFont gui = QApplication::font();
    const QFont bold = BoldFont();

    results_->setObjectName(QString::number(ui::kIdResultsPane));
    results_->setFont(FixedPitchFont());
    results_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    results_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    results_->viewport()->installEventFilter(this);

    info_->setObjectName(QString::number(ui::kIdInfoPane));
    info_->setFont(gui);
    info_->setReadOnly(true);
    info_->setUndoRedoEnabled(false);
    info_->setFocusPolicy(Qt::ClickFocus);
    // The pane has no scroll bars: at 138 pixels every one counts. The wheel
    // still scrolls it.
    info_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    info_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    commandLine_->setObjectName(QString::number(ui::kIdCommandLine));
    commandLine_->setFont(gui);
    commandLine_->setMaxLength(kCommandLineLimit);
    commandLine_->installEventFilter(this);

    scriptList_->setObjectName(QString::number(ui::kIdScriptList));
    scriptList_->setFont(gui);
    scriptList_->setSelectionMode(QAbstractItemView::SingleSelection);
    scriptList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    const std::pair<QPushButton*, int> buttons[] = {
        {send_, ui::kIdSendButton},
        {runStop_, ui::kIdRunStopButton},
        {step_, ui::kIdStepButton},
        {close_, ui::kIdCloseButton},
    };
    for (auto [button, id] : buttons) {
        button->setObjectName(QString::number(id));
        button->setFont(bold);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, id = id] { Command(id); });
    }
    QWidget* hidden[] = {scriptList_, runStop_, step_, close_};
    for (QWidget* w : hidden) w->hide();
    setTabOrder(results_, commandLine_);
    setTabOrder(commandLine_, send_);
    setTabOrder(send_, scriptList_);
    setTabOrder(scriptList_, runStop_);
    setTabOrder(runStop_, step_);
    setTabOrder(step_, close_);
    client_->installEventFilter(this);
    statusBar()->setObjectName("statusLine");
}

void MainWindow::BuildMenu() {
    QMenuBar* bar = menuBar();
    auto add = [this](QMenu* menu, const char* text, int id) {
        QAction* action = menu->addAction(FromUtf8(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { Command(id); });
        actions_[id] = action;
        return action;
    };

    QMenu* result = bar->addMenu(FromUtf8(kMenuResult));
    add(result, kItemClearResults, ui::kCmdClearResults);
    add(result, kItemSaveToFile, ui::kCmdSaveToFile);
    QAction* convert = add(result, kItemConvertBinary, ui::kCmdConvertBinary);
    convert->setCheckable(true);
    convert->setChecked(true);
    // Drawn beside the lines, never into the text: what is saved or picked stays as received.
    timeStamps_ = result->addAction(FromUtf8(kItemTimeStamps));
    timeStamps_->setCheckable(true);
    QAction* saveStamped = result->addAction(FromUtf8(kItemSaveWithTimeStamps));
    saveStamped->setEnabled(false);
    connect(saveStamped, &QAction::triggered, this, [this] {
        resultsBox_.SetStampedText(true);
        Command(ui::kCmdSaveToFile);
        resultsBox_.SetStampedText(false);
    });
    connect(timeStamps_, &QAction::toggled, saveStamped, &QAction::setEnabled);
    connect(timeStamps_, &QAction::triggered, this, [this](bool shown) {
        results_->SetStampsShown(shown);
        if (platform::IniFile* settings = shell_->settings())
            settings->WriteInt(kSectionResults, kKeyTimeStamps, shown ? 1 : 0);
    });

    QAction* script = bar->addAction(FromUtf8(kMenuScript));
    script->setData(ui::kCmdScript);
    connect(script, &QAction::triggered, this, [this] { Command(ui::kCmdScript); });
    actions_[ui::kCmdScript] = script;

    QMenu* configure = bar->addMenu(FromUtf8(kMenuConfigure));
    add(configure, kItemConnection, ui::kCmdConnection);
    add(configure, kItemDisconnect, ui::kCmdDisconnect);

    QMenu* instrument = bar->addMenu(FromUtf8(kMenuInstrument));
    add(instrument, kItemUpgradeFirmware, ui::kCmdUpgradeFirmware)->setEnabled(false);
    add(instrument, kItemSetDateTime, ui::kCmdSetDateTime)->setEnabled(false);

    // Help sits at the right end of the bar, in a bar of its own in the corner.
    auto* helpBar = new QMenuBar(bar);
    QMenu* help = helpBar->addMenu(FromUtf8(kMenuHelp));
    add(help, kItemAbout, ui::kCmdAbout);
    bar->setCornerWidget(helpBar, Qt::TopRightCorner);

    // Alt+/ and Alt+? both bring up About. "?" is a shifted key on most layouts,
    // and depending on the keyboard it arrives with or without the Shift: either
    // form, or both at once (which Qt calls ambiguous), is About.
    const QKeySequence keys[] = {QKeySequence(Qt::ALT | Qt::Key_Slash),
                                 QKeySequence(Qt::ALT | Qt::Key_Question),
                                 QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Question)};
    for (const QKeySequence& key : keys) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, [this] { Command(ui::kCmdAbout); });
        connect(shortcut, &QShortcut::activatedAmbiguously, this,
                [this] { Command(ui::kCmdAbout); });
    }
}

QAction* MainWindow::MenuAction(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::Command(int id, intptr_t param) {
    if (shutDown_) return;
    shell_->HandleCommand(id, param);
}

void MainWindow::PostCommand(int id, intptr_t param) {
    QMetaObject::invokeMethod(
        this, [this, id, param] { Command(id, param); }, Qt::QueuedConnection);
}

void MainWindow::EnableItem(int id, bool enabled) {
    if (QAction* action = MenuAction(id)) action->setEnabled(enabled);
}

void MainWindow::CheckItem(int id, bool checked) {
    if (QAction* action = MenuAction(id)) {
        action->setCheckable(true);
        action->setChecked(checked);
    }
}

void MainWindow::SetTitle(const std::string& title) {
    setWindowTitle(FromUtf8(title));
}

ui::Size MainWindow::OuterSize() const {
    return {width() + kFrameAllowance.width, height() + kFrameAllowance.height - StatusBarHeight()};
}

int MainWindow::StatusBarHeight() const {
    return statusBar()->sizeHint().height();
}

void MainWindow::SetStatus(const std::string& text) {
    statusBar()->showMessage(FromUtf8(text));
}

QString MainWindow::statusText() const {
    return statusBar()->currentMessage();
}

ui::Size MainWindow::ClientSize() const {
    return {client_->width(), client_->height()};
}

namespace {

const QScreen* ScreenOf(const QWidget& window) {
    return window.screen() ? window.screen() : QGuiApplication::primaryScreen();
}

}  // namespace

ui::Size MainWindow::ScreenSize() const {
    const QScreen* s = ScreenOf(*this);
    if (!s) return {0, 0};
    return {s->geometry().width(), s->geometry().height()};
}

ui::Size MainWindow::WorkArea() const {
    const QScreen* s = ScreenOf(*this);
    if (!s) return {0, 0};
    return {s->availableGeometry().width(), s->availableGeometry().height()};
}

int MainWindow::RunConnectDialog(ui::ConnectDialogEvents& events) {
    QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    ConnectDialogWindow dialog(owner);
    events.OnStart(dialog);
    dialog.SetEvents(&events);
    return RunModal(dialog);
}

void MainWindow::RunAboutDialog(const std::string& product, const std::string& version,
                                const std::string& notice) {
    AboutDialog dialog(this, product, version, notice);
    RunModal(dialog);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) {
        shell_->RelayoutControls();
    } else if (watched == commandLine_) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                PostCommand(ui::kCmdSend);
                return true;
            }
        } else if (event->type() == QEvent::KeyRelease) {
            // A held key repeats its press, not its release: one history step per stroke.
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && key->key() == Qt::Key_Up)
                PostCommand(ui::kCmdHistoryPrevious);
            if (!key->isAutoRepeat() && key->key() == Qt::Key_Down)
                PostCommand(ui::kCmdHistoryNext);
        }
    } else if (watched == results_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            PostCommand(ui::kCmdPickFromResults);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A connect still owns the record: it is cancelled, and the window closes
    // when asked again, once the port has been let go.
    if (shell_->Connecting()) {
        if (busy_.current()) busy_.current()->reject();
        event->ignore();
        return;
    }
    Shutdown();
    event->accept();
}

void MainWindow::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    timer_.stop();
    shell_->Shutdown();
}

}  // namespace orvane::gui
