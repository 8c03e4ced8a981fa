// The main window's flows through its real widgets, against the simulated instrument: what
// of them is Qt's own (keys, focus, clicks, fonts, sizes). What the shell decides is its test's.

#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include "app/instrument_info.h"
#include "connection/connect_attempts.h"
#include "connection/connection_texts.h"
#include "firmware/firmware_texts.h"
#include "gui/about_dialog.h"
#include "gui/connect_dialog_window.h"
#include "gui/demo_instrument.h"
#include "gui/lan_find_window.h"
#include "gui_fixture.h"
#include "platform/ini_file.h"
#include "sim/command_interpreter.h"
#include "support/lan_lab.h"
#include "support/peers.h"
#include "ui/app_strings.h"
#include "ui/command_ids.h"
#include "ui/files_list_window.h"
#include "ui/upgrade_dialog.h"

using namespace orvane;
using orvane::testing::Child;

namespace {

// A picture for a person to look at, in the build's screenshots folder.
void SaveScreenshot(QWidget& widget, const char* name) {
    ASSERT_TRUE(QDir().mkpath(ORVANE2_SCREENSHOTS_DIR));
    EXPECT_TRUE(widget.grab().save(QStringLiteral(ORVANE2_SCREENSHOTS_DIR "/%1.png").arg(name)));
}

class MainWindowTest : public orvane::testing::GuiTest {
  protected:
    // The Connect dialog at start or from the menu: check() looks at it, then
    // Connect is pressed as it stands.
    void ExpectConnectPressed(std::function<void(QDialog&)> check = nullptr) {
        dialogs.push_back([check](QDialog& d) {
            if (check) check(d);
            QTest::mouseClick(Child<QPushButton>(d, gui::kConnectButtonId), Qt::LeftButton);
        });
    }

    // A shown window connected to the demo instrument as it started.
    std::unique_ptr<gui::MainWindow> OnDemo(const gui::DemoInstrument& demo,
                                            std::function<void(QDialog&)> check = nullptr) {
        EXPECT_FALSE(demo.DevicePath().empty()) << demo.Problems();
        ExpectConnectPressed(std::move(check));
        auto w = std::make_unique<gui::MainWindow>(gui::MainWindowOptions{
            .settingsFile = settingsFile(),
            .presetConnection = [&demo](transport::ConnectionRecord& r) { demo.Preset(r); },
            .listSerialPorts = [&demo] { return std::vector<std::string>{demo.DevicePath()}; },
            .discovery = {}});
        w->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return Connected(*w); }));
        return w;
    }

    static bool Connected(gui::MainWindow& w) {
        return w.shell().record().instrumentReady && w.commandLine()->isEnabled();
    }

    static std::string Results(gui::MainWindow& w) {
        std::string text = w.resultsPane()->Text(false);
        std::erase(text, '\r');
        return text;
    }

    static void Type(gui::MainWindow& w, const QString& text) {
        w.commandLine()->setFocus();
        QTest::keyClicks(w.commandLine(), text);
        QTest::keyClick(w.commandLine(), Qt::Key_Return);
        QTest::qWait(20);  // the send is a queued command, as it is for a person typing
    }
};

TEST_F(MainWindowTest, ConnectsOverAPtyAtStartSendsTypedLinesWalksTheHistoryPicksAndSaves) {
    sim::InstrumentConfig config;
    config.calstr = "15_Mar_2023,KSL";  // long overdue for calibration
    gui::DemoInstrument demo(config, 0);
    auto window = OnDemo(demo, [&](QDialog& d) {
        EXPECT_EQ(Child<QComboBox>(d, gui::kComPortListId)->currentText().toStdString(),
                  demo.DevicePath());
    });
    gui::MainWindow& w = *window;
    EXPECT_EQ(boxes.at(0).text.rfind(connection::kConnectionSuccessful, 0), 0u) << boxes[0].text;
    EXPECT_EQ(w.windowTitle().toStdString(), app::ConnectedCaption(w.shell().record()));
    EXPECT_EQ(w.focusWidget(), w.commandLine());
    EXPECT_EQ(platform::IniFile(settingsFile()).ReadString("Connect", "ComPort", "none"), "none")
        << "the demo's choice is not saved";
    EXPECT_TRUE(w.statusText().contains(QString::fromStdString(demo.DevicePath())));
    SaveScreenshot(w, "status_line");

    // The calibration warning in bold red.
    QTextCursor warning(w.infoPane()->document());
    warning.setPosition(
        w.infoPane()->toPlainText().indexOf(QString(app::kInfoOverdueWarning).trimmed()) + 1);
    EXPECT_EQ(warning.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(warning.charFormat().foreground().color(), QColor(255, 40, 40));

    // Time stamps are drawn beside the lines: what is read, picked and saved below
    // is the session alone. The choice is kept in a section of the program's own.
    w.timeStampsAction()->trigger();
    EXPECT_TRUE(w.resultsPane()->StampsShown());
    EXPECT_GT(w.resultsPane()->viewport()->x(), w.resultsPane()->width() / 10);
    EXPECT_EQ(
        platform::IniFile(settingsFile()).ReadInt(gui::kSectionResults, gui::kKeyTimeStamps, 0), 1);
    Type(w, "*IDN?");
    const std::string expected = "> *IDN?\n" + sim::IdentityText(config) + "\n";
    ASSERT_TRUE(QTest::qWaitFor([&] { return Results(w) == expected; })) << Results(w);
    EXPECT_EQ(w.commandLine()->selectedText(), "*IDN?");  // the next typing replaces it
    Type(w, "temp?");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Results(w).find("> temp?\n") != std::string::npos; }));
    SaveScreenshot(w, "results_time_stamps");
    QTest::keyClick(w.commandLine(), Qt::Key_Up);
    QTest::qWait(20);
    EXPECT_EQ(w.commandLine()->text(), "*IDN?");

    // A click on an echo line brings its command back to the keyboard, one on a reply not.
    w.commandLine()->clear();
    gui::ResultsPane* pane = w.resultsPane();
    auto clickLine = [&](uint64_t line) {
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, pane->PointOf({line, 0}));
        QTest::qWait(20);
    };
    clickLine(1);
    EXPECT_EQ(w.commandLine()->text(), "");
    clickLine(0);
    EXPECT_EQ(w.commandLine()->text(), "*IDN?");
    EXPECT_EQ(w.focusWidget(), w.commandLine());

    // Keys select but never change what was received; Tab moves on.
    const std::string received = Results(w);
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(pane, "x\t");
    QTest::keyClick(pane, Qt::Key_Delete);
    EXPECT_EQ(Results(w), received);
    EXPECT_EQ(pane->SelectedText().toStdString(), received);
    EXPECT_EQ(w.focusWidget(), w.commandLine());

    // Save to File writes the pane with CR LF line ends; a cancelled dialog is no failure.
    files = {folder() / "results.txt", std::nullopt};
    w.MenuAction(ui::kCmdSaveToFile)->trigger();
    w.MenuAction(ui::kCmdSaveToFile)->trigger();
    const std::string saved = folder().Read("results.txt");
    EXPECT_EQ(saved.rfind("> *IDN?\r\n" + sim::IdentityText(config) + "\r\n", 0), 0u) << saved;
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(boxes.size(), 1u);
    // Asked for, the stamps go before the lines.
    files = {folder() / "stamped.txt"};
    for (QAction* a : w.findChildren<QAction*>())
        if (a->text() == gui::kItemSaveWithTimeStamps) a->trigger();
    const std::string stamped = folder().Read("stamped.txt");
    ASSERT_GT(stamped.size(), 22u);
    EXPECT_EQ(std::string({stamped[2], stamped[5], stamped[8]}) + stamped.substr(12, 10),
              "::. > *IDN?\r\n")
        << stamped;
    EXPECT_EQ(stamped.size(), saved.size() + 4 * 13);

    // After a reconnect the keyboard is back in the command line, its text selected.
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ExpectConnectPressed();
    w.MenuAction(ui::kCmdConnection)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Connected(w); }));
    EXPECT_EQ(QApplication::activeWindow(), &w);
    EXPECT_EQ(w.focusWidget(), w.commandLine());
    EXPECT_EQ(w.commandLine()->selectedText(), "*IDN?");
}

// A silent address holds the attempt off the window's thread: the busy window
// shows over the dialog while everything draws, and Cancel ends it at once
// with no box, the dialog still open and the status line saying so.
TEST_F(MainWindowTest, ASilentAddressIsBusyUntilCancelledAndTheStatusLineTellsIt) {
    orvane::testing::LoopbackListener silent;
    gui::MainWindow* window = nullptr;
    QElapsedTimer sinceCancel;
    dialogs.push_back([&](QDialog& d) {
        Child<QComboBox>(d, gui::kInterfaceListId)->setCurrentIndex(1);  // LAN
        QTest::keyClicks(Child<QLineEdit>(d, gui::kIpAddressId), "127.0.0.1");
        QTimer::singleShot(0, [&] {
            ASSERT_GE(silent.Accept(), 0);
            while (silent.Read(20).find("*IDN?") == std::string::npos)
                QApplication::processEvents();
            gui::BusyWindow* busy = window->busy().current();
            ASSERT_NE(busy, nullptr);
            EXPECT_TRUE(busy->isVisible());
            EXPECT_EQ(window->statusText().toStdString(),
                      connection::ConnectingText(window->shell().record()));
            SaveScreenshot(*busy, "busy_connect");
            sinceCancel.start();
            QTest::mouseClick(busy->cancelButton(), Qt::LeftButton);
        });
        QTest::mouseClick(Child<QPushButton>(d, gui::kConnectButtonId), Qt::LeftButton);
        EXPECT_LT(sinceCancel.elapsed(), 100);
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(boxes.empty());
        EXPECT_FALSE(window->shell().record().channelOpen);
        EXPECT_TRUE(window->statusText().contains("cancelled"))
            << window->statusText().toStdString();
        d.reject();
    });
    gui::MainWindow w(
        {.settingsFile = settingsFile(),
         .presetConnection =
             [&](transport::ConnectionRecord& r) { r.linkOptions.tcpPort = silent.port(); },
         .listSerialPorts = {},
         .discovery = {}});
    window = &w;
    w.show();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return dialogs.empty() && !QApplication::activeModalWidget(); }));
}

// The pane keeps only its latest lines, in order, however the appends were cut,
// with their arrival times and a count of the lines dropped, both beside the text;
// the view follows the end unless the user has scrolled away, and then keeps the
// same lines in view while older ones go.
TEST(ResultsPaneBox, KeepsTheLatestLinesOfAFloodWholeAndInOrder) {
    gui::ResultsPane pane;
    gui::ResultsPaneBox box(&pane);
    pane.SetStampsShown(true);
    pane.resize(640, 240);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    std::string flood;
    for (int i = 0; i < 250'000; ++i) flood += "line " + std::to_string(i) + "\r\n";
    for (std::size_t at = 0; at < flood.size(); at += 70'001)
        box.AppendText(std::string_view(flood).substr(at, 70'001));
    const gui::ResultsLines& lines = pane.lines();
    EXPECT_EQ(box.Text(), flood.substr(flood.find("line 50000\r\n")));
    EXPECT_EQ(lines.Dropped(), 50'000u);
    QScrollBar* bar = pane.verticalScrollBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.NoteText().startsWith("50,000 older"); }));
    EXPECT_EQ(bar->value(), bar->maximum());
    SaveScreenshot(pane, "results_dropped_lines");

    auto topLine = [&] { return lines.Text(lines.First() + static_cast<uint64_t>(bar->value())); };
    bar->setValue(bar->maximum() - 1000);
    const std::string top = topLine();
    box.AppendText("line 250000\r\nline 250001\r\n");
    QTest::qWait(40);
    EXPECT_EQ(bar->value(), bar->maximum() - 1002);
    EXPECT_EQ(topLine(), top);
    bar->setValue(bar->maximum());
    box.AppendText("line 250002\r\n");
    QTest::qWait(40);
    EXPECT_EQ(bar->value(), bar->maximum()) << "back at the end, the view follows again";

    // A line that comes in pieces has one stamp; the empty line after it has its own.
    box.SetText("");
    EXPECT_EQ(lines.Dropped(), 0u);
    box.AppendText("> *IDN?\r\nKel");
    box.AppendText("mscot\r\n");
    box.AppendText("\r\n");
    EXPECT_EQ(box.Text(), "> *IDN?\r\nKelmscot\r\n\r\n");
    EXPECT_EQ(lines.Count(), 4u);
    EXPECT_LE(lines.Stamp(0), lines.Stamp(1));
    EXPECT_GE(lines.Stamp(2), lines.Stamp(1));
    EXPECT_EQ(lines.Stamp(3), -1);  // the line not begun yet
}

// Selecting and copying as in a read-only edit: a drag, a word, a line, all of it;
// offsets for the shell count CR LF line ends.
TEST(ResultsPaneBox, SelectsAndCopiesLikeAnEdit) {
    gui::ResultsPane pane;
    gui::ResultsPaneBox box(&pane);
    pane.resize(640, 240);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    const std::string wide = std::string(3000, 'a') + " far " + std::string(2000, 'b');
    box.SetText("> temp?\r\n+23.5 C\tok\r\n" + wide + "\r\n");
    QClipboard* clipboard = QGuiApplication::clipboard();
    QWidget* view = pane.viewport();
    const QPoint line0 = pane.PointOf({0, 0}), line1 = pane.PointOf({1, 0});

    QTest::mouseClick(view, Qt::LeftButton, {}, line1);
    EXPECT_EQ(box.CaretLine(), "+23.5 C\tok");
    EXPECT_TRUE(box.Selection().empty());

    QTest::mousePress(view, Qt::LeftButton, {}, line0);
    QTest::mouseMove(view, line1);
    QTest::mouseRelease(view, Qt::LeftButton, {}, line1);
    EXPECT_EQ(pane.SelectedText(), "> temp?\n");
    SaveScreenshot(pane, "results_selection");
    EXPECT_EQ(box.Selection().start, 0u);
    EXPECT_EQ(box.Selection().end, 9u);

    QTest::mouseDClick(view, Qt::LeftButton, {}, pane.PointOf({1, 2}));
    EXPECT_EQ(pane.SelectedText(), "23");
    const QPoint dot = pane.PointOf({1, 3});
    QTest::mouseDClick(view, Qt::LeftButton, {}, dot);
    EXPECT_EQ(pane.SelectedText(), ".");
    QTest::mousePress(view, Qt::LeftButton, {}, dot);
    EXPECT_EQ(pane.SelectedText(), "+23.5 C\tok\n");
    QTest::mouseRelease(view, Qt::LeftButton, {}, dot);
    // Far along a long line, only the part on screen is laid out.
    const QPoint far = pane.PointOf({2, 3002});
    QTest::mouseDClick(view, Qt::LeftButton, {}, far);
    EXPECT_EQ(pane.SelectedText(), "far");
    EXPECT_GT(pane.horizontalScrollBar()->value(), 0);
    const int lineHeight = pane.fontMetrics().height();
    EXPECT_EQ(view->grab().toImage().pixelColor(far.x(), far.y() + lineHeight / 2 - 1),
              pane.palette().color(QPalette::Highlight))
        << "drawn selected where it was clicked";

    pane.setFocus();
    QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QString::fromStdString("> temp?\n+23.5 C\tok\n" + wide + "\n"));
    EXPECT_EQ(box.Selection().end, box.Text().size());

    // A screen reader reads the same text, counted with LF line ends, and selects in it.
    QAccessibleTextInterface* reader =
        QAccessible::queryAccessibleInterface(&pane)->textInterface();
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->characterCount(), static_cast<int>(clipboard->text().size()));
    EXPECT_EQ(reader->text(8, 15), "+23.5 C");
    reader->setSelection(0, 9, 14);
    EXPECT_EQ(pane.SelectedText(), "23.5 ");
    int start = 0, end = 0;
    reader->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(9, 14));
    reader->removeSelection(0);
    EXPECT_EQ(reader->selectionCount(), 0);
    EXPECT_EQ(reader->offsetAtPoint(view->mapToGlobal(pane.PointOf({1, 3}))), 11);
}

// The layout is the shell's, and how a run paces, steps and stops the script
// runner's; here, that the window takes and keeps the size the user made, at
// least half the design size, and that its widgets show a script run and drive it.
TEST_F(MainWindowTest, OpensAtTheSavedSizeRunsAScriptOpensAboutAndSavesTheSizeMade) {
    platform::IniFile ini(settingsFile());
    ini.WriteInt("Init", "MainWindowWidth", 908);
    ini.WriteInt("Init", "MainWindowHeight", 658);
    ini.WriteInt(gui::kSectionResults, gui::kKeyTimeStamps, 1);
    gui::DemoInstrument demo({}, 0);
    auto window = OnDemo(demo);
    gui::MainWindow& w = *window;
    EXPECT_EQ(w.OuterSize(), (ui::Size{908, 658}));
    EXPECT_TRUE(w.timeStampsAction()->isChecked() && w.resultsPane()->StampsShown());
    // The results line up only in a fixed-pitch face, whatever fonts the machine has.
    EXPECT_TRUE(QFontInfo(w.resultsPane()->font()).fixedPitch());

    files.push_back(folder().Write(
        "check.txt", "#echo,Script start\r\n\"*IDN?\r\n\"temp?\r\n=1\r\n=test,hi\r\n"));
    w.MenuAction(ui::kCmdScript)->trigger();
    ASSERT_EQ(w.scriptList()->count(), 5);
    EXPECT_TRUE(w.scriptList()->isVisible() && !w.commandLine()->isVisible());
    QTest::mouseClick(w.runButton(), Qt::LeftButton);
    EXPECT_EQ(w.runButton()->text(), ui::kCaptionStop);
    EXPECT_FALSE(w.stepButton()->isEnabled());
    const std::string temperature = sim::MeasurementText(sim::InstrumentConfig{}.temperature);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return w.runButton()->text() == ui::kCaptionRun &&
               Results(w).find(temperature) != std::string::npos;
    }));
    EXPECT_EQ(Results(w).rfind("Script start\n> *IDN?\n", 0), 0u) << Results(w);
    EXPECT_EQ(w.statusText(), "Script run ended: 0 tests passed, 1 failed");
    EXPECT_TRUE(w.stepButton()->isEnabled());
    QTest::mouseClick(w.closeButton(), Qt::LeftButton);
    EXPECT_TRUE(!w.scriptList()->isVisible() && w.commandLine()->isVisible());

    dialogs.push_back([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), gui::kAboutTitle);
        QTest::mouseClick(Child<QPushButton>(d, gui::kAboutOkId), Qt::LeftButton);
    });
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_Question, Qt::AltModifier | Qt::ShiftModifier);

    w.resize(10, 10);
    EXPECT_EQ(w.OuterSize(), (ui::Size{404, 304}));
    // The status line comes below the design's window.
    w.resize(1000 - gui::kFrameAllowance.width,
             700 - gui::kFrameAllowance.height + w.statusBar()->sizeHint().height());
    window.reset();
    EXPECT_EQ(ini.ReadInt("Init", "MainWindowWidth", -1), 1000);
    EXPECT_EQ(ini.ReadInt("Init", "MainWindowHeight", -1), 700);
}

TEST_F(MainWindowTest, SearchesTheLanAndConnectsToTheInstrumentChosen) {
    orvane::testing::LanLab lab;
    sim::InstrumentConfig second;
    second.serial = "777";
    lab.AddInstrument(0);
    lab.AddInstrument(1, second);
    lab.AddResponder(sim::DiscoveryMethod::Echo, {lab.Address(0), lab.Address(1)});
    lab.Target({lab.Address(0), lab.Address(1)});

    dialogs.push_back([&](QDialog& d) {
        Child<QComboBox>(d, gui::kInterfaceListId)->setCurrentIndex(1);  // LAN
        auto* ip = Child<QLineEdit>(d, gui::kIpAddressId);
        QTest::keyClicks(ip, "127.0.0.1.x");  // the validator keeps it an address
        EXPECT_EQ(ip->text(), "127.0.0.1");
        dialogs.push_front([&](QDialog& find) {
            auto* list = Child<QTreeWidget>(find, gui::kLanFindListId);
            auto* ok = Child<QPushButton>(find, gui::kLanFindOkId);
            ASSERT_EQ(list->topLevelItemCount(), 2);
            EXPECT_EQ(list->topLevelItem(1)->text(1).toStdString(), sim::IdentityText(second));
            EXPECT_FALSE(ok->isEnabled());  // several rows: nothing chosen yet
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->topLevelItem(1)).center());
            EXPECT_TRUE(ok->isEnabled());
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        QTest::mouseClick(Child<QPushButton>(d, gui::kSearchButtonId), Qt::LeftButton);
        EXPECT_EQ(ip->text().toStdString(), lab.Address(1));
        QTest::mouseClick(Child<QPushButton>(d, gui::kConnectButtonId), Qt::LeftButton);
    });
    gui::MainWindow w(
        {.settingsFile = settingsFile(),
         .presetConnection = [&](transport::ConnectionRecord& r) { r.linkOptions = lab.Options(); },
         .listSerialPorts = {},
         .discovery = lab.Settings()});
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Connected(w); }, 10000));
    EXPECT_EQ(std::string(w.shell().record().identity), sim::IdentityText(second));
}

TEST_F(MainWindowTest, UpgradesTheFirmwareThroughThePreviewToFinished) {
    gui::DemoInstrument demo({}, 0);
    auto window = OnDemo(demo);
    gui::MainWindow& w = *window;
    boxes.clear();

    folder().Write("fw.hex", ":0400000001020304F2\r\n:0400040005060708DE\r\n:00000001FF\r\n");
    const std::string descriptor = folder().Write("fw.upg", "TARGET,TRV88,3,gteq\nLOAD,0,fw.hex\n");
    files = {descriptor};
    dialogs.push_back([](QDialog& d) {  // the preview in its colours, in a fixed-pitch face
        QTextCursor heading(Child<QTextEdit>(d, ui::kFilesListTextId)->document());
        heading.setPosition(1);
        EXPECT_EQ(heading.charFormat().foreground().color(), QColor(127, 127, 127));
        EXPECT_TRUE(QFontInfo(heading.charFormat().font()).fixedPitch());
        QTest::mouseClick(Child<QPushButton>(d, ui::kFilesListAcceptId), Qt::LeftButton);
    });
    dialogs.push_back([](QDialog& d) {
        auto* cancel = Child<QPushButton>(d, ui::kUpgradeCancelId);
        // Started at once; nothing closes it while the worker runs.
        EXPECT_FALSE(Child<QPushButton>(d, ui::kUpgradeStartId)->isEnabled() ||
                     cancel->isEnabled());
        QTest::keyClick(&d, Qt::Key_Escape);
        d.close();
        EXPECT_TRUE(d.isVisible());

        ASSERT_TRUE(QTest::qWaitFor([&] { return cancel->isEnabled(); }, 30000));
        EXPECT_EQ(cancel->text(), firmware::kFinishedCaption);
        EXPECT_EQ(Child<QLabel>(d, ui::kUpgradeStatusId)->text(), firmware::kFinishedStatus);
        EXPECT_EQ(Child<QProgressBar>(d, ui::kUpgradeProgressId)->value(), 100);
        const QString log = Child<QPlainTextEdit>(d, ui::kUpgradeLogId)->toPlainText();
        EXPECT_TRUE(log.contains(firmware::kFirmwareSentLog));
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    w.MenuAction(ui::kCmdUpgradeFirmware)->trigger();
    EXPECT_TRUE(boxes.empty()) << boxes[0].text;

    EXPECT_TRUE(QTest::qWaitFor([&] { return Connected(w); }));  // to the application once more
}

}  // namespace
