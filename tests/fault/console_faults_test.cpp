// The console's rows of the fault matrix: the shell, on in-memory controls, against a
// simulated instrument that hangs up or stays silent, over a pseudo-terminal and over
// TCP; and a settings folder it may not write. What the user had is never lost, the
// port is let go and nothing spins.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "../app/shell_bench.h"
#include "app/instrument_info.h"
#include "app/shell_texts.h"
#include "connection/connection_texts.h"
#include "fault_checks.h"
#include "platform/text_format.h"
#include "support/fake_clock.h"
#include "support/sim_endpoint.h"
#include "support/temp_folder.h"

namespace orvane::testing {
namespace {

enum class Link { Pty, Tcp };

// A main window's shell and a simulated instrument that answers from the fake clock's
// pump, so time-outs of seconds cost nothing.
struct Console {
    Console(Link link, sim::InstrumentConfig config,
            std::optional<std::string> settings = std::nullopt)
        : bench(std::move(settings)) {
        transport::ConnectionRecord& r = record();
        r.linkOptions.clock = &clock;
        instrument = AttachSim(r, config, link == Link::Pty);
        pump = clock.AddPump([this](uint32_t now) { instrument->Pump(now); });
        baseline = OpenDescriptors();
    }
    ~Console() {
        bench.shell.Shutdown();
        clock.RemovePump(pump);
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
    void Tick() {  // one turn of the window's 1 ms timer
        clock.Advance(1);
        bench.shell.Tick();
        bench.RunPosted();
    }
    std::set<std::string> LeftOpen() {
        clock.Advance(100);  // a pumped instrument sees a closed client when pumped
        return DescriptorsLeftOpen(baseline);
    }

    FakeClock clock;
    ShellBench bench;
    std::unique_ptr<sim::Endpoint> instrument;
    int pump = 0;
    std::set<std::string> baseline;
};

class ConsoleFault : public ::testing::TestWithParam<Link> {};

TEST_P(ConsoleFault, HangUpAsksOnceKeepsWhatTheUserHadAndLetsThePortGo) {
    Console c(GetParam(), {});
    ASSERT_TRUE(c.Connect());
    c.w().commandLine.SetText("typed, not yet sent");
    c.w().boxes.answers.push_back(ui::MessageAnswer::No);
    c.instrument->Unplug();
    for (int ms = 0; ms < 5000 && c.w().boxes.shown.empty(); ++ms) c.Tick();
    for (int ms = 0; ms < 200; ++ms) c.Tick();  // time for a second message, if one were due
    EXPECT_EQ(c.w().boxes.Texts(), std::vector<std::string>{app::kReestablishQuestion});
    EXPECT_EQ(c.w().info.Text(), app::kInfoNoConnection);
    EXPECT_FALSE(c.w().commandLine.enabled);
    EXPECT_EQ(c.w().commandLine.text, "typed, not yet sent");
    EXPECT_FALSE(c.record().channelOpen);
    EXPECT_EQ(c.LeftOpen(), std::set<std::string>{});
    // Generous for a sanitizer build on a loaded machine; a spinning thread takes 1.
    EXPECT_LT(CpuShareWhileSleeping(300, [&] { c.Tick(); }), 0.3);
}

TEST_P(ConsoleFault, SilentInstrumentLeavesThePortFree) {
    sim::InstrumentConfig silent;
    silent.silent = true;
    Console c(GetParam(), silent);
    EXPECT_FALSE(c.Connect());
    EXPECT_FALSE(c.w().commandLine.enabled);
    EXPECT_EQ(c.LeftOpen(), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(OverBothLinks, ConsoleFault, ::testing::Values(Link::Pty, Link::Tcp),
                         [](const auto& info) { return info.param == Link::Pty ? "Pty" : "Tcp"; });

// The settings folder may be read but not written: what was saved still counts, Save as
// Default says why it failed, and the file is left exactly as it was.
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
        Console c(Link::Tcp, {}, file);
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
        EXPECT_EQ(shownAddress, "127.0.0.1");
        EXPECT_TRUE(c.record().instrumentReady);
        ASSERT_EQ(c.w().dialogs.lastConnect.size(), 2u)
            << "the failed save, then the connect's own result";
        EXPECT_EQ(
            c.w().dialogs.lastConnect[0].text,
            platform::Format(connection::kSettingsNotSaved, file.c_str(), std::strerror(EACCES)));
        c.w().frame.outer = {900, 700};  // a resized window is saved on the way out
    }
    EXPECT_EQ(dir.Read("Orvane2.ini"), ini);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "no temporary file left";
}

}  // namespace
}  // namespace orvane::testing
