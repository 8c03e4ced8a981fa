#include "script/script_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/text_format.h"
#include "script/script_texts.h"
#include "script_bench.h"
#include "ui/app_strings.h"

using namespace std::string_literals;
using namespace orvane;
using namespace orvane::script;
namespace ot = orvane::testing;
using Lines = std::vector<std::string>;

namespace {
std::string Write(const ot::TestDir& dir, const char* name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
}
std::string Message(const char* format, const std::string& path) { return platform::Format(format, path.c_str()); }
}  // namespace

TEST(ScriptFile, LoadLeavesOutEmptyCtrlZAndOverlongLinesWholly) {
    ot::TestDir dir;
    ot::FakeMessageBoxes boxes;
    ot::FakeListBox list;
    list.items = {"an earlier script"};
    list.current = 0;
    std::string mixed = "\"*IDN?\r\n\r\n\n; a comment\n\"" + std::string(2100, 'x') + "\r\n\"" +
                        std::string(2046, 'y') + "\n\"" + std::string(2047, 'z') +
                        "\n\"cut\0here\n\0zero first\nab\rcd\r\n\"\x80\xff\x01?\n#echo,last\n\x1A"s;
    EXPECT_TRUE(LoadScriptFile(boxes, list, Write(dir, "mixed.txt", mixed), true));
    EXPECT_EQ(list.items,
              (Lines{"\"*IDN?", "; a comment", "\"" + std::string(2046, 'y'), "\"cut", "ab\rcd", "\"\x80\xff\x01?", "#echo,last"}));
    EXPECT_EQ(list.current, -1);
    Lines fromFile = list.items;  // from memory, as the fuzz harness loads it, the same
    EXPECT_TRUE(LoadScriptText(boxes, list, "mixed", mixed));
    EXPECT_EQ(list.items, fromFile);

    // 10 MB in one line, then a 5000-character one: neither comes back as pieces.
    std::string huge(10 << 20, 'x');
    huge[0] = '"';
    huge[5000] = '\0';
    huge += "\n#echo,after\n\"" + std::string(5000, 'q') + "\n\"tail without line end";
    EXPECT_TRUE(LoadScriptFile(boxes, list, Write(dir, "huge.txt", huge), true));
    EXPECT_EQ(list.items, (Lines{"#echo,after", "\"tail without line end"}));
    // A carriage return inside a line ends the line there, however long it is.
    EXPECT_TRUE(LoadScriptFile(boxes, list, Write(dir, "cr.txt", "\"abc\r" + std::string(1 << 20, 'x')), true));
    EXPECT_EQ(list.items, Lines{"\"abc"});
    EXPECT_TRUE(LoadScriptFile(boxes, list, Write(dir, "beep.txt", "#beep"), false));
    EXPECT_EQ(list.items, Lines{"\"abc"});  // without the load flag the file is only checked
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(ScriptFile, RefusalsAndTheDialog) {
    ot::TestDir dir;
    ot::FakeMessageBoxes boxes;
    ot::FakeListBox list;
    ot::FakeFileDialogs dialogs;
    std::string comments = Write(dir, "comments.txt", "; only\nremarks\n \"indented\n");
    std::string missing = dir / "missing.txt";
    EXPECT_FALSE(LoadScriptFile(boxes, list, comments, true));
    EXPECT_EQ(list.items, (Lines{"; only", "remarks", " \"indented"}));  // what was read stays
    EXPECT_FALSE(LoadScriptFile(boxes, list, missing, false));
    EXPECT_FALSE(LoadScriptFile(boxes, list, dir.path().string(), false));  // opens, but cannot be read
    EXPECT_EQ(boxes.Texts(), (Lines{Message(kNotAScriptFile, comments), Message(kUnableToReadFile, missing),
                                    Message(kUnableToReadFile, dir.path().string())}));
    EXPECT_EQ(boxes.shown[0].caption, ui::kAppName);
    EXPECT_EQ(boxes.shown[0].icon, ui::MessageIcon::Information);

    std::string good = Write(dir, "good.txt", "\"*IDN?\n");
    dialogs.openAnswers = {std::nullopt, good, comments};
    std::string path = "left over";
    EXPECT_FALSE(ChooseScriptFile(dialogs, boxes, path));  // cancelled: silently
    EXPECT_EQ(path, "");
    EXPECT_TRUE(ChooseScriptFile(dialogs, boxes, path));
    EXPECT_EQ(path, good);
    EXPECT_FALSE(ChooseScriptFile(dialogs, boxes, path));
    EXPECT_EQ(boxes.shown.size(), 4u);
    const ui::FileDialogRequest& r = dialogs.openRequests.at(0);
    EXPECT_EQ(r.title, kSelectScriptTitle);
    ASSERT_EQ(r.filters.size(), 1u);
    EXPECT_EQ(r.filters[0].name, kScriptFilterName);
    EXPECT_EQ(r.filters[0].pattern, kScriptFilterPattern);
    EXPECT_TRUE(r.fileMustExist && r.pathMustExist && r.hideReadOnly);
}
