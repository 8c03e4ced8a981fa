#pragma once
// The script engine in a window of in-memory controls, against a simulated
// instrument on an in-memory LAN link, in virtual milliseconds.

#include <string>
#include <vector>

#include "platform/text_format.h"
#include "script/script_runner.h"
#include "script/script_texts.h"
#include "script_window.h"
#include "sim/memory_link.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"
#include "transport/tcp_link.h"

namespace orvane::testing {

// How the results pane shows a command line sent.
inline std::string Echo(const char* command, const char* end = script::kLineEnd) {
    return platform::Format(script::kEchoFormat, command) + end;
}

struct ScriptBench : ScriptWindow {
    explicit ScriptBench(uint32_t start = 1000) : clock(start) {
        record.interfaceKind = transport::InterfaceKind::Lan;
        record.linkOptions.clock = &clock;
        record.link = std::make_unique<transport::TcpLink>(
            platform::UniqueFd(link.ReleaseClientFd()), record.linkOptions);
        record.channelOpen = record.instrumentReady = true;
        pump = clock.AddPump([this](uint32_t now) { link.Pump(now); });
    }
    ~ScriptBench() { clock.RemovePump(pump); }

    // Puts lines into the list as if loaded, the runner stopped at the top, the
    // pane empty.
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
    // One turn of the main window's loop, ms after the last: posted commands,
    // then the timer tick.
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
        for (int i = 0; i < 60000 && runner.mode() == script::ScriptMode::Running; ++i) RunFor(1);
    }

    FakeClock clock;
    sim::MemoryLink link;
    int pump = 0;
    TempFolder dir;
    script::ScriptRunner runner{host};
    uint32_t loadedAt = 0;
    std::vector<uint32_t> times;  // when the results pane grew, in ms after the Load
};

}  // namespace orvane::testing
