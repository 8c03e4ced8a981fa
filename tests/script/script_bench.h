#pragma once
// A main window for the script engine made of fakes, with a simulated
// instrument on an in-memory LAN link and a clock in virtual milliseconds.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "script/script_host.h"
#include "script/script_runner.h"
#include "sim/memory_link.h"
#include "support/fake_clock.h"
#include "support/fake_controls.h"
#include "support/fake_ui.h"
#include "transport/connection_record.h"
#include "ui/command_ids.h"

namespace orvane::testing {

class FakeBeeper : public ui::Beeper {
public:
    void Beep() override { ++beeps; }
    int beeps = 0;
};

// Text the results pane gained in one tick, and when.
struct PaneEvent {
    uint32_t at = 0;
    std::string text;
};

class ScriptBench {
public:
    ScriptBench(uint32_t start = 1000) : clock(start) {
        record.interfaceKind = transport::InterfaceKind::Lan;
        record.socket = link.ClientFd();
        record.channelOpen = true;
        record.instrumentReady = true;
        pump = clock.AddPump([this](uint32_t now) { link.Pump(now); });
    }
    ~ScriptBench() { clock.RemovePump(pump); }

    void Lines(const std::vector<std::string>& lines) {
        list.items = lines;
        list.current = -1;
    }
    // What the instrument has received so far.
    std::string Received() {
        link.Pump(clock.TickCount());
        return std::string(link.engine().received());
    }

    // A reply line as the shell's receive step passes it on.
    void Reply(const std::string& line) {
        results.AppendText(line + "\r\n");
        runner.AddReplyCharacters(static_cast<int64_t>(line.size()));
    }

    // The main window's loop: posted commands first, then the timer tick with
    // the receive step (when one is set) before the script tick.
    void Tick() {
        for (const PostedCommand& c : poster.Take()) {
            if (runner.HandleCommand(c.id, c.param)) continue;
            handled.push_back(c);
            if (c.id == ui::kCmdClearResults) results.SetText("");
            if (c.id == ui::kCmdConvertBinary) convertBinary = !convertBinary;
        }
        if (receive) receive();
        int before = results.appendCount;
        std::size_t size = results.text.size();
        runner.ScriptTick();
        if (results.appendCount != before) events.push_back({clock.TickCount(), results.text.substr(size)});
    }
    void Press(int id) {
        poster.PostCommand(id);
        Tick();
    }
    // Moves virtual time on one millisecond at a time, ticking after each.
    void RunFor(uint32_t ms) {
        for (uint32_t i = 0; i < ms; ++i) {
            clock.Advance(1);
            Tick();
        }
    }
    // Ticks until the runner is no longer running (at most limit ms).
    void RunToStop(uint32_t limit = 60000) {
        for (uint32_t i = 0; i < limit && runner.mode() == script::ScriptMode::Running; ++i) {
            clock.Advance(1);
            Tick();
        }
    }

    FakeClock clock;
    platform::ScopedClock useClock{clock};
    sim::MemoryLink link;
    int pump = 0;
    transport::ConnectionRecord record;
    bool convertBinary = true;

    FakeTextBox results;
    FakeControl commandLine;
    FakeControl sendButton;
    FakeListBox list;
    FakeButton runButton;
    FakeButton stepButton;
    FakeButton closeButton;
    FakeCommandPoster poster;
    FakePaneLayout layout;
    FakeFileDialogs dialogs;
    FakeMessageBoxes boxes;
    FakeBeeper beeper;

    script::ScriptHost host{results, commandLine, sendButton, list,   runButton, stepButton, closeButton,
                            poster,  layout,      dialogs,    boxes,  beeper,    record,     convertBinary};
    script::ScriptRunner runner{host};

    std::vector<PaneEvent> events;
    std::vector<PostedCommand> handled;  // posted commands that were not the runner's
    std::function<void()> receive;
};

}  // namespace orvane::testing
