#include "cli/cli_app.h"

#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "app/instrument_info.h"
#include "app/shell_texts.h"
#include "cli/line_editor.h"
#include "cli/port_listing.h"
#include "cli/standard_output.h"
#include "cli/stop_signals.h"
#include "cli/terminal_lan_find.h"
#include "cli/terminal_upgrade.h"
#include "cli/visible_text.h"
#include "connection/connect_and_identify.h"
#include "connection/connection_settings.h"
#include "connection/connection_texts.h"
#include "connection/lan_search.h"
#include "connection/model_table.h"
#include "firmware/upgrade_flow.h"
#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/settings_location.h"
#include "platform/text_format.h"
#include "script/script_texts.h"
#include "sim/pty_endpoint.h"
#include "transport/channel.h"
#include "transport/comms_log.h"
#include "transport/send_command_line.h"
#include "transport/serial_port_list.h"
#include "ui/app_strings.h"
#include "ui/command_ids.h"

namespace orvane::cli {

using transport::InterfaceKind;

namespace {

std::optional<std::string> SettingsPath(const CliOptions& o) {
    if (o.settingsFile) return o.settingsFile;
    auto loc = platform::DefaultSettingsLocation();
    return loc ? std::optional<std::string>(loc->file) : std::nullopt;
}

bool Readable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char c;
    return in.is_open() && (in.read(&c, 1) || in.eof());
}

}  // namespace

std::string ConsoleBanner(const transport::ConnectionRecord& r) {
    std::string who = r.modelCode == connection::kModelBootcode ? connection::kBootcodeInstrument
                      : r.identity.empty()                      ? connection::kUnknownInstrument
                                                                : r.identity.str();
    std::string where =
        r.interfaceKind == InterfaceKind::Lan
            ? platform::Format(kBannerAddress, r.ipAddress.c_str(), unsigned{r.linkOptions.tcpPort})
            : platform::Format(kBannerPort, r.comPort.c_str(), static_cast<unsigned>(r.baudRate));
    return platform::Format(kConsoleBanner, MadeVisible(who).c_str(), where.c_str());
}

CliApp::CliApp(CliOptions options, StandardOutput& out)
    : options_(std::move(options)),
      out_(out),
      boxes_(options_.yes),
      results_(out_, options_.command == "run"),
      files_(options_.command == "run" || options_.command == "upgrade"
                 ? std::optional<std::string>(options_.args.at(0))
                 : std::nullopt) {
    colors_.on = !options_.noColor && IsTerminal(stdout) && !std::getenv("NO_COLOR");
    diagnostics_.EnableTraceFromEnvironment();
    if (options_.trace) diagnostics_.SetTraceEnabled(true);
    transport::SetCommsLogMessageBoxes(diagnostics_, &boxes_);
    boxes_.beforeShow = [this] { results_.Flush(); };
    if (options_.timestamps) results_.StampLines(clock_);

    shell_ = std::make_unique<app::Shell>(app::ShellUi{.results = results_,
                                                       .info = info_,
                                                       .commandLine = commandLine_,
                                                       .send = send_,
                                                       .scriptList = scriptList_,
                                                       .runStop = runStop_,
                                                       .step = step_,
                                                       .close = close_,
                                                       .menu = menu_,
                                                       .poster = poster_,
                                                       .boxes = boxes_,
                                                       .files = files_,
                                                       .cursor = cursor_,
                                                       .frame = frame_,
                                                       .dialogs = dialogs_,
                                                       .beeper = beeper_},
                                          SettingsPath(options_));
    shell_->record().linkOptions.clock = &clock_;
    shell_->record().linkOptions.diagnostics = &diagnostics_;
}

CliApp::~CliApp() {
    transport::SetCommsLogMessageBoxes(diagnostics_, nullptr);
    if (shell_) transport::CloseChannel(shell_->record());
}

bool CliApp::Connect() {
    transport::ConnectionRecord& r = shell_->record();
    connection::LoadConnectionSettings(shell_->settings(), r);
    const bool settingsUnreadable = shell_->TellUnreadableSettings();
    if (options_.demo) {
        sim::InstrumentConfig demo;
        demo.diagnostics = &diagnostics_;
        demo_ = std::make_unique<sim::PtyEndpoint>(std::move(demo));
        if (!demo_->Ok() || !demo_->Start()) {
            std::fprintf(stderr, "orvane2-cli: the demo instrument did not start: %s\n",
                         demo_->Error().c_str());
            return false;
        }
        r.interfaceKind = InterfaceKind::Usb;
        r.comPort = demo_->DevicePath();
        r.baudRate = 19200;
    } else if (options_.kind == InterfaceKind::Lan) {
        r.interfaceKind = InterfaceKind::Lan;
        r.ipAddress = options_.address;
    } else if (options_.kind != InterfaceKind::None) {
        r.interfaceKind = options_.kind;
        r.comPort = options_.device;
        r.baudRate = options_.kind == InterfaceKind::Usb ? 19200 : options_.baud;
    }
    if (r.interfaceKind == InterfaceKind::None) {
        if (settingsUnreadable) return false;  // that is why none was chosen, and it was said
        std::fprintf(
            stderr,
            "orvane2-cli: no instrument chosen: give --usb, --serial, --lan or --demo, or save a "
            "connection in the desktop program\n");
        return false;
    }
    const int boxesBefore = boxes_.shown;
    shell_->HandleCommand(ui::kCmdConnection, 1);
    // Connected or not is decided here; losing the instrument later is the
    // command's business.
    bool ready = r.instrumentReady;
    Pump();
    // A port that would not open has said why in a box; one that opened and
    // stayed silent would otherwise end the command without a word.
    if (!ready && boxes_.shown == boxesBefore)
        std::fprintf(stderr, "orvane2-cli: %s\n", connection::NoAnswerReason(r).c_str());
    return ready;
}

void CliApp::Pump() {
    shell_->Tick();
    for (int round = 0; round < 100; ++round) {
        auto posted = poster_.Take();
        if (posted.empty()) break;
        for (const ui::PostedCommand& c : posted) shell_->HandleCommand(c.id, c.param);
    }
    results_.Flush();
}

void CliApp::WaitForInput(uint32_t ms) {
    clock_.WaitReadable(transport::ChannelDescriptor(shell_->record()), ms);
}

bool CliApp::WaitQuiet(uint32_t quietMs) {
    uint32_t last = clock_.TickCount();
    std::size_t seen = results_.appended() + shell_->receiveStep().pending();
    for (;;) {
        Pump();
        if (!shell_->record().instrumentReady) return false;
        std::size_t now = results_.appended() + shell_->receiveStep().pending();
        if (now != seen) {
            seen = now;
            last = clock_.TickCount();
        }
        uint32_t quiet = platform::TicksSince(clock_.TickCount(), last);
        if (quiet >= quietMs) return true;
        WaitForInput(std::min<uint32_t>(quietMs - quiet, 10));
    }
}

int CliApp::Run() {
    // Before anything is sent, so that no command goes unlogged.
    if (std::string refused = diagnostics_.SetCommsLogFile(options_.commsLog); !refused.empty()) {
        std::fprintf(stderr, "orvane2-cli: --comms-log: %s\n", refused.c_str());
        return kExitUsage;
    }
    int status = RunCommand();
    results_.Flush();
    // A log that was asked for and lost on the way (its message is on stderr)
    // is output that could not be written; a command that failed keeps its status.
    if (status == kExitOk && !options_.commsLog.empty() && !diagnostics_.CommsLogEnabled()) {
        status = kExitOutputFailed;
    }
    return status;
}

int CliApp::RunCommand() {
    if (options_.command == "identify") return Identify();
    if (options_.command == "query") return Query();
    if (options_.command == "console") return Console();
    if (options_.command == "run") return RunScript();
    if (options_.command == "set-clock") return SetClock();
    if (options_.command == "discover") return Discover();
    if (options_.command == "upgrade") return Upgrade();
    if (options_.command == "ports") return Ports();
    std::fprintf(stderr, "orvane2-cli: %s is not built into this version\n",
                 options_.command.c_str());
    return kExitUsage;
}

int CliApp::Identify() {
    if (!Connect()) return kExitNoConnection;
    auto runs = app::ShowInstrumentInfo(shell_->record(), clock_.Now());
    out_.Write(RunsAsText(runs, colors_));
    return kExitOk;
}

int CliApp::Query() {
    if (!Connect()) return kExitNoConnection;
    for (const std::string& text : options_.args) {
        if (out_.Error() != 0) break;  // the replies would reach nobody
        results_.MarkSent();
        if (transport::SendCommandLine(text, shell_->record()) == transport::SendResult::Failed) {
            boxes_.Inform(app::kCommsFailed, ui::kAppName);
            return kExitSendFailed;
        }
        if (!WaitQuiet(options_.quietMs)) return kExitNoConnection;
    }
    return kExitOk;
}

int CliApp::Upgrade() {
    // Said before connecting, as run says it: the flow itself would only find no
    // load lines in a file it could not read.
    const std::string& descriptor = options_.args.at(0);
    if (!Readable(descriptor)) {
        boxes_.Inform(platform::Format(script::kUnableToReadFile, descriptor.c_str()),
                      ui::kAppName);
        return kExitBadFile;
    }
    if (!Connect()) return kExitNoConnection;
    TerminalUpgradeRunner dialogs(out_, boxes_, colors_);
    bool succeeded =
        firmware::RunFirmwareUpgrade({boxes_, files_, cursor_, dialogs}, shell_->record());
    // The worker's first act is to send the instrument into its bootloader;
    // only a completed upgrade restarts it.
    if (!succeeded && dialogs.upgradeStarted())
        std::fprintf(stderr, "orvane2-cli: %s\n", kLeftInBootloaderText);
    if (int sig = dialogs.heldSignal()) return 128 + sig;
    if (succeeded) return kExitOk;
    // Once the worker ran, a failure is a failed upgrade; before it, the user or
    // the checks (wrong file, wrong model, a refused question) stopped it.
    return dialogs.upgradeStarted() ? kExitSendFailed : kExitRefused;
}

int CliApp::Ports() {
    std::vector<transport::SerialPortInfo> ports = transport::ListSerialPortDetails();
    out_.Write(options_.json ? PortsAsJson(ports) : PortsAsText(ports));
    if (ports.empty()) std::fputs(kNoSerialPorts, stderr);
    return ports.empty() ? kExitRefused : kExitOk;
}

int CliApp::Discover() {
    TerminalLanFind lanFind(out_);
    TerminalConnectView view(boxes_);
    transport::DiscoverySettings settings;
    settings.clock = &clock_;
    settings.diagnostics = &diagnostics_;
    connection::LanSearchResult result = connection::RunLanSearch(view, lanFind, settings);
    return result.found > 0 ? kExitOk : kExitRefused;
}

int CliApp::SetClock() {
    if (!Connect()) return kExitNoConnection;
    shell_->HandleCommand(ui::kCmdSetDateTime);
    Pump();
    return kExitOk;
}

int CliApp::RunScript() {
    if (!Connect()) return kExitNoConnection;
    script::ScriptRunner& runner = shell_->scripts();
    shell_->HandleCommand(ui::kCmdScript);
    Pump();
    if (runner.mode() == script::ScriptMode::None) {
        return shell_->record().instrumentReady ? kExitBadFile : kExitNoConnection;
    }
    shell_->HandleCommand(ui::kCmdScriptRunStop, 0);
    const bool ask = IsTerminal(stdin);
    for (;;) {
        Pump();
        if (out_.Error() != 0) break;
        if (runner.mode() == script::ScriptMode::Stopped) {
            script::StopReason reason = runner.engine().lastStopReason;
            if (reason == script::StopReason::Wait) {
                if (ask) {
                    std::fprintf(stderr, "(Enter to continue, Ctrl-D to stop)\n");
                    std::string line;
                    if (!std::getline(std::cin, line)) break;
                }
                shell_->HandleCommand(ui::kCmdScriptRunStop, 0);
                continue;
            }
            if (reason == script::StopReason::SendFailed) return kExitSendFailed;
            break;
        }
        WaitForInput(1);
    }
    // The run stops as soon as its last line is sent; the replies to it still
    // get printed, as they would reach the desktop program's results pane.
    if (!WaitQuiet(options_.quietMs)) return kExitNoConnection;
    return runner.engine().calculator.failCount() > 0 ? kExitRefused : kExitOk;
}

int CliApp::Console() {
    if (!Connect()) return kExitNoConnection;
    transport::ConnectionRecord& r = shell_->record();
    const bool interactive = IsTerminal(stdin) && IsTerminal(stdout);
    LineEditor editor(out_, interactive, interactive ? ConsoleHistoryPath() : std::string());
    // Lines from a pipe or a file come faster than the replies: each waits for
    // the replies to the one before, so that they follow their own command.
    const bool oneAtATime = !IsTerminal(stdin);
    results_.sink = [&](std::string_view text) { editor.Print(text); };
    // A question is answered on a terminal in its usual mode, with the line
    // editor out of the way, as a dialog would take the keyboard.
    boxes_.beforeShow = [&] {
        results_.Flush();
        editor.Stop();
    };
    boxes_.afterShow = [&] { editor.Start(); };
    editor.Start();
    if (interactive) editor.Print(ConsoleBanner(r));
    int status = kExitOk;
    for (;;) {
        Pump();
        if (!r.instrumentReady) {
            status = kExitNoConnection;
            break;
        }
        if (out_.Error() != 0) break;
        LineEditor::Event event = editor.Next();
        if (event.kind == LineEditor::Event::None) {
            pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0},
                             {transport::ChannelDescriptor(r), POLLIN, 0}};
            ::poll(fds, 2, 10);
            // POLLHUP, POLLERR or POLLNVAL too: the read then finds the end of input.
            if (fds[0].revents != 0) editor.Read();
            continue;
        }
        if (event.kind == LineEditor::Event::End) {
            // Replies to the last lines typed (or piped in) still get printed.
            if (!WaitQuiet(options_.quietMs)) status = kExitNoConnection;
            break;
        }
        if (event.kind == LineEditor::Event::Up || event.kind == LineEditor::Event::Down) {
            shell_->HandleCommand(event.kind == LineEditor::Event::Up ? ui::kCmdHistoryPrevious
                                                                      : ui::kCmdHistoryNext);
            editor.SetLine(commandLine_.Text());
            continue;
        }
        if (event.kind == LineEditor::Event::Line) {
            commandLine_.SetText(event.line);
            shell_->HandleCommand(ui::kCmdSend);
            if (!r.instrumentReady) {
                status = kExitSendFailed;  // the shell said so and closed the connection
                break;
            }
            if (!oneAtATime) {
                Pump();
            } else if (!WaitQuiet(options_.quietMs)) {
                status = kExitNoConnection;
                break;
            }
        }
    }
    results_.Flush();
    editor.Stop();
    results_.sink = nullptr;
    boxes_.beforeShow = [this] { results_.Flush(); };
    boxes_.afterShow = nullptr;
    return status;
}

}  // namespace orvane::cli
