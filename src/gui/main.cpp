// orvane2: the desktop program.

#include <QApplication>
#include <cstdio>
#include <memory>

#include "gui/demo_instrument.h"
#include "gui/display_check.h"
#include "gui/gui_options.h"
#include "gui/main_window.h"
#include "gui/resources.h"
#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/process_start.h"
#include "platform/settings_location.h"
#include "sim/tcp_endpoint.h"
#include "transport/comms_log.h"
#include "ui/app_strings.h"

int main(int argc, char** argv) {
    using namespace orvane;
    platform::PrepareProcess();
    platform::SystemClock clock;
    platform::Diagnostics diagnostics(clock);
    gui::GuiOptions options;
    std::string error;
    if (!gui::ParseGuiOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "orvane2: %s\n%s", error.c_str(), gui::GuiUsage().c_str());
        return 64;
    }
    if (options.help) {
        std::fputs(gui::GuiUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(gui::GuiVersion().c_str(), stdout);
        return 0;
    }
    if (std::string refused = diagnostics.SetCommsLogFile(options.commsLog); !refused.empty()) {
        std::fprintf(stderr, "orvane2: --comms-log: %s\n", refused.c_str());
        return 64;
    }
    if (auto problem = gui::DisplayProblem()) {
        std::fprintf(stderr, "orvane2: %s\n%s\n", problem->c_str(), gui::kDisplayHint);
        return gui::kNoDisplayStatus;
    }

    diagnostics.EnableTraceFromEnvironment();
    if (options.trace) diagnostics.SetTraceEnabled(true);

    // Qt takes its own options (-style, -platform, ...) out of the list it is given.
    std::vector<char*> qtArgs;
    for (std::string& arg : options.rest) qtArgs.push_back(arg.data());
    int qtArgc = static_cast<int>(qtArgs.size());
    qtArgs.push_back(nullptr);
    QApplication app(qtArgc, qtArgs.data());
    QApplication::setApplicationName(QStringLiteral("orvane2"));
    QGuiApplication::setDesktopFileName(QStringLiteral("orvane2"));
    QApplication::setWindowIcon(gui::AppIcon());

    std::unique_ptr<gui::DemoInstrument> demo;
    if (options.demo) {
        sim::InstrumentConfig config;
        config.diagnostics = &diagnostics;
        demo =
            std::make_unique<gui::DemoInstrument>(std::move(config), sim::kInstrumentTcpPort, true);
        // Told before the window opens, so the box does not come up behind the Connect dialog.
        if (!demo->Problems().empty()) {
            std::fputs(demo->Problems().c_str(), stderr);
            gui::MessageBoxWindow(nullptr).Show(
                {demo->Problems(), ui::kAppName, ui::MessageIcon::Warning, ui::MessageButtons::Ok});
        }
    }

    gui::MainWindowOptions windowOptions;
    windowOptions.args.clear();
    for (int i = 0; i < qtArgc; ++i)
        windowOptions.args.emplace_back(qtArgs[static_cast<std::size_t>(i)]);
    if (auto location = platform::DefaultSettingsLocation())
        windowOptions.settingsFile = location->file;
    windowOptions.presetConnection = [&](transport::ConnectionRecord& r) {
        r.linkOptions.clock = &clock;
        r.linkOptions.diagnostics = &diagnostics;
        if (demo) demo->Preset(r);
    };
    windowOptions.discovery.clock = &clock;
    windowOptions.discovery.diagnostics = &diagnostics;
    if (demo) {
        windowOptions.listSerialPorts = [&demo] { return demo->Ports(); };
        demo->PresetSearch(windowOptions.discovery);
    }

    int status = 0;
    {
        gui::MainWindow window(std::move(windowOptions));
        transport::SetCommsLogMessageBoxes(diagnostics, &window.boxes());
        window.show();
        status = QApplication::exec();
        transport::SetCommsLogMessageBoxes(diagnostics, nullptr);
    }
    return status;
}
