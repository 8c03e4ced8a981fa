// The dialogs the core drives on its own: the Firmware Files List with the
// plan preview read through the RTF reader; the file dialogs' filters; the
// command line of the program and its start without a display.

#include <fnmatch.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <span>
#include <thread>

#include "firmware/files_list_dialog.h"
#include "firmware/firmware_texts.h"
#include "firmware/hex_load_plan.h"
#include "firmware/plan_preview.h"
#include "gui/display_check.h"
#include "gui/files_list_dialog_window.h"
#include "gui/gui_options.h"
#include "gui/interaction.h"
#include "gui_fixture.h"
#include "platform/text_format.h"
#include "support/run_program.h"
#include "ui/files_list_window.h"

using namespace orvane;
using orvane::testing::Child;

namespace {

class DialogsTest : public orvane::testing::GuiTest {};

// The text of the block that holds fragment, and the colour at fragment.
std::pair<QString, QColor> LineWith(QTextDocument& doc, const QString& fragment) {
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        int at = static_cast<int>(b.text().indexOf(fragment));
        if (at < 0) continue;
        QTextCursor c(b);
        c.setPosition(b.position() + at + 1);
        return {b.text(), c.charFormat().foreground().color()};
    }
    return {};
}

TEST_F(DialogsTest, FirmwareFilesListShowsTheMissingFileInRedAndOnlyCancels) {
    // A main hex file and its DSP companion; the FPGA file is missing.
    const std::string hex = ":0400000001020304F2\r\n:00000001FF\r\n";
    folder().Write("DSP_1234.hex", hex);
    firmware::LoadPlan plan;
    bool planError = false;
    gui::MessageBoxWindow boxesForPlan(nullptr);
    int count = firmware::BuildHexLoadPlan(boxesForPlan, folder().Write("AB_1234.hex", hex), plan,
                                           planError);
    ASSERT_EQ(count, 3);
    auto rtf =
        firmware::BuildPlanPreview(std::span(plan.slots[0].data(), static_cast<std::size_t>(count)),
                                   "Kelmscot,TRV8844,10234,1.20", "", planError);
    ASSERT_TRUE(rtf);
    ASSERT_TRUE(planError);

    // Cancel is the default, and Escape is Cancel too. (An Accept forced past the
    // disabled button is the dialog logic's test.)
    dialogs.push_back([&](QDialog& d) {
        QTextDocument& doc = *Child<QTextEdit>(d, ui::kFilesListTextId)->document();
        auto [missing, red] = LineWith(doc, "fpg_1234.hex");
        EXPECT_EQ(red, QColor(255, 0, 0)) << doc.toPlainText().toStdString();
        auto [present, black] = LineWith(doc, "dsp_1234.hex");
        EXPECT_NE(black, QColor(255, 0, 0)) << present.toStdString();
        // The columns line up only in a fixed-pitch face.
        QTextCursor c(doc.findBlock(doc.toPlainText().indexOf("dsp_1234.hex")));
        EXPECT_TRUE(QFontInfo(c.charFormat().font()).fixedPitch());
        EXPECT_FALSE(Child<QPushButton>(d, ui::kFilesListAcceptId)->isEnabled());
        EXPECT_TRUE(Child<QPushButton>(d, ui::kFilesListCancelId)->isDefault());
        Screenshot(d, "firmware-files-list");
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    gui::FilesListDialogWindow window(nullptr);
    EXPECT_EQ(firmware::RunFilesListDialog(window, planError, *rtf), ui::kFilesListCancelId);
}

// The comms log reports a failed write from the thread that wrote, the
// upgrade's worker among them: the box is built on the window's thread.
TEST_F(DialogsTest, ABoxAskedForFromAnotherThreadShowsOnTheWindowsThread) {
    gui::MessageBoxWindow window(nullptr);
    std::thread([&] { EXPECT_EQ(window.Show({"notice", "Error"}), ui::MessageAnswer::Ok); }).join();
    EXPECT_TRUE(boxes.empty());
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].text, "notice");
}

// The desktop's file dialogs match the patterns after a filter's name as
// fnmatch does, in the case they are written; the design's match any case.
TEST(FileDialogFilters, MatchNamesInAnyLetterCase) {
    const QStringList filters =
        gui::NameFilters({{"Upgrade Descriptor", "*.up*"}, {"Text File *.txt", "*.txt"}});
    auto matches = [&](int filter, const char* name) {
        const QString& f = filters[filter];
        for (const QString& p : f.mid(f.lastIndexOf('(') + 1).chopped(1).split(' ')) {
            if (fnmatch(p.toUtf8().constData(), name, 0) == 0) return true;
        }
        return false;
    };
    for (auto [filter, name] : {std::pair{0, "fw.upg"},
                                {0, "FW.UPG"},
                                {0, "Fw.Up2"},
                                {1, "results.txt"},
                                {1, "RESULTS.TXT"},
                                {1, "r.Txt"}})
        EXPECT_TRUE(matches(filter, name)) << name;
    EXPECT_FALSE(matches(0, "FW.HEX"));
    EXPECT_FALSE(matches(1, "R.TXT.BAK"));
}

// Qt aborts when the display it is given does not answer; the program says so.
TEST(GuiStart, SaysWhenTheDisplayCannotBeReached) {
    auto r = orvane::testing::RunProgram(
        "/usr/bin/env",
        {"-u", "QT_QPA_PLATFORM", "-u", "WAYLAND_DISPLAY", "DISPLAY=:4093", ORVANE2_PATH});
    EXPECT_EQ(r.status, gui::kNoDisplayStatus);
    EXPECT_NE(r.err.find(platform::Format(gui::kDisplayUnreachable, ":4093")), std::string::npos)
        << r.err;
}

// A Wayland display answers on its socket; platforms other than X11 and
// Wayland are Qt's own business.
TEST_F(DialogsTest, FindsTheWaylandDisplayThatAnswers) {
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{AF_UNIX, {}};
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s/wayland-7", folder().path().c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::listen(listener, 1);
    const std::string platform = std::getenv("QT_QPA_PLATFORM");
    ::setenv("XDG_RUNTIME_DIR", folder().path().c_str(), 1);
    const std::pair<const char*, const char*> answering[] = {
        {"wayland", "wayland-7"}, {"wayland", addr.sun_path}, {"offscreen", "wayland-8"}};
    for (auto [qpa, display] : answering) {
        ::setenv("QT_QPA_PLATFORM", qpa, 1);
        ::setenv("WAYLAND_DISPLAY", display, 1);
        EXPECT_EQ(gui::DisplayProblem(), std::nullopt) << qpa << " " << display;
    }
    ::setenv("QT_QPA_PLATFORM", "wayland", 1);
    ::setenv("WAYLAND_DISPLAY", "wayland-8", 1);
    EXPECT_EQ(gui::DisplayProblem(), platform::Format(gui::kDisplayUnreachable, "wayland-8"));
    ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("XDG_RUNTIME_DIR");
    ::close(listener);
}

// The program's own options are taken out; Qt's are left for Qt.
TEST(GuiOptions, TakesItsOwnOptionsAndLeavesTheRest) {
    gui::GuiOptions o;
    std::string error;
    const char* args[] = {"orvane2", "--demo", "--trace", "--comms-log=/tmp/log.txt",
                          "-d1",     "-style", "fusion"};
    ASSERT_TRUE(gui::ParseGuiOptions(7, args, o, error)) << error;
    EXPECT_TRUE(o.demo && o.trace);
    EXPECT_EQ(o.commsLog, "/tmp/log.txt");
    EXPECT_EQ(o.rest, (std::vector<std::string>{"orvane2", "-d1", "-style", "fusion"}));
    for (const char* bad : {"--comms-log", "--dmeo"}) {
        const char* wrong[] = {"orvane2", bad};
        EXPECT_FALSE(gui::ParseGuiOptions(2, wrong, o, error));
        EXPECT_NE(error.find(bad), std::string::npos);
    }
}

}  // namespace
