#pragma once
// A shell wired to in-memory controls, with its posted commands run on request.

#include <string>

#include "app/shell.h"
#include "support/fake_main_window.h"
#include "ui/command_ids.h"

namespace orvane::testing {

// The status line's texts, oldest first.
struct StatusLog final : ui::StatusLine {
    void SetStatus(const std::string& text) override { said.push_back(text); }
    std::vector<std::string> said;
};

struct ShellBench {
    explicit ShellBench(std::optional<std::string> settingsFile = std::nullopt)
        : shell({w.results, w.info, w.commandLine, w.send, w.scriptList, w.runStop, w.step, w.close,
                 w.menu, w.poster, w.boxes, w.files, w.cursor, w.frame, w.dialogs, w.beeper},
                std::move(settingsFile), Hooks(status)) {}

    static app::ShellHooks Hooks(StatusLog& status) {
        app::ShellHooks hooks;
        hooks.status = &status;
        return hooks;
    }

    // Handles posted commands in order until none is left.
    void RunPosted() {
        for (int guard = 0; guard < 100 && !w.poster.posted.empty(); ++guard) {
            for (const ui::PostedCommand& c : w.poster.Take()) shell.HandleCommand(c.id, c.param);
        }
    }

    void Type(const std::string& line) {
        w.commandLine.SetText(line);
        shell.HandleCommand(ui::kCmdSend);
        RunPosted();
    }

    FakeMainWindow w;
    StatusLog status;
    app::Shell shell;
};

}  // namespace orvane::testing
