#pragma once
// A main window for the script engine made of fakes, a simulated instrument on
// an in-memory LAN link, and a clock in virtual milliseconds.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "script/script_runner.h"
#include "sim/memory_link.h"
#include "support/fake_clock.h"
#include "support/fake_ui.h"
#include "transport/tcp_link.h"
#include "ui/command_ids.h"
#include "ui/memory_controls.h"

namespace orvane::testing {

// A fresh directory per process and test (ctest runs tests side by side).
class TestDir {
  public:
    TestDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::path(::testing::TempDir()) /
                ("orvane_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
                 info->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TestDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

class ScriptBench {
  public:
    explicit ScriptBench(uint32_t start = 1000) : clock(start) {
        record.interfaceKind = transport::InterfaceKind::Lan;
        record.linkOptions.clock = &clock;
        record.link = std::make_unique<transport::TcpLink>(
            platform::UniqueFd(link.ReleaseClientFd()), record.linkOptions);
        record.channelOpen = record.instrumentReady = true;
        pump = clock.AddPump([this](uint32_t now) { link.Pump(now); });
    }
    ~ScriptBench() { clock.RemovePump(pump); }

    // Puts lines into the list as if loaded, the runner stopped at the top.
    void Load(const std::vector<std::string>& lines) {
        if (runner.mode() == script::ScriptMode::None) {
            TestDir dir;
            std::string path = dir / "load.txt";
            std::ofstream(path) << "#beep\n";
            dialogs.openAnswers = {path};
            runner.ScriptCommand();
            poster.Take();
        }
        list.items = lines;
        list.current = -1;
    }
    std::string Received() {
        link.Pump(clock.TickCount());
        return std::string(link.engine().received());
    }
    // A reply line as the shell's receive step passes it on.
    void Reply(const std::string& line) {
        results.AppendText(line + "\r\n");
        runner.AddReplyCharacters(static_cast<int64_t>(line.size()));
    }
    // One turn of the main window's loop: posted commands, then the timer tick.
    void Tick() {
        for (const ui::PostedCommand& c : poster.Take()) {
            if (runner.HandleCommand(c.id, c.param)) continue;
            if (c.id == ui::kCmdClearResults) results.SetText("");
            if (c.id == ui::kCmdConvertBinary) convertBinary = !convertBinary;
        }
        std::size_t size = results.text.size();
        runner.ScriptTick();
        if (results.text.size() != size) times.push_back(clock.TickCount());
    }
    void Press(int id) {
        poster.PostCommand(id);
        Tick();
    }
    void RunFor(uint32_t ms) {
        for (uint32_t i = 0; i < ms; ++i) {
            clock.Advance(1);
            Tick();
        }
    }
    void RunToStop(uint32_t limit = 60000) {
        for (uint32_t i = 0; i < limit && runner.mode() == script::ScriptMode::Running; ++i)
            RunFor(1);
    }

    FakeClock clock;
    sim::MemoryLink link;
    int pump = 0;
    transport::ConnectionRecord record;
    bool convertBinary = true;
    ui::MemoryTextBox results;
    ui::MemoryControl commandLine, sendButton;
    ui::MemoryListBox list;
    ui::MemoryButton runButton, stepButton, closeButton;
    ui::CommandQueue poster;
    FakePaneLayout layout;
    FakeFileDialogs dialogs;
    FakeMessageBoxes boxes;
    FakeBeeper beeper;
    script::ScriptHost host{results,    commandLine, sendButton, list,         runButton,
                            stepButton, closeButton, poster,     layout,       dialogs,
                            boxes,      beeper,      record,     convertBinary};
    script::ScriptRunner runner{host};

    std::vector<uint32_t> times;  // when the results pane grew
};

}  // namespace orvane::testing
