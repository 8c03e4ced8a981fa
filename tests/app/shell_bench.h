#pragma once
// A shell wired to in-memory controls, with its posted commands run on request.

#include <string>

#include "app/shell.h"
#include "support/fake_main_window.h"
#include "ui/command_ids.h"

namespace orvane::testing {

struct ShellBench {
    explicit ShellBench(std::optional<std::string> settingsFile = std::nullopt)
        : shell(Wire(w), std::move(settingsFile)) {}

    static app::ShellUi Wire(FakeMainWindow& w) {
        return {.results = w.results,
                .info = w.info,
                .commandLine = w.commandLine,
                .send = w.send,
                .scriptList = w.scriptList,
                .runStop = w.runStop,
                .step = w.step,
                .close = w.close,
                .menu = w.menu,
                .poster = w.poster,
                .boxes = w.boxes,
                .files = w.files,
                .cursor = w.cursor,
                .frame = w.frame,
                .dialogs = w.dialogs,
                .beeper = w.beeper};
    }

    // Handles posted commands in order until none is left.
    void RunPosted() {
        for (int guard = 0; guard < 100 && !w.poster.posted.empty(); ++guard) {
            for (const ui::PostedCommand& c : w.poster.Take()) shell.HandleCommand(c.id, c.param);
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
