#include "app/shell.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/instrument_info.h"
#include "app/layout.h"
#include "app/shell_texts.h"
#include "app/status_texts.h"
#include "connection/model_table.h"
#include "platform/text_format.h"
#include "shell_bench.h"
#include "sim/command_interpreter.h"
#include "sim/memory_link.h"
#include "sim/tcp_endpoint.h"
#include "support/fake_clock.h"
#include "support/file_size_limit.h"
#include "support/temp_folder.h"
#include "transport/channel.h"
#include "transport/tcp_link.h"
#include "ui/app_strings.h"

using namespace orvane;
using orvane::testing::ShellBench;
using transport::InterfaceKind;

TEST(Shell, CaptionNamesTheLinkAndWhatAnswered) {
    using K = InterfaceKind;
    const struct {
        K kind;
        uint32_t model;
        const char* identity;
        std::string suffix;
    } rows[] = {
        {K::Lan, connection::kModelTrv88, "Kelmscot,TRV88,123,V1", "LAN,TRV88,123,V1"},
        {K::Serial, connection::kModelTrv88, "NoCommaHere", "SER"},
        {K::Serial, connection::kModelTrv88, "", std::string("SER") + app::kCaptionSuffixUnknown},
        {K::Serial, connection::kModelBootcode, "0000000:    32 32 32 32",
         std::string("SER") + app::kCaptionSuffixBootcode},
    };
    for (const auto& row : rows) {
        transport::ConnectionRecord r;
        r.interfaceKind = row.kind;
        r.modelCode = row.model;
        r.identity = row.identity;
        EXPECT_EQ(app::ConnectedCaption(r), app::WindowTitle() + "     " + row.suffix);
    }
}

// The panes grow with the window; the buttons keep their distance from its corner.
TEST(Shell, LayoutGrowsThePanesAndAnchorsTheButtons) {
    using app::ComputeLayout;
    auto base = ComputeLayout({808, 608}, {792, 550}, app::kPaneHeightConsole);
    auto big = ComputeLayout({908, 658}, {892, 600}, app::kPaneHeightConsole);
    auto script = ComputeLayout({808, 608}, {792, 550}, app::kPaneHeightScript);
    enum { kResults, kInfo, kCommand, kSend, kList, kRun };
    EXPECT_EQ(big[kResults],
              (ui::Rect{6, 6, base[kResults].width + 100, base[kResults].height + 50}));
    EXPECT_EQ(big[kInfo], (ui::Rect{892 - 138 - 6, 6, 138, base[kInfo].height + 50}));
    EXPECT_EQ(big[kCommand], (ui::Rect{6, 600 - 24 - 6, base[kCommand].width + 100, 24}));
    EXPECT_EQ(big[kSend], (ui::Rect{892 - 75 - 6, 600 - 24 - 6, 75, 24}));
    EXPECT_EQ(big[kRun].y - base[kRun].y, 50);
    EXPECT_LT(script[kResults].height, base[kResults].height);  // room for the script list
}

TEST(Shell, SettingsFileCreatedOnceAndSizesRestoredWithinTheScreen) {
    orvane::testing::TempFolder dir;
    const std::string file = dir / "Kelmscot/Orvaner/Orvaner.ini";
    auto saved = [&] { return dir.Read("Kelmscot/Orvaner/Orvaner.ini"); };
    {
        ShellBench b(file);
        EXPECT_EQ(b.shell.Start({"orvane2"}), app::kDesignOuterSize);
        EXPECT_NE(saved().find("[Init]\nCreated="), std::string::npos);
        b.shell.Shutdown();  // nothing changed: nothing written
    }
    EXPECT_EQ(saved().find("MainWindow"), std::string::npos);
    {
        ShellBench b(file);
        b.shell.Start({"orvane2"});
        b.w.frame.outer = {1000, 700};
        b.shell.Shutdown();
    }
    EXPECT_NE(saved().find("MainWindowHeight=700\nMainWindowWidth=1000\n"), std::string::npos);
    {
        ShellBench b(file);
        EXPECT_EQ(b.shell.Start({"orvane2"}), (ui::Size{1000, 700}));
        b.w.frame.screen = {900, 2000};  // the saved width no longer fits
        EXPECT_EQ(b.shell.Start({"orvane2"}), (ui::Size{808, 700}));
        b.w.frame.workArea = {640, 490};  // a desktop scaled by two, less its panel
        EXPECT_EQ(b.shell.Start({"orvane2"}), (ui::Size{640, 490}));
    }

    ShellBench folder(dir.path());  // a folder where the file should be
    folder.shell.Start({"orvane2"});
    EXPECT_EQ(folder.w.boxes.Texts(),
              std::vector<std::string>{platform::Format(
                  app::kSettingsUnreadable, dir.path().c_str(), std::strerror(EISDIR))});
}

TEST(Shell, SendsTypedLinesAndTheClockKeepsHistoryAndDisconnectsOnFailure) {
    orvane::testing::FakeClock clock;
    clock.SetLocalTime({2026, 1, 3, 6, 9, 5, 7, 0});
    ShellBench b;
    b.shell.WindowCreated();
    b.w.poster.posted.clear();
    b.Type("*IDN?");  // not connected: nothing happens, and there is no history
    b.shell.HandleCommand(ui::kCmdHistoryPrevious);
    EXPECT_EQ(b.w.commandLine.text, "*IDN?");
    EXPECT_EQ(b.w.results.text, "");

    auto& r = b.shell.record();
    sim::MemoryLink link;
    r.linkOptions.clock = &clock;
    r.interfaceKind = InterfaceKind::Lan;
    r.link = std::make_unique<transport::TcpLink>(platform::UniqueFd(link.ReleaseClientFd()),
                                                  r.linkOptions);
    r.channelOpen = r.instrumentReady = r.pollReplies = true;
    b.Type("*IDN?");
    b.Type("");
    EXPECT_EQ(b.w.results.text, "> *IDN?\r\n");
    // The clock in six commands from one reading: the month from 0, the year in the century.
    b.shell.HandleCommand(ui::kCmdSetDateTime);
    link.Pump(clock.TickCount());
    std::string wire("*IDN?\n\0", 7);
    const char* fields[] = {"09", "05", "07", "03", "00", "26"};
    for (int i = 0; i < 6; ++i)
        wire += "config," + std::to_string(sim::kClockSettingFirst + i) + "," + fields[i] +
                std::string("\n\0", 2);
    EXPECT_EQ(std::string(link.engine().received()), wire);
    EXPECT_EQ(b.status.said.back(), "Instrument clock set to 2026-01-03 09:05:07");

    // The newest 50 are kept; Down from the newest wraps to the oldest, Up back again.
    for (int i = 2; i <= 51; ++i) b.Type("L" + std::to_string(i));
    EXPECT_EQ(*b.shell.history().slot(49), "L51");
    b.shell.HandleCommand(ui::kCmdHistoryNext);
    EXPECT_EQ(b.w.commandLine.text, "L2");
    b.shell.HandleCommand(ui::kCmdHistoryPrevious);
    EXPECT_EQ(b.w.commandLine.text, "L51");

    // A LAN send that fails closes the connection after telling the user.
    ::shutdown(transport::ChannelDescriptor(r), SHUT_WR);
    b.Type("meas?");
    EXPECT_EQ(b.w.boxes.Texts(), std::vector<std::string>{app::kCommsFailed});
    EXPECT_FALSE(r.instrumentReady || r.channelOpen);
    EXPECT_FALSE(b.w.commandLine.enabled);
}

TEST(Shell, SaveToFileWritesTheExactBytesOrSaysWhy) {
    orvane::testing::TempFolder dir;
    ShellBench b;
    b.w.results.text = "> *IDN?\r\nKelmscot,TRV88,1,V\r\n";
    b.w.files.saveAnswers = {dir / "out.txt"};
    b.shell.HandleCommand(ui::kCmdSaveToFile);
    EXPECT_EQ(dir.Read("out.txt"), b.w.results.text);
    EXPECT_TRUE(b.w.files.saveRequests.at(0).overwritePrompt);

    b.w.files.saveAnswers = {std::nullopt, ""};  // cancelled: nothing to say; the dialog failed
    b.shell.HandleCommand(ui::kCmdSaveToFile);
    EXPECT_TRUE(b.w.boxes.shown.empty());  // neither the save nor the cancel says anything
    b.shell.HandleCommand(ui::kCmdSaveToFile);
    EXPECT_EQ(b.w.boxes.Texts(), std::vector<std::string>{app::kUnableToCreateTextFile});

    // A file that cannot be created says so and leaves nothing behind.
    b.w.boxes.shown.clear();
    b.w.files.saveAnswers = {dir / "missing/out.txt"};
    b.shell.HandleCommand(ui::kCmdSaveToFile);
    EXPECT_EQ(b.w.boxes.shown.at(0).text.rfind(app::kUnableToCreateTextFile, 0), 0u);

    // A full disk keeps the earlier file whole and leaves no temporary file.
    b.w.boxes.shown.clear();
    const std::string earlier = dir.Write("earlier.txt", "yesterday\r\n");
    b.w.results.text = std::string(8192, 'x');
    b.w.files.saveAnswers = {earlier};
    {
        orvane::testing::ScopedFileSizeLimit full(4096);
        b.shell.HandleCommand(ui::kCmdSaveToFile);
    }
    EXPECT_EQ(b.w.boxes.Texts(),
              std::vector<std::string>{
                  platform::Format(app::kResultsNotSaved, earlier.c_str(), std::strerror(EFBIG))});
    EXPECT_EQ(dir.Read("earlier.txt"), "yesterday\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(Shell, ConvertBinaryAndClear) {
    ShellBench b;
    b.shell.WindowCreated();
    EXPECT_TRUE(b.w.menu.checked[ui::kCmdConvertBinary]);
    EXPECT_FALSE(b.w.menu.enabled[ui::kCmdUpgradeFirmware]);
    EXPECT_EQ(b.w.info.Text(), app::kInfoNoConnection);
    EXPECT_FALSE(b.w.commandLine.enabled);
    EXPECT_TRUE(b.w.results.enabled);  // what came stays readable while disconnected
    b.shell.HandleCommand(ui::kCmdConvertBinary);
    EXPECT_FALSE(b.shell.convertBinary());
    EXPECT_FALSE(b.w.menu.checked[ui::kCmdConvertBinary]);
    b.w.results.text = "x";
    b.shell.HandleCommand(ui::kCmdClearResults);
    EXPECT_EQ(b.w.results.text, "");
    b.shell.HandleCommand(ui::kCmdAbout);
    EXPECT_EQ(b.w.dialogs.about,
              (std::vector<std::string>{ui::kAppName, ui::kAppVersion, ui::kAppNotice}));
}

// A hang-up asks once, and Yes reconnects with the same settings, without the dialog.
TEST(Shell, AnInstrumentLostAndReestablished) {
    orvane::testing::FakeClock clock;
    sim::TcpEndpoint instrument({}, "127.0.0.1", 0);
    int pump = clock.AddPump([&](uint32_t now) { instrument.Pump(now); });
    ShellBench b;
    auto& r = b.shell.record();
    r.linkOptions = {.tcpPort = instrument.Port(), .clock = &clock};
    r.interfaceKind = InterfaceKind::Lan;
    r.ipAddress = "127.0.0.1";
    b.shell.HandleCommand(ui::kCmdConnection, 1);
    b.RunPosted();
    ASSERT_TRUE(r.instrumentReady);
    EXPECT_EQ(b.w.frame.title, app::ConnectedCaption(r));
    instrument.Unplug();
    for (int i = 0; i < 2000 && b.w.boxes.shown.empty(); ++i) {
        clock.Advance(1);
        b.shell.Tick();
        b.RunPosted();
    }
    EXPECT_EQ(b.w.boxes.Texts(), std::vector<std::string>{app::kReestablishQuestion});
    EXPECT_EQ(b.w.dialogs.connectRuns, 0);
    EXPECT_TRUE(r.instrumentReady && r.pollReplies);  // the fake answered Yes

    const std::string caption = b.w.frame.title;
    b.shell.HandleCommand(ui::kCmdDisconnect, 0);
    EXPECT_EQ(b.w.frame.title, caption);  // the caption keeps naming the last connection
    const std::vector<std::string> said = {
        "Connection to TRV8844 on 127.0.0.1 re-established at 00:00:00",
        "Connection to TRV8844 on 127.0.0.1 lost at 00:00:00",
        "Connection to TRV8844 on 127.0.0.1 re-established at 00:00:00",
        "Disconnected from TRV8844 on 127.0.0.1 at 00:00:00"};
    EXPECT_EQ(b.status.said, said);
    b.shell.HandleCommand(ui::kCmdScript);  // nothing connected: the line says why nothing ran
    EXPECT_EQ(b.status.said.back(), app::kStatusScriptNoInstrument);
    clock.RemovePump(pump);
}
