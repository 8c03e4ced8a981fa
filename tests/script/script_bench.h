#pragma once
// The script engine in a window of in-memory controls, connected over a socket
// pair whose far end reads nothing, in virtual milliseconds.

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/text_format.h"
#include "script/script_runner.h"
#include "script/script_texts.h"
#include "script_window.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"

namespace orvane::testing {

// How the results pane shows a command line sent.
inline std::string Echo(const char* command, const char* end = script::kLineEnd) {
    return platform::Format(script::kEchoFormat, command) + end;
}

struct ScriptBench : ScriptWindow {
    explicit ScriptBench(uint32_t start = 1000) : clock(start) {
        instrument = fuzz::ConnectInstrument(record, {.clock = &clock});
        record.instrumentReady = true;
    }

    // Puts lines into the list as if loaded: stopped at the top, the pane empty.
    void Load(const std::vector<std::string>& lines) {
        dialogs.openAnswers = {dir.Write("load.txt", "#beep\n")};
        runner.ScriptCommand();
        list.items = lines;
        results.text.clear();
        times.clear();
        loadedAt = clock.TickCount();
    }
    // A reply line as the shell's receive step passes it on.
    void Reply(const std::string& line) {
        results.AppendText(line + "\r\n");
        runner.AddReplyCharacters(static_cast<int64_t>(line.size()));
    }
    // One turn of the window's loop, ms on: posted commands, then the timer tick.
    void Tick(uint32_t ms = 0) {
        clock.Advance(ms);
        for (const ui::PostedCommand& c : poster.Take()) runner.HandleCommand(c.id, c.param);
        std::size_t size = results.text.size();
        runner.ScriptTick();
        if (results.text.size() != size) times.push_back(clock.TickCount() - loadedAt);
    }
    void Press(int id) {
        poster.PostCommand(id);
        Tick();
    }
    void RunFor(uint32_t ms) {
        for (uint32_t i = 0; i < ms; ++i) Tick(1);
    }
    void RunToStop() {
        for (int i = 0; i < 60000 && runner.mode() == script::ScriptMode::Running; ++i) Tick(1);
    }

    FakeClock clock;
    platform::UniqueFd instrument;
    TempFolder dir;
    script::ScriptRunner runner{host};
    uint32_t loadedAt = 0;
    std::vector<uint32_t> times;  // when the results pane grew, in ms after the Load
};

}  // namespace orvane::testing
