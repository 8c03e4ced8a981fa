#include "script/script_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/text_format.h"
#include "script/script_texts.h"
#include "support/fake_controls.h"
#include "support/fake_ui.h"
#include "test_dir.h"
#include "ui/app_strings.h"

using namespace std::string_literals;
using namespace orvane;
using namespace orvane::script;
using orvane::testing::FakeFileDialogs;
using orvane::testing::FakeListBox;
using orvane::testing::FakeMessageBoxes;

namespace {

class ScriptFiles : public ::testing::Test {
protected:
    std::string Write(const char* name, const std::string& bytes) {
        std::filesystem::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    std::string Message(const char* format, const std::string& path) { return platform::Format(format, path.c_str()); }

    orvane::testing::TestDir temp_;
    const std::filesystem::path& dir_ = temp_.path();
    FakeMessageBoxes boxes;
    FakeListBox list;
};

}  // namespace

TEST_F(ScriptFiles, LoadKeepsScriptLinesAndLeavesOutEmptyCtrlZAndOverlongOnes) {
    std::string path = Write("mixed.txt",
                             "\"*IDN?\r\n"
                             "\r\n"
                             "\n"
                             "; a comment\n"
                             "\"" + std::string(2100, 'x') + "\r\n"
                             "\"" + std::string(2046, 'y') + "\n"
                             "\"" + std::string(2047, 'z') + "\n"
                             "\"cut\0here\n"s
                             "\0starts with zero\n"s
                             "ab\rcd\r\n"
                             "\"\x80\xff\x01?\n"
                             "#echo,last\n"
                             "\x1A");
    list.AddItem("an earlier script");
    list.current = 0;
    EXPECT_TRUE(LoadScriptFile(boxes, list, path, true));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(list.items, (std::vector<std::string>{"\"*IDN?", "; a comment", "\"" + std::string(2046, 'y'),
                                                    "\"cut", "ab\rcd", "\"\x80\xff\x01?", "#echo,last"}));
    EXPECT_EQ(list.current, -1);

    // Without the load flag the file is only checked.
    list.items = {"kept"};
    EXPECT_TRUE(LoadScriptFile(boxes, list, path, false));
    EXPECT_EQ(list.items, std::vector<std::string>{"kept"});
}

TEST_F(ScriptFiles, HugeLinesAndFilesStayBoundedAndLeaveNoTail) {
    std::string big(10 * 1024 * 1024, 'x');
    big[0] = '"';
    big[5000] = '\0';
    std::string path = Write("huge.txt", big + "\n#echo,after\n\"" + std::string(5000, 'q') + "\n\"tail without line end");
    EXPECT_TRUE(LoadScriptFile(boxes, list, path, true));
    // Neither over-long line comes back as pieces of itself.
    EXPECT_EQ(list.items, (std::vector<std::string>{"#echo,after", "\"tail without line end"}));

    // A carriage return inside a line ends it there, however long the line is.
    path = Write("cr.txt", "\"abc\r" + std::string(1 << 20, 'x') + "\n");
    EXPECT_TRUE(LoadScriptFile(boxes, list, path, true));
    EXPECT_EQ(list.items, std::vector<std::string>{"\"abc"});
}

TEST_F(ScriptFiles, RefusedFilesAreReportedWithTheirPath) {
    std::string comments = Write("comments.txt", "; only\nremarks here\n\n \"indented\n");
    list.items = {"old"};
    EXPECT_FALSE(LoadScriptFile(boxes, list, comments, true));
    EXPECT_EQ(list.items, (std::vector<std::string>{"; only", "remarks here", " \"indented"}));

    std::string missing = (dir_ / "missing.txt").string();
    EXPECT_FALSE(LoadScriptFile(boxes, list, missing, false));
    EXPECT_FALSE(LoadScriptFile(boxes, list, dir_.string(), false));  // opens, but cannot be read
    EXPECT_FALSE(LoadScriptFile(boxes, list, Write("empty.txt", ""), false));
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{Message(kNotAScriptFile, comments), Message(kUnableToReadFile, missing),
                                        Message(kUnableToReadFile, dir_.string()),
                                        Message(kNotAScriptFile, (dir_ / "empty.txt").string())}));
    for (const ui::MessageRequest& r : boxes.shown) {
        EXPECT_EQ(r.caption, ui::kAppName);
        EXPECT_EQ(r.icon, ui::MessageIcon::Information);
        EXPECT_EQ(r.buttons, ui::MessageButtons::Ok);
    }

    boxes.shown.clear();
    EXPECT_TRUE(LoadScriptFile(boxes, list, Write("beep.txt", "#beep"), true));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ScriptFiles, ChooseShowsTheScriptDialogAndChecksTheFile) {
    FakeFileDialogs dialogs;
    std::string good = Write("good.txt", "\"*IDN?\n");
    std::string bad = Write("bad.txt", "hello\n");
    dialogs.openAnswers = {std::nullopt, good, bad};
    std::string path = "left over";

    EXPECT_FALSE(ChooseScriptFile(dialogs, boxes, path));  // cancelled: silently
    EXPECT_EQ(path, "");
    EXPECT_TRUE(boxes.shown.empty());

    EXPECT_TRUE(ChooseScriptFile(dialogs, boxes, path));
    EXPECT_EQ(path, good);
    EXPECT_FALSE(ChooseScriptFile(dialogs, boxes, path));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{Message(kNotAScriptFile, bad)});

    ASSERT_EQ(dialogs.openRequests.size(), 3u);
    const ui::FileDialogRequest& r = dialogs.openRequests[0];
    EXPECT_EQ(r.title, kSelectScriptTitle);
    ASSERT_EQ(r.filters.size(), 1u);
    EXPECT_EQ(r.filters[0].name, kScriptFilterName);
    EXPECT_EQ(r.filters[0].pattern, kScriptFilterPattern);
    EXPECT_TRUE(r.fileMustExist && r.pathMustExist && r.hideReadOnly);
    EXPECT_FALSE(r.overwritePrompt);
}
