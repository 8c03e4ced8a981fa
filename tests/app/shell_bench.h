#pragma once
// A shell wired to in-memory controls, with its posted commands run on request.

#include <string>

#include "app/shell.h"
#include "ui/command_ids.h"
#include "support/fake_main_window.h"

namespace orvane::testing {

struct ShellBench {
    explicit ShellBench(std::optional<std::string> settingsFile = std::nullopt)
        : shell(Wire(w), std::move(settingsFile)) {}

    static app::ShellUi Wire(FakeMainWindow& w) {
        app::ShellUi ui;
        ui.results = &w.results;
        ui.info = &w.info;
        ui.commandLine = &w.commandLine;
        ui.send = &w.send;
        ui.scriptList = &w.scriptList;
        ui.runStop = &w.runStop;
        ui.step = &w.step;
        ui.close = &w.close;
        ui.menu = &w.menu;
        ui.poster = &w.poster;
        ui.boxes = &w.boxes;
        ui.files = &w.files;
        ui.cursor = &w.cursor;
        ui.frame = &w.frame;
        ui.dialogs = &w.dialogs;
        ui.beeper = &w.beeper;
        return ui;
    }

    // Handles posted commands in order until none is left.
    void RunPosted() {
        for (int guard = 0; guard < 100 && !w.poster.posted.empty(); ++guard) {
            for (const PostedCommand& c : w.poster.Take()) shell.HandleCommand(c.id, c.param);
        }
    }

    // Types a line and presses Enter.
    void Type(const std::string& line) {
        w.commandLine.SetText(line);
        shell.HandleCommand(ui::kCmdSend);
        RunPosted();
    }

    FakeMainWindow w;
    app::Shell shell;
};

}  // namespace orvane::testing
