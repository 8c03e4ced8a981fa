#include "app/shell.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "app/instrument_clock.h"
#include "app/instrument_info.h"
#include "app/shell_texts.h"
#include "app/status_texts.h"
#include "connection/connect_and_identify.h"
#include "connection/connect_dialog.h"
#include "connection/connection_settings.h"
#include "connection/model_table.h"
#include "connection/status_texts.h"
#include "platform/clock.h"
#include "platform/file_facts.h"
#include "platform/settings_location.h"
#include "platform/text_file.h"
#include "platform/text_format.h"
#include "transport/channel.h"
#include "transport/send_command_line.h"
#include "transport/serial_port_list.h"
#include "ui/app_strings.h"
#include "ui/command_ids.h"
#include "ui/controls.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "ui/styled_text.h"

namespace orvane::app {

using transport::ConnectionRecord;
using transport::InterfaceKind;

namespace {

constexpr std::size_t kCommandLineMax = 259;
constexpr std::size_t kPickMax = 256;

bool IsDebugFileArgument(const std::string& arg) {
    return arg.size() >= 3 && arg[0] == '-' && (arg[1] == 'd' || arg[1] == 'D') && arg[2] == '1';
}

// "TRV8844 on ttyUSB0": the model from the identity, and where it is.
std::string InstrumentOn(const ConnectionRecord& r) {
    std::string name = kStatusUnknownInstrument;
    if (r.modelCode == connection::kModelBootcode) {
        name = kStatusBootcodeInstrument;
    } else if (!r.identity.empty()) {
        std::string_view id = r.identity.view();
        std::size_t comma = id.find(',');
        if (comma != std::string_view::npos) id = id.substr(comma + 1);
        name = id.substr(0, id.find(','));
    }
    return platform::Format(kStatusInstrumentOn, name.c_str(), connection::ConnectPlace(r).c_str());
}

bool IsSerial(const ConnectionRecord& r) {
    return r.interfaceKind == InterfaceKind::Usb || r.interfaceKind == InterfaceKind::Serial;
}

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of(platform::kPathSeparators);
    return slash == std::string::npos || slash == 0 ? std::string(slash == 0 ? "/" : ".")
                                                    : path.substr(0, slash);
}

}  // namespace

std::string WindowTitle() {
    std::string_view version = ui::kAppVersion;
    return std::string(ui::kAppName) + " " + std::string(version.substr(0, version.find(' ')));
}

std::string ConnectedCaption(const ConnectionRecord& r) {
    std::string caption = WindowTitle() + "     ";
    caption += r.interfaceKind == InterfaceKind::Lan   ? "LAN"
               : r.interfaceKind == InterfaceKind::Usb ? "USB"
                                                       : "SER";
    if (r.modelCode == connection::kModelBootcode) {
        caption += kCaptionSuffixBootcode;
    } else if (r.identity.empty()) {
        caption += kCaptionSuffixUnknown;
    } else {
        std::string_view id = r.identity.view();
        std::size_t comma = id.find(',');
        if (comma != std::string_view::npos) caption += id.substr(comma);
    }
    return caption;
}

Shell::Shell(ShellUi ui, std::optional<std::string> settingsFile, ShellHooks hooks)
    : ui_(ui),
      hooks_(std::move(hooks)),
      record_(std::make_unique<ConnectionRecord>()),
      receive_(hooks_.receiveBytesPerRun),
      scripts_(script::ScriptHost{ui_.results, ui_.commandLine, ui_.send, ui_.scriptList,
                                  ui_.runStop, ui_.step, ui_.close, ui_.poster, *this, ui_.files,
                                  ui_.boxes, ui_.beeper, *record_, convertBinary_}),
      attempts_(std::make_unique<connection::ConnectAttempts>(hooks_.busy ? *hooks_.busy
                                                                          : inPlaceBusy_)) {
    if (settingsFile && !settingsFile->empty()) settings_.emplace(*settingsFile);
}

Shell::~Shell() = default;

ui::Size Shell::Start(const std::vector<std::string>& args) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (IsDebugFileArgument(args[i])) std::remove(kDebugFilePath);
    }
    if (settings_ && !settings_->Exists()) {
        platform::MakeFolders(FolderOf(settings_->path()));
        platform::LocalTime t = platform::ClockOrSystem(record_->linkOptions.clock)->Now();
        settings_->WriteString(kSectionInit, kKeyCreated,
                               platform::Format("%02d:%02d:%02d %d/%d/%d", t.hour, t.minute,
                                                t.second, t.day, t.month, t.year));
    }
    TellUnreadableSettings();
    connection::LoadConnectionSettings(settings(), *record_);

    ui::Size size = kDesignOuterSize;
    ui::Size screen = ui_.frame.ScreenSize();
    if (settings_) {
        storedHeight_ = settings_->ReadInt(kSectionInit, kKeyWindowHeight, -1);
        storedWidth_ = settings_->ReadInt(kSectionInit, kKeyWindowWidth, -1);
        if (storedHeight_ > 0 && storedHeight_ <= screen.height) size.height = storedHeight_;
        if (storedWidth_ > 0 && storedWidth_ <= screen.width) size.width = storedWidth_;
    }
    // A scaled desktop can be smaller than the design size: a window that does
    // not fit hides its Send button and information pane off the screen.
    const ui::Size area = ui_.frame.WorkArea();
    if (area.width > 0) size.width = std::min(size.width, area.width);
    if (area.height > 0) size.height = std::min(size.height, area.height);
    startSize_ = size;
    return size;
}

bool Shell::TellUnreadableSettings() {
    const std::string why = settings_ ? settings_->ReadProblem() : std::string();
    if (why.empty()) return false;
    ui_.boxes.Show({platform::Format(kSettingsUnreadable, settings_->path().c_str(), why.c_str()),
                    ui::kAppName, ui::MessageIcon::Warning, ui::MessageButtons::Ok});
    return true;
}

void Shell::WindowCreated() {
    SetControlsEnabled(false);
    ui::Control* shown[] = {&ui_.results, &ui_.commandLine, &ui_.send};
    for (ui::Control* c : shown) c->SetVisible(true);
    ui::Control* hidden[] = {&ui_.scriptList, &ui_.runStop, &ui_.step, &ui_.close};
    for (ui::Control* c : hidden) c->SetVisible(false);
    ui_.send.SetCaption(ui::kCaptionSend);
    ui_.runStop.SetCaption(ui::kCaptionRun);
    ui_.step.SetCaption(ui::kCaptionStep);
    ui_.close.SetCaption(ui::kCaptionClose);
    ui_.menu.CheckItem(ui::kCmdConvertBinary, convertBinary_);
    ui_.menu.EnableItem(ui::kCmdUpgradeFirmware, false);
    ui_.menu.EnableItem(ui::kCmdSetDateTime, false);
    ui_.frame.SetTitle(WindowTitle());
    ui_.commandLine.SetFocus();
    Post(ui::kCmdConnection, 0);
    ShowInstrumentInfo();
}

void Shell::Tick() {
    // The record is the connect's until it ends, as it was when a connect held
    // the whole window still.
    if (attempts_->Running()) return;
    if (!deferred_.empty()) {
        for (auto [id, param] : std::exchange(deferred_, {})) Post(id, param);
    }
    ConnectionRecord& r = *record_;
    if (r.instrumentReady && r.pollReplies) {
        auto counter = [this](std::size_t n) {
            scripts_.AddReplyCharacters(static_cast<int64_t>(n));
        };
        if (receive_.Run(r, ui_.results, convertBinary_, counter) ==
            ReceiveStep::Result::ReadFailure) {
            Post(ui::kCmdDisconnect, 1);
        }
    }
    scripts_.ScriptTick();
    TellScriptTally();
}

void Shell::TellScriptTally() {
    const script::Calculator& calc = scripts_.engine().calculator;
    const std::pair<int32_t, int32_t> tally{calc.testsPassed(), calc.testsFailed()};
    const script::ScriptMode mode = scripts_.mode();
    const bool running = mode == script::ScriptMode::Running;
    if (scriptWasRunning_ && !running && tally.first + tally.second > 0) {
        Tell(platform::Format(kStatusScriptEnded, tally.first, tally.second));
    } else if (tally != toldTally_ && tally.first + tally.second > 0) {
        Tell(platform::Format(kStatusScriptSoFar, tally.first, tally.second));
    }
    toldTally_ = tally;
    scriptWasRunning_ = running;
}

void Shell::Shutdown() {
    if (settings_) {
        ui::Size outer = ui_.frame.OuterSize();
        ui::Size screen = ui_.frame.ScreenSize();
        int height = settings_->ReadInt(kSectionInit, kKeyWindowHeight, -1);
        int width = settings_->ReadInt(kSectionInit, kKeyWindowWidth, -1);
        // Only a size the user made is kept: closing an unresized window leaves
        // the file as it was.
        if (outer.height > 0 && outer.height <= screen.height && outer.height != height &&
            outer.height != startSize_.height) {
            settings_->WriteInt(kSectionInit, kKeyWindowHeight, outer.height);
        }
        if (outer.width > 0 && outer.width <= screen.width && outer.width != width &&
            outer.width != startSize_.width) {
            settings_->WriteInt(kSectionInit, kKeyWindowWidth, outer.width);
        }
    }
    transport::CloseChannel(*record_);
}

void Shell::RelayoutControls() {
    auto rects = ComputeLayout(ui_.frame.OuterSize(), ui_.frame.ClientSize(), paneHeight_);
    // In the order of ControlDesigns().
    ui::Control* controls[kControlCount] = {&ui_.results, &ui_.info,       &ui_.commandLine,
                                            &ui_.send,    &ui_.scriptList, &ui_.runStop,
                                            &ui_.step,    &ui_.close};
    for (std::size_t i = 0; i < rects.size(); ++i) controls[i]->SetGeometry(rects[i]);
}

void Shell::SetScriptPanelShown(bool shown) {
    paneHeight_ = PaneHeight(shown);
    RelayoutControls();
}

void Shell::SetControlsEnabled(bool enabled) {
    // The results pane stays enabled: what was received can still be scrolled,
    // selected and copied after the instrument has gone.
    ui::Control* controls[] = {&ui_.commandLine, &ui_.send, &ui_.scriptList,
                               &ui_.runStop,     &ui_.step, &ui_.close};
    for (ui::Control* c : controls) c->SetEnabled(enabled);
}

void Shell::AppendResultText(std::string_view text) {
    ui_.results.AppendText(text);
}

void Shell::ShowInstrumentInfo() {
    platform::LocalTime now = platform::ClockOrSystem(record_->linkOptions.clock)->Now();
    ui_.info.SetRuns(app::ShowInstrumentInfo(*record_, now));
}

void Shell::Post(int id, intptr_t param) {
    ui_.poster.PostCommand(id, param);
}

void Shell::Inform(const std::string& text) {
    ui_.boxes.Inform(text, ui::kAppName);
}

void Shell::Tell(const std::string& text) {
    if (hooks_.status) hooks_.status->SetStatus(text);
}

void Shell::TellAt(const char* format) {
    Tell(connection::StatusAt(format, InstrumentOn(*record_), *record_));
}

void Shell::HandleCommand(int id, intptr_t param) {
    if (attempts_->Running()) {
        deferred_.emplace_back(id, param);
        return;
    }
    switch (id) {
        case ui::kCmdConnection:
            Connect(param);
            break;
        case ui::kCmdDisconnect:
            Disconnect(param);
            break;
        case ui::kCmdEnableAfterConnect:
            SetControlsEnabled(record_->instrumentReady);
            // A running script keeps Step and Close disabled.
            if (record_->instrumentReady) scripts_.UpdateRunButtons();
            // Selected, so that the command typed next replaces the last one
            // instead of being appended to it.
            FocusCommandLine();
            break;
        case ui::kCmdFocusCommandLine:
            FocusCommandLine();
            break;
        case ui::kCmdPickFromResults:
            PickFromResults();
            break;
        case ui::kCmdHistoryPrevious:
            ShowHistory(history_.Previous());
            break;
        case ui::kCmdHistoryNext:
            ShowHistory(history_.Next());
            break;
        case ui::kCmdSend:
            Send();
            break;
        case ui::kCmdClearResults:
            ui_.results.SetText("");
            Post(ui::kCmdFocusCommandLine);
            break;
        case ui::kCmdSaveToFile:
            SaveToFile();
            break;
        case ui::kCmdConvertBinary:
            convertBinary_ = !convertBinary_;
            ui_.menu.CheckItem(ui::kCmdConvertBinary, convertBinary_);
            break;
        case ui::kCmdUpgradeFirmware:
            if (hooks_.upgradeFirmware) hooks_.upgradeFirmware();
            Post(ui::kCmdFocusCommandLine);
            break;
        case ui::kCmdSetDateTime: {
            const platform::LocalTime t = SetInstrumentClock(*record_);
            Tell(platform::Format(kStatusClockSet, t.year, t.month, t.day, t.hour, t.minute,
                                  t.second));
            Post(ui::kCmdFocusCommandLine);
            break;
        }
        case ui::kCmdScript:
            if (!record_->instrumentReady) {
                Tell(kStatusScriptNoInstrument);
            } else if (scripts_.mode() == script::ScriptMode::Running ||
                       scripts_.mode() == script::ScriptMode::StepPending) {
                Tell(kStatusScriptRunning);
            }
            scripts_.HandleCommand(id, param);
            break;
        case ui::kCmdScriptRunStop:
        case ui::kCmdScriptStep:
        case ui::kCmdScriptClose:
            scripts_.HandleCommand(id, param);
            break;
        case ui::kCmdAbout:
            ui_.dialogs.RunAboutDialog(ui::kAppName, ui::kAppVersion, ui::kAppNotice);
            break;
        default:
            break;
    }
}

void Shell::FocusCommandLine() {
    ui_.commandLine.SetFocus();
    ui_.commandLine.SelectAll();
}

void Shell::Connect(intptr_t param) {
    ConnectionRecord& r = *record_;
    if (param == 0) {
        HandleCommand(ui::kCmdDisconnect, 0);
        auto ports = hooks_.listSerialPorts ? hooks_.listSerialPorts
                                            : std::function<std::vector<std::string>()>(
                                                  [] { return transport::ListSerialPorts(); });
        connection::ConnectDialog dialog(r, settings(), ports, hooks_.lanSearch, attempts_.get(),
                                         hooks_.status);
        ui_.dialogs.RunConnectDialog(dialog);
    } else {
        const connection::ConnectAttempts::Result result = attempts_->Reconnect(
            ui_.boxes, r, std::exchange(reconnectAfterLoss_, false), byIdName_);
        r.instrumentReady = result.identified;
        if (!r.instrumentReady)
            TellAt(result.cancelled ? kStatusReconnectCancelled : kStatusNotReestablished);
    }
    Post(ui::kCmdEnableAfterConnect);
    receive_.Clear();
    if (!r.instrumentReady) {
        // An instrument that did not answer is not held on to: its port stays
        // free for other programs until the next attempt.
        transport::CloseChannel(r);
        return;
    }
    byIdName_ = IsSerial(r) ? transport::SerialByIdName(r.comPort) : std::string();
    TellAt(param == 0 ? kStatusConnected : kStatusReestablished);
    ShowInstrumentInfo();
    r.pollReplies = true;
    ui_.menu.EnableItem(ui::kCmdUpgradeFirmware, true);
    ui_.menu.EnableItem(ui::kCmdSetDateTime, true);
    ui_.frame.SetTitle(ConnectedCaption(r));
}

void Shell::Disconnect(intptr_t param) {
    ConnectionRecord& r = *record_;
    if (r.instrumentReady) TellAt(param != 0 ? kStatusLost : kStatusDisconnected);
    ui_.menu.EnableItem(ui::kCmdUpgradeFirmware, false);
    ui_.menu.EnableItem(ui::kCmdSetDateTime, false);
    transport::CloseChannel(r);
    r.pollReplies = false;
    r.instrumentReady = false;
    SetControlsEnabled(false);
    if (param != 0) {
        ui::MessageAnswer answer =
            ui_.boxes.Show({kReestablishQuestion, ui::kAppName, ui::MessageIcon::Warning,
                            ui::MessageButtons::YesNo});
        // Only a front end that can offer Cancel waits for a device to come back.
        reconnectAfterLoss_ = answer == ui::MessageAnswer::Yes && hooks_.busy;
        if (answer == ui::MessageAnswer::Yes) Post(ui::kCmdConnection, 1);
    }
    ShowInstrumentInfo();
}

void Shell::Send() {
    std::string text = ui_.commandLine.Text().substr(0, kCommandLineMax);
    text = text.substr(0, text.find('\0'));
    if (!record_->instrumentReady || text.empty()) return;
    if (transport::SendCommandLine(text, *record_) == transport::SendResult::Failed) {
        Inform(kCommsFailed);
        HandleCommand(ui::kCmdDisconnect, 0);
        TellAt(kStatusLost);
        Post(ui::kCmdFocusCommandLine);
        return;
    }
    history_.Add(text);
    AppendResultText("> " + text + "\r\n");
    Post(ui::kCmdFocusCommandLine);
}

void Shell::PickFromResults() {
    if (!ui_.results.Selection().empty()) return;
    std::string line = ui_.results.CaretLine();
    if (line.empty() || line[0] != '>') return;
    std::string command = line.size() > 2 ? line.substr(2) : std::string();
    command = command.substr(0, command.find_first_of("\r\n")).substr(0, kPickMax);
    if (command.empty()) return;
    ui_.commandLine.SetText(command);
    Post(ui::kCmdFocusCommandLine);
}

void Shell::ShowHistory(const std::optional<std::string>& line) {
    if (!line) return;
    ui_.commandLine.SetText(*line);
    Post(ui::kCmdFocusCommandLine);
}

void Shell::SaveToFile() {
    ui::FileDialogRequest request;
    request.filters = {{kTextFileFilterName, kTextFileFilterPattern}};
    request.defaultExtension = kTextFileExtension;
    request.overwritePrompt = true;
    request.hideReadOnly = true;
    const ui::FileChoice choice = ui_.files.SaveFile(request);
    if (choice.outcome == ui::FileChoice::Outcome::Cancelled) return;
    if (choice.outcome == ui::FileChoice::Outcome::Failed || choice.path.empty()) {
        Inform(kUnableToCreateTextFile);
        return;
    }
    std::string bytes = platform::CrlfTextBytes(ui_.results.Text());
    platform::WriteResult written = platform::WriteFileAtomically(choice.path, bytes);
    if (!written.ok()) {
        int err = written.error;
        if (err == EACCES || err == ENOENT || err == EROFS || err == EISDIR || err == ENOTDIR) {
            Inform(std::string(kUnableToCreateTextFile) + "\n" + choice.path.c_str() + ": " +
                   written.Reason());
        } else {
            Inform(
                platform::Format(kResultsNotSaved, choice.path.c_str(), written.Reason().c_str()));
        }
    }
}

}  // namespace orvane::app
