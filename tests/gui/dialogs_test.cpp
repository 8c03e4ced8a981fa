// What the desktop program does around its windows: boxes asked for from other
// threads, the file dialogs' filters, and its start without a display.

#include <fnmatch.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QTest>
#include <thread>
#include <tuple>

#include "gui/display_check.h"
#include "gui/interaction.h"
#include "gui_fixture.h"
#include "platform/text_format.h"
#include "support/run_program.h"

using namespace orvane;

namespace {

class DialogsTest : public orvane::testing::GuiTest {};

// The comms log reports a failed write from the thread that wrote, the
// upgrade's worker among them: the box is built on the window's thread.
TEST_F(DialogsTest, ABoxAskedForFromAnotherThreadShowsOnTheWindowsThread) {
    gui::MessageBoxWindow window(nullptr);
    std::thread([&] { EXPECT_EQ(window.Show({"notice", "Error"}), ui::MessageAnswer::Ok); }).join();
    EXPECT_TRUE(boxes.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].text, "notice");
}

// The desktop's file dialogs match the patterns after a filter's name as
// fnmatch does, in the case they are written; the design's match any case.
TEST(FileDialogFilters, MatchNamesInAnyLetterCase) {
    const QStringList filters =
        gui::NameFilters({{"Upgrade Descriptor", "*.up*"}, {"Text File *.txt", "*.txt"}});
    auto matches = [&](int filter, const char* name) {
        const QString& f = filters[filter];
        for (const QString& p : f.mid(f.lastIndexOf('(') + 1).chopped(1).split(' '))
            if (fnmatch(p.toUtf8().constData(), name, 0) == 0) return true;
        return false;
    };
    for (auto [filter, name, match] : {std::tuple{0, "FW.UPG", true},
                                       {0, "Fw.Up2", true},
                                       {1, "r.Txt", true},
                                       {0, "FW.HEX", false},
                                       {1, "R.TXT.BAK", false}})
        EXPECT_EQ(matches(filter, name), match) << name;
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

}  // namespace
