// The console's rows of the fault matrix: the shell, wired to in-memory controls,
// against a simulated instrument that hangs up, trickles or floods, over a
// pseudo-terminal and over TCP; and the file system failing it (a settings folder
// it may not write, a full disk). Each row checks what the user is told and when,
// that exactly one question is asked where one is due, that nothing the user had
// is lost, and that the port is let go and the process idles afterwards.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "../app/shell_bench.h"
#include "app/receive_step.h"
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
#include "ui/app_strings.h"
#include "ui/command_ids.h"

namespace orvane::testing {
namespace {

enum class Link { Pty, Tcp };

std::string LinkName(const ::testing::TestParamInfo<Link>& info) {
    return info.param == Link::Pty ? "Pty" : "Tcp";
}

double ProcessCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A main window's shell connected to a simulated instrument. In real time the
// instrument runs on a thread of its own; in virtual time it answers from the
// fake clock's pump, so time-outs of seconds cost nothing.
class Console {
  public:
    Console(Link link, sim::InstrumentConfig config, bool virtualTime,
            std::optional<std::string> settings = std::nullopt)
        : bench_(std::move(settings)) {
        transport::ConnectionRecord& r = bench_.shell.record();
        if (virtualTime) r.linkOptions.clock = &clock_.emplace();
        if (link == Link::Pty) {
            auto pty = std::make_unique<sim::PtyEndpoint>(config);
            r.interfaceKind = transport::InterfaceKind::Usb;
            r.comPort = pty->DevicePath();
            r.baudRate = 19200;
            endpoint_ = std::move(pty);
        } else {
            auto tcp = std::make_unique<sim::TcpEndpoint>(config, "127.0.0.1", 0);
            r.linkOptions.tcpPort = tcp->Port();
            r.interfaceKind = transport::InterfaceKind::Lan;
            r.ipAddress = "127.0.0.1";
            endpoint_ = std::move(tcp);
        }
        if (clock_) {
            pump_ = clock_->AddPump([this](uint32_t now) { endpoint_->Pump(now); });
        } else {
            endpoint_->Start();
        }
        baseline_ = OpenDescriptors();
    }
    ~Console() {
        bench_.shell.Shutdown();
        if (clock_) clock_->RemovePump(pump_);
        endpoint_->Stop();
    }

    ShellBench& bench() { return bench_; }
    FakeMainWindow& w() { return bench_.w; }
    transport::ConnectionRecord& record() { return bench_.shell.record(); }

    // As after "Yes" to the re-establish question: no dialog.
    bool Connect() {
        bench_.shell.HandleCommand(ui::kCmdConnection, 1);
        bench_.RunPosted();
        return record().instrumentReady;
    }
    uint32_t Now() { return clock_ ? clock_->TickCount() : real_.TickCount(); }
    // One turn of the window's 1 ms timer, then whatever it posted.
    void Tick() {
        if (clock_) {
            clock_->Advance(1);
        } else {
            real_.Sleep(1);
        }
        bench_.shell.Tick();
        bench_.RunPosted();
    }
    // Ticks until done() or limitMs pass; how long it took, or nothing.
    template <class F>
    std::optional<uint32_t> TickUntil(F done, uint32_t limitMs) {
        const uint32_t start = Now();
        while (!done()) {
            if (Now() - start > limitMs) return std::nullopt;
            Tick();
        }
        return Now() - start;
    }
    void TickFor(uint32_t ms) {
        TickUntil([] { return false; }, ms);
    }
    template <class F>
    decltype(auto) WithEngine(F&& f) {
        return endpoint_->WithEngine(std::forward<F>(f));
    }
    void Unplug() { endpoint_->Unplug(); }
    // The instrument drops the line after sending this many more bytes.
    void HangUpAfterMore(uint64_t bytes) {
        WithEngine([&](sim::Engine& e) {
            e.config().hangUpAfterBytes = static_cast<uint32_t>(e.SentThisConnection() + bytes);
        });
    }

    // The share of a core the whole process used while the window ticked on for a
    // while of real time: nothing of the fault may keep a thread busy.
    double CpuShareWhileTicking(int ms = 300) {
        const double cpu0 = ProcessCpuSeconds();
        platform::SystemClock real;
        const uint32_t start = real.TickCount();
        while (real.TickCount() - start < static_cast<uint32_t>(ms)) {
            bench_.shell.Tick();
            bench_.RunPosted();
            real.Sleep(1);
        }
        return (ProcessCpuSeconds() - cpu0) / (ms / 1000.0);
    }
    std::set<std::string> LeftOpen() {
        if (clock_)
            clock_->Advance(100);  // a pumped instrument notices a closed client only when pumped
        return DescriptorsLeftOpen(baseline_);
    }

  private:
    std::optional<FakeClock> clock_;
    platform::SystemClock real_;
    ShellBench bench_;
    std::unique_ptr<sim::Endpoint> endpoint_;
    int pump_ = 0;
    std::set<std::string> baseline_;
};

// Generous for a sanitizer build on a loaded machine; a spinning thread takes 1.
constexpr double kIdleShare = 0.3;

class ConsoleFault : public ::testing::TestWithParam<Link> {};

// After a hang-up: one question, answered No; then disconnected, told so, the
// user's typing kept, the port let go and nothing left running.
void ExpectOneQuestionThenReleased(Console& c, const std::string& pane, const std::string& typed) {
    c.TickFor(200);  // long enough for a second question to show, if one were due
    ASSERT_EQ(c.w().boxes.Texts(), std::vector<std::string>{app::kReestablishQuestion});
    EXPECT_EQ(c.w().boxes.shown[0].buttons, ui::MessageButtons::YesNo);
    EXPECT_FALSE(c.record().instrumentReady);
    EXPECT_FALSE(c.record().channelOpen);
    EXPECT_FALSE(c.w().commandLine.enabled);
    EXPECT_EQ(c.w().info.Text(), "No connection");
    EXPECT_EQ(c.w().results.text, pane);
    EXPECT_EQ(c.w().commandLine.text, typed);
    EXPECT_EQ(c.LeftOpen(), std::set<std::string>{});
    EXPECT_LT(c.CpuShareWhileTicking(), kIdleShare);
}

TEST_P(ConsoleFault, HangUpWhileIdle) {
    Console c(GetParam(), {}, false);
    ASSERT_TRUE(c.Connect());
    c.w().commandLine.SetText("typed, not yet sent");
    c.w().boxes.answers.push_back(ui::MessageAnswer::No);
    c.Unplug();
    auto noticed = c.TickUntil([&] { return !c.w().boxes.shown.empty(); }, 2000);
    ASSERT_TRUE(noticed);
    EXPECT_LT(*noticed, 1000u);
    ExpectOneQuestionThenReleased(c, "", "typed, not yet sent");
}

TEST_P(ConsoleFault, HangUpMidLineShowsWhatCame) {
    Console c(GetParam(), {}, false);
    ASSERT_TRUE(c.Connect());
    c.w().boxes.answers.push_back(ui::MessageAnswer::No);
    c.HangUpAfterMore(20);
    c.bench().Type("*IDN?");
    auto noticed = c.TickUntil([&] { return !c.w().boxes.shown.empty(); }, 3000);
    ASSERT_TRUE(noticed);
    EXPECT_LT(*noticed, 1000u + 1000u)
        << "the hang-up itself waits up to 1 s for the bytes to be read";
    const std::string cut = sim::IdentityText({}).substr(0, 20);
    ExpectOneQuestionThenReleased(c, "> *IDN?\r\n" + cut + "\r\n", "*IDN?");
}

TEST_P(ConsoleFault, HangUpMidSendAsksOrTellsOnce) {
    Console c(GetParam(), {}, false);
    ASSERT_TRUE(c.Connect());
    c.w().boxes.answers.push_back(ui::MessageAnswer::No);
    c.Unplug();
    c.bench().Type("read?");  // before the window has had a tick to notice
    auto noticed = c.TickUntil([&] { return !c.w().boxes.shown.empty(); }, 2000);
    ASSERT_TRUE(noticed);
    EXPECT_LT(*noticed, 1000u);
    c.TickFor(200);
    // Whether the bytes still went into the system's buffer decides which: the send
    // fails ("Comms Failed"), or the read after it does (the question). Never both.
    ASSERT_EQ(c.w().boxes.shown.size(), 1u);
    const std::string said = c.w().boxes.shown[0].text;
    EXPECT_TRUE(said == app::kReestablishQuestion || said == app::kCommsFailed) << said;
    EXPECT_FALSE(c.record().channelOpen);
    EXPECT_EQ(c.w().commandLine.text, "read?");
    EXPECT_EQ(c.LeftOpen(), std::set<std::string>{});
    EXPECT_LT(c.CpuShareWhileTicking(), kIdleShare);
}

TEST_P(ConsoleFault, HangUpMidScriptStopsTheRunAndKeepsTheScript) {
    ScratchFolder dir;
    dir.Write("check.txt", "\"*IDN?\r\n\"read?\r\n\"temp?\r\n\"read?\r\n");
    Console c(GetParam(), {}, true);
    ASSERT_TRUE(c.Connect());
    c.w().boxes.answers.push_back(ui::MessageAnswer::No);
    c.w().files.openAnswers = {dir / "check.txt"};
    c.bench().shell.HandleCommand(ui::kCmdScript);
    c.bench().RunPosted();
    ASSERT_EQ(c.w().scriptList.Count(), 4);

    const std::string identity = sim::IdentityText({});
    c.HangUpAfterMore(identity.size() + 2);  // right after the first reply
    c.bench().shell.HandleCommand(ui::kCmdScriptRunStop);
    const uint32_t start = c.Now();
    auto stopped = c.TickUntil(
        [&] { return c.bench().shell.scripts().mode() == script::ScriptMode::Stopped; }, 30000);
    ASSERT_TRUE(stopped);
    // The query in flight at the hang-up waits out its 5 s; the next send fails at once.
    EXPECT_LT(c.Now() - start, 5000u + 1000u);
    EXPECT_EQ(c.w().boxes.Texts(), std::vector<std::string>{app::kReestablishQuestion});
    const std::string pane = c.w().results.text;
    EXPECT_EQ(pane.rfind("> *IDN?\r\n" + identity + "\r\n", 0), 0u) << pane;
    EXPECT_NE(pane.find("ERROR SENDING THIS COMMAND\r\n"), std::string::npos) << pane;
    EXPECT_EQ(c.w().scriptList.Count(), 4) << "the script stays loaded";
    EXPECT_EQ(c.w().runStop.caption, "Run");
    EXPECT_EQ(c.LeftOpen(), std::set<std::string>{});
}

TEST_P(ConsoleFault, TrickleOfOneBytePer400MsIsReadWhole) {
    sim::InstrumentConfig config;
    config.trickleMs = 400;
    Console c(GetParam(), config, true);
    // Every gap is shorter than the 500 ms the identification allows per byte.
    ASSERT_TRUE(c.Connect());
    EXPECT_EQ(c.record().identity.str(), sim::IdentityText(config));
    EXPECT_TRUE(c.w().boxes.shown.empty());

    c.bench().Type("temp?");
    const std::string reply = sim::MeasurementText(config.temperature) + "\r\n";
    auto shown = c.TickUntil([&] { return c.w().results.text == "> temp?\r\n" + reply; }, 60000);
    ASSERT_TRUE(shown) << c.w().results.text;
    EXPECT_NEAR(static_cast<double>(*shown), reply.size() * 400.0, 1000.0);
    EXPECT_TRUE(c.w().boxes.shown.empty());
    EXPECT_TRUE(c.record().instrumentReady);
}

TEST_P(ConsoleFault, SilentOrLateIdentification) {
    {
        SCOPED_TRACE("silent");
        sim::InstrumentConfig config;
        config.silent = true;
        Console c(GetParam(), config, true);
        const uint32_t start = c.Now();
        EXPECT_FALSE(c.Connect());
        // The 100 ms drain after the open, then five queries of 500 ms each.
        EXPECT_NEAR(static_cast<double>(c.Now() - start), 100.0 + 5 * 500.0, 1000.0);
        EXPECT_EQ(c.WithEngine([](sim::Engine& e) { return e.counters().identificationQueries; }),
                  5u);
        EXPECT_FALSE(c.w().commandLine.enabled);
        EXPECT_EQ(c.LeftOpen(), std::set<std::string>{})
            << "the port is not held for a silent instrument";
    }
    {
        SCOPED_TRACE("answers the third query");
        sim::InstrumentConfig config;
        config.idnFromQuery = 3;
        Console c(GetParam(), config, true);
        const uint32_t start = c.Now();
        EXPECT_TRUE(c.Connect());
        EXPECT_NEAR(static_cast<double>(c.Now() - start), 100.0 + 2 * 500.0, 1000.0);
        EXPECT_EQ(c.record().identity.str(), sim::IdentityText(config));
        EXPECT_TRUE(c.w().boxes.shown.empty());
    }
}

TEST_P(ConsoleFault, FloodWithoutLineEndsLosesNothingAndLeavesTheWindowFree) {
    Console c(GetParam(), {}, false);
    ASSERT_TRUE(c.Connect());
    c.WithEngine([](sim::Engine& e) { e.config().flood = e.config().floodWithoutLineEnds = true; });
    c.bench().Type("go?");

    // Every tick takes a bounded share, so the window keeps answering the user.
    std::size_t most = 0;
    for (int i = 0; i < 300; ++i) {
        const std::size_t before = c.w().results.text.size();
        c.Tick();
        most = std::max(most, c.w().results.text.size() - before);
    }
    EXPECT_LE(most, app::kReceiveBytesPerRun + 2 * (app::kReceiveBufferSize + 2));
    c.WithEngine([](sim::Engine& e) { e.config().silent = true; });
    c.TickFor(300);

    std::string pane = c.w().results.text;
    const std::string echo = "> go?\r\n";
    ASSERT_EQ(pane.rfind(echo, 0), 0u);
    pane.erase(0, echo.size());
    // Without line ends, the pane breaks the flood where the line buffer fills.
    std::string joined;
    for (std::size_t at = 0; at < pane.size();) {
        const std::size_t end = pane.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(end - at, app::kReceiveBufferSize - 1);
        joined.append(pane, at, end - at);
        at = end + 2;
    }
    ASSERT_GT(joined.size(), 100000u) << "the flood reached the pane";
    std::string expected;
    for (uint64_t n = 1; expected.size() < joined.size(); ++n) expected += sim::FloodLine(n, true);
    expected.resize(joined.size());
    EXPECT_TRUE(joined == expected) << "the flood arrived in order, without a gap";
    EXPECT_TRUE(c.w().boxes.shown.empty());

    c.bench().shell.HandleCommand(ui::kCmdDisconnect, 0);
    EXPECT_EQ(c.LeftOpen(), std::set<std::string>{});
    EXPECT_LT(c.CpuShareWhileTicking(), kIdleShare);
}

INSTANTIATE_TEST_SUITE_P(OverBothLinks, ConsoleFault, ::testing::Values(Link::Pty, Link::Tcp),
                         LinkName);

// The settings folder may be read but not written: what was saved still counts,
// the console works, the user who asked to save is told why it failed, and the
// file is left exactly as it was.
TEST(FileSystemFault, ReadOnlySettingsFolder) {
    ScratchFolder dir;
    const std::string ini =
        "; kept by hand\r\n[Init]\r\nCreated=09:00:00 "
        "1/12/2026\r\n[Connect]\r\nInterface=2\r\nIPAddr=127.0.0.1\r\n";
    dir.Write("Orvane2.ini", ini);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    ScopedOrdinaryUser user;
    ASSERT_TRUE(user.ok());

    {
        Console c(Link::Tcp, {}, false, dir / "Orvane2.ini");
        c.bench().shell.Start({"orvane2"});
        std::string shownAddress;
        c.w().dialogs.connectScripts.push_back(
            [&](FakeConnectView& view, ui::ConnectDialogEvents& events) {
                shownAddress = view.ip.text;
                events.OnSaveAsDefault();
                events.OnConnect();
            });
        c.bench().shell.WindowCreated();
        c.bench().RunPosted();
        EXPECT_EQ(shownAddress, "127.0.0.1") << "the saved choice was read";
        EXPECT_TRUE(c.record().instrumentReady) << "and connects";
        ASSERT_EQ(c.w().dialogs.lastConnect.size(), 2u)
            << "the failed save, then the connect's own result";
        EXPECT_EQ(c.w().dialogs.lastConnect[0].text,
                  platform::Format(connection::kSettingsNotSaved, (dir / "Orvane2.ini").c_str(),
                                   std::strerror(EACCES)));
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
    ScratchFolder dir;
    dir.Write("results.txt", "yesterday's results\r\n");
    Console c(Link::Tcp, {}, true);
    ASSERT_TRUE(c.Connect());
    std::string pane;
    while (pane.size() < 20000) pane += "> read?\r\n" + sim::MeasurementText(1.2345) + "\r\n";
    c.w().results.text = pane;
    c.w().files.saveAnswers = {dir / "results.txt", dir / "results.txt"};
    {
        ScopedFileSizeLimit full(4096);
        c.bench().shell.HandleCommand(ui::kCmdSaveToFile);
        c.bench().RunPosted();
    }
    ASSERT_EQ(c.w().boxes.Texts(),
              std::vector<std::string>{platform::Format(
                  app::kResultsNotSaved, (dir / "results.txt").c_str(), std::strerror(EFBIG))});
    EXPECT_EQ(dir.Read("results.txt"), "yesterday's results\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "no temporary file left";
    EXPECT_EQ(c.w().results.text, pane);

    c.bench().shell.HandleCommand(ui::kCmdSaveToFile);
    EXPECT_EQ(dir.Read("results.txt"), pane) << "saved once there is room";

    // A script's "print" onto the full disk says so in the pane.
    dir.Write("print.txt", "#print," + (dir / "printed.txt") + "\r\n");
    c.w().results.text = pane;
    c.w().files.openAnswers = {dir / "print.txt"};
    c.bench().shell.HandleCommand(ui::kCmdScript);
    c.bench().RunPosted();
    {
        ScopedFileSizeLimit full(4096);
        c.bench().shell.HandleCommand(ui::kCmdScriptRunStop);
        c.TickUntil([&] { return c.bench().shell.scripts().mode() == script::ScriptMode::Stopped; },
                    5000);
    }
    EXPECT_NE(c.w().results.text.find(script::kPrintWriteFailed), std::string::npos);
}

}  // namespace
}  // namespace orvane::testing
