// The console's rows of the fault matrix: the shell, wired to in-memory controls,
// against a simulated instrument that hangs up or stays silent, over a
// pseudo-terminal and over TCP; and the file system failing it (a settings folder
// it may not write, a full disk). Each row checks what the user is told, that
// nothing the user had is lost, and that the port is let go and nothing spins.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "../app/shell_bench.h"
#include "app/instrument_info.h"
#include "app/shell_texts.h"
#include "connection/connection_texts.h"
#include "fault_checks.h"
#include "platform/text_format.h"
#include "script/script_texts.h"
#include "sim/command_interpreter.h"
#include "sim/engine.h"
#include "sim/pty_endpoint.h"
#include "sim/tcp_endpoint.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"
#include "ui/app_strings.h"
#include "ui/command_ids.h"

namespace orvane::testing {
namespace {

enum class Link { Pty, Tcp };

// A main window's shell connected to a simulated instrument. In real time the
// instrument runs on a thread of its own; in virtual time it answers from the
// fake clock's pump, so time-outs of seconds cost nothing.
struct Console {
    Console(Link link, sim::InstrumentConfig config, bool virtualTime,
            std::optional<std::string> settings = std::nullopt)
        : bench(std::move(settings)) {
        transport::ConnectionRecord& r = record();
        if (virtualTime) r.linkOptions.clock = &clock_.emplace();
        if (link == Link::Pty) {
            auto pty = std::make_unique<sim::PtyEndpoint>(config);
            r.interfaceKind = transport::InterfaceKind::Usb;
            r.comPort = pty->DevicePath();
            r.baudRate = 19200;
            instrument = std::move(pty);
        } else {
            auto tcp = std::make_unique<sim::TcpEndpoint>(config, "127.0.0.1", 0);
            r.linkOptions.tcpPort = tcp->Port();
            r.interfaceKind = transport::InterfaceKind::Lan;
            r.ipAddress = "127.0.0.1";
            instrument = std::move(tcp);
        }
        if (clock_) {
            pump_ = clock_->AddPump([this](uint32_t now) { instrument->Pump(now); });
        } else {
            instrument->Start();
        }
        baseline_ = OpenDescriptors();
    }
    ~Console() {
        bench.shell.Shutdown();
        if (clock_) clock_->RemovePump(pump_);
        instrument->Stop();
    }

    FakeMainWindow& w() { return bench.w; }
    transport::ConnectionRecord& record() { return bench.shell.record(); }

    // As after "Yes" to the re-establish question: no dialog.
    bool Connect() {
        bench.shell.HandleCommand(ui::kCmdConnection, 1);
        bench.RunPosted();
        return record().instrumentReady;
    }
    uint32_t Now() { return clock_ ? clock_->TickCount() : real_.TickCount(); }
    // Turns of the window's 1 ms timer until done() or limitMs pass; how long it took.
    template <class F>
    std::optional<uint32_t> TickUntil(F done, uint32_t limitMs) {
        const uint32_t start = Now();
        while (!done()) {
            if (Now() - start > limitMs) return std::nullopt;
            if (clock_) {
                clock_->Advance(1);
            } else {
                real_.Sleep(1);
            }
            Tick();
        }
        return Now() - start;
    }
    void Tick() {  // one turn of the window's timer
        bench.shell.Tick();
        bench.RunPosted();
    }

    std::set<std::string> LeftOpen() {
        if (clock_) clock_->Advance(100);  // a pumped instrument sees a closed client when pumped
        return DescriptorsLeftOpen(baseline_);
    }

    std::optional<FakeClock> clock_;
    platform::SystemClock real_;
    ShellBench bench;
    std::unique_ptr<sim::Endpoint> instrument;
    int pump_ = 0;
    std::set<std::string> baseline_;
};

// Generous for a sanitizer build on a loaded machine; a spinning thread takes 1.
constexpr double kIdleShare = 0.3;

struct HangUp {
    const char* name;
    bool virtualTime;
    std::string typed;  // on the command line before, and still there after
    bool sendMayFail;   // "Comms Failed" may come instead of the question
    // Brings the hang-up about; returns once the console has dealt with it.
    void (*cause)(Console&);
};

const HangUp kHangUps[] = {
    {"while idle", false, "typed, not yet sent", false, [](Console& c) { c.instrument->Unplug(); }},
    // Enter before the window has had a tick to notice.
    {"mid-send", false, "read?", true,
     [](Console& c) {
         c.instrument->Unplug();
         c.bench.shell.HandleCommand(ui::kCmdSend);
         c.bench.RunPosted();
     }},
    {"mid-script", true, "", false,
     [](Console& c) {
         TempFolder dir;
         c.w().files.openAnswers = {
             dir.Write("check.txt", "\"*IDN?\r\n\"read?\r\n\"temp?\r\n\"read?\r\n")};
         c.bench.shell.HandleCommand(ui::kCmdScript);
         c.bench.RunPosted();
         ASSERT_EQ(c.w().scriptList.Count(), 4);
         const std::string identity = sim::IdentityText({});
         c.instrument->WithEngine([&](sim::Engine& e) {  // right after the first reply
             e.config().hangUpAfterBytes =
                 static_cast<uint32_t>(e.SentThisConnection() + identity.size() + 2);
         });
         c.bench.shell.HandleCommand(ui::kCmdScriptRunStop);
         auto stopped = c.TickUntil(
             [&] { return c.bench.shell.scripts().mode() == script::ScriptMode::Stopped; }, 30000);
         // The query in flight waits out its 5 s; the next send fails at once.
         ASSERT_TRUE(stopped);
         EXPECT_LT(*stopped, 5000u + 1000u);
         const std::string pane = c.w().results.text;
         EXPECT_EQ(pane.rfind("> *IDN?\r\n" + identity + "\r\n", 0), 0u) << pane;
         EXPECT_NE(pane.find(script::kSendFailed), std::string::npos) << pane;
         EXPECT_EQ(c.w().scriptList.Count(), 4) << "the script stays loaded";
     }},
};

class ConsoleFault : public ::testing::TestWithParam<Link> {};

TEST_P(ConsoleFault, HangUpAsksOnceKeepsWhatTheUserHadAndLetsThePortGo) {
    for (const HangUp& row : kHangUps) {
        SCOPED_TRACE(row.name);
        Console c(GetParam(), {}, row.virtualTime);
        ASSERT_TRUE(c.Connect());
        c.w().commandLine.SetText(row.typed);
        c.w().boxes.answers.push_back(ui::MessageAnswer::No);
        row.cause(c);
        ASSERT_TRUE(c.TickUntil([&] { return !c.w().boxes.shown.empty(); }, 5000));
        c.TickUntil([] { return false; }, 200);  // time for a second message, if one were due
        // Mid-send, whether the bytes still went into the system's buffer decides
        // which: the send fails ("Comms Failed"), or the read after it does (the
        // question). Never both.
        ASSERT_EQ(c.w().boxes.shown.size(), 1u);
        const std::string said = c.w().boxes.shown[0].text;
        if (!row.sendMayFail || said != app::kCommsFailed) {
            EXPECT_EQ(said, app::kReestablishQuestion);
            EXPECT_EQ(c.w().boxes.shown[0].buttons, ui::MessageButtons::YesNo);
            EXPECT_FALSE(c.w().commandLine.enabled);
            EXPECT_EQ(c.w().info.Text(), app::kInfoNoConnection);
        }
        EXPECT_FALSE(c.record().channelOpen);
        EXPECT_EQ(c.w().commandLine.text, row.typed);
        EXPECT_EQ(c.LeftOpen(), std::set<std::string>{});
        // Nothing of the fault may keep a thread busy while the window ticks on.
        EXPECT_LT(CpuShareWhileSleeping(300, [&] { c.Tick(); }), kIdleShare);
    }
}

// The port is not held for an instrument that never answers.
TEST_P(ConsoleFault, SilentInstrumentLeavesThePortFree) {
    sim::InstrumentConfig config;
    config.silent = true;
    Console c(GetParam(), config, true);
    EXPECT_FALSE(c.Connect());
    EXPECT_FALSE(c.w().commandLine.enabled);
    EXPECT_EQ(c.LeftOpen(), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(OverBothLinks, ConsoleFault, ::testing::Values(Link::Pty, Link::Tcp),
                         [](const auto& info) { return info.param == Link::Pty ? "Pty" : "Tcp"; });

// The settings folder may be read but not written: what was saved still counts,
// the console works, the user who asked to save is told why it failed, and the
// file is left exactly as it was.
TEST(FileSystemFault, ReadOnlySettingsFolder) {
    TempFolder dir;
    const std::string ini =
        "; kept by hand\r\n[Init]\r\nCreated=09:00:00 "
        "1/12/2026\r\n[Connect]\r\nInterface=2\r\nIPAddr=127.0.0.1\r\n";
    const std::string file = dir.Write("Orvane2.ini", ini);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    ScopedOrdinaryUser user;
    ASSERT_TRUE(user.ok());
    {
        Console c(Link::Tcp, {}, false, file);
        c.bench.shell.Start({"orvane2"});
        std::string shownAddress;
        c.w().dialogs.connectScripts.push_back(
            [&](FakeConnectView& view, ui::ConnectDialogEvents& events) {
                shownAddress = view.ip.text;
                events.OnSaveAsDefault();
                events.OnConnect();
            });
        c.bench.shell.WindowCreated();
        c.bench.RunPosted();
        EXPECT_EQ(shownAddress, "127.0.0.1") << "the saved choice was read";
        EXPECT_TRUE(c.record().instrumentReady) << "and connects";
        ASSERT_EQ(c.w().dialogs.lastConnect.size(), 2u)
            << "the failed save, then the connect's own result";
        EXPECT_EQ(
            c.w().dialogs.lastConnect[0].text,
            platform::Format(connection::kSettingsNotSaved, file.c_str(), std::strerror(EACCES)));
        EXPECT_EQ(c.w().dialogs.lastConnect[0].caption, ui::kAppName);
        c.w().frame.outer = {900, 700};  // a resized window is saved on the way out
    }
    EXPECT_EQ(dir.Read("Orvane2.ini"), ini);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "no temporary file left";

    // A first run whose settings folder cannot be made starts all the same.
    ShellBench first(dir / "new/Orvane2.ini");
    first.shell.Start({"orvane2"});
    first.shell.WindowCreated();
    first.RunPosted();
    EXPECT_FALSE(std::filesystem::exists(dir / "new"));
    EXPECT_TRUE(first.w.boxes.shown.empty());
}

// The disk fills while results are saved: the user is told, the file that was
// there is kept whole, and the pane still holds everything to try again.
TEST(FileSystemFault, DiskFullWhenSavingResults) {
    TempFolder dir;
    const std::string results = dir.Write("results.txt", "yesterday's results\r\n");
    ShellBench c;
    std::string pane;
    while (pane.size() < 20000) pane += "> read?\r\n" + sim::MeasurementText(1.2345) + "\r\n";
    c.w.results.text = pane;
    c.w.files.saveAnswers = {results, results};
    {
        ScopedFileSizeLimit full(4096);
        c.shell.HandleCommand(ui::kCmdSaveToFile);
        c.RunPosted();
    }
    ASSERT_EQ(c.w.boxes.Texts(),
              std::vector<std::string>{
                  platform::Format(app::kResultsNotSaved, results.c_str(), std::strerror(EFBIG))});
    EXPECT_EQ(dir.Read("results.txt"), "yesterday's results\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "no temporary file left";
    EXPECT_EQ(c.w.results.text, pane);

    c.shell.HandleCommand(ui::kCmdSaveToFile);
    EXPECT_EQ(dir.Read("results.txt"), pane) << "saved once there is room";
}

}  // namespace
}  // namespace orvane::testing
