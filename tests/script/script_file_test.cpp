#include "script/script_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_format.h"
#include "script/script_texts.h"
#include "script_bench.h"

using namespace std::string_literals;
using namespace orvane;
using namespace orvane::script;
using Lines = std::vector<std::string>;

struct ScriptFile : ::testing::Test {
    orvane::testing::TempFolder dir;
    orvane::testing::FakeMessageBoxes boxes;
    ui::MemoryListBox list;
};

TEST_F(ScriptFile, LoadLeavesOutEmptyCtrlZAndOverlongLinesWholly) {
    list.items = {"an earlier script"};
    list.current = 0;
    // CR LF, LF and a lone CR each end a line.
    std::string mixed = "\"*IDN?\r\n\r\n\n; a comment\n\"" + std::string(2100, 'x') + "\r\n\"" +
                        std::string(2046, 'y') + "\n\"" + std::string(2047, 'z') +
                        "\nab\rcd\r\n\"\x80\xff\t?\r\"read?\r#echo,end\r\r\n#echo,last\n\x1A"s;
    EXPECT_TRUE(LoadScriptFile(boxes, list, dir.Write("mixed.txt", mixed), true));
    EXPECT_EQ(list.items, (Lines{"\"*IDN?", "; a comment", "\"" + std::string(2046, 'y'), "ab",
                                 "cd", "\"\x80\xff\t?", "\"read?", "#echo,end", "#echo,last"}));
    EXPECT_EQ(list.current, -1);
    ui::MemoryListBox memory;  // from memory, as the fuzz harness loads it, the same
    EXPECT_TRUE(LoadScriptText(boxes, memory, "mixed", mixed) && memory.items == list.items);

    // 10 MB in one line, then a 5000-character one: neither comes back as pieces.
    // A zero byte past the first 64 KiB only cuts its line.
    std::string huge(10 << 20, 'x');
    huge[0] = '"';
    huge[64 * 1024] = '\0';
    huge +=
        "\n#echo,after\n\"" + std::string(5000, 'q') + "\n\"cut\0here\n\"tail without line end"s;
    EXPECT_TRUE(LoadScriptFile(boxes, list, dir.Write("huge.txt", huge), true));
    EXPECT_EQ(list.items, (Lines{"#echo,after", "\"cut", "\"tail without line end"}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ScriptFile, RefusalsAndTheDialog) {
    orvane::testing::FakeFileDialogs dialogs;
    std::string comments = dir.Write("comments.txt", "; only\nremarks\n \"indented\n");
    EXPECT_FALSE(LoadScriptFile(boxes, list, comments, true));
    EXPECT_EQ(list.items, (Lines{"; only", "remarks", " \"indented"}));  // what was read stays
    // Not regular files (a FIFO would hang the open, /dev/zero never ends); binary
    // bytes, or a raw control byte that a command line would send.
    std::string fifo = dir / "fifo.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "zero.txt").c_str()), 0);
    const std::pair<std::string, const char*> refused[] = {
        {dir / "missing.txt", kUnableToReadFile},
        {dir.path(), kUnableToReadFile},
        {fifo, kUnableToReadFile},
        {dir / "zero.txt", kUnableToReadFile},
        {dir.Write("nul.txt", "#beep\n" + std::string(64 * 1024 - 7, 'x') + '\0'),
         kBinaryScriptFile},
        {dir.Write("control.txt", "#beep\n\"\x19\n"), kBinaryScriptFile},
        {dir.Write("delete.txt", "\"*IDN?\x7F\n"), kBinaryScriptFile},
    };
    for (const auto& [path, message] : refused) {
        EXPECT_FALSE(LoadScriptFile(boxes, list, path, false));
        EXPECT_EQ(boxes.Texts().back(), platform::Format(message, path.c_str()));
    }

    std::string good = dir.Write("good.txt", "\"*IDN?\n");
    dialogs.openAnswers = {std::nullopt, good, comments};
    EXPECT_EQ(ChooseScriptFile(dialogs, boxes), std::nullopt);  // cancelled: silently
    EXPECT_EQ(ChooseScriptFile(dialogs, boxes), good);
    EXPECT_EQ(ChooseScriptFile(dialogs, boxes), std::nullopt);
    EXPECT_EQ(boxes.Texts().back(), platform::Format(kNotAScriptFile, comments.c_str()));
}
