#include "firmware/upgrade_worker.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "firmware/firmware_texts.h"
#include "firmware/hex_check.h"
#include "firmware_test_files.h"
#include "platform/text_format.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using platform::Format;
using testing::Entry;
using testing::HexFile;
using testing::HexRecord;
using testing::RecordedNotes;
using testing::SimBench;
using testing::TempFolder;
using testing::WorkerRun;

std::vector<uint8_t> Bytes(int count, uint8_t first) {
    std::vector<uint8_t> out(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<uint8_t>(first + i);
    return out;
}

TEST(UpgradeWorker, ErasesOnceAndProgramsEveryFileInPlanOrder) {
    TempFolder dir;
    dir.Write("a.hex", HexFile(3, "\r\n"));  // DOS line ends: the CR must not go out before the LF
    std::string b1 = HexRecord(0, 0, Bytes(16, 0x40)), b2 = HexRecord(0, 16, Bytes(16, 0x50));
    dir.Write("b.hex", "; built by hand\n\n" + b1 + "\n" + b2 + "\n" + HexRecord(1, 0, {}) +
                           "\nnot a record\n");
    dir.Write("c.hex", HexRecord(0, 0x100, Bytes(16, 0xA0)) + "\n" + HexRecord(1, 0, {}) + "\n");
    dir.Write("d.hex", HexFile(1));
    LoadEntry excluded = Entry(dir.path(), "d.hex", 5);
    excluded.serialLow = 20000;  // the instrument is 10234
    WorkerRun run({Entry(dir.path(), "a.hex", 3), Entry(dir.path(), "b.hex", 1),
                   Entry(dir.path(), "c.hex", 3), excluded, Entry(dir.path(), "missing.hex", 6)});
    SimBench bench;
    run.On(bench);

    EXPECT_TRUE(run.context.succeeded);
    EXPECT_EQ(run.notes.finished, 1);
    EXPECT_EQ(bench.events(),
              (std::vector<std::string>{"enter", "init", "select 3", "erase 3", "select 1",
                                        "erase 1", "select 3", "records 4", "select 1", "records 3",
                                        "select 3", "records 2", "restart"}));
    std::string sector3 = bench.Image(3);
    ASSERT_EQ(sector3.size(), 0x110u);
    for (int i = 0; i < 48; ++i) EXPECT_EQ(static_cast<uint8_t>(sector3[i]), i) << i;
    EXPECT_EQ(sector3.substr(48, 0x100 - 48), std::string(0x100 - 48, '\xFF'));
    EXPECT_EQ(sector3[0x100], '\xA0');
    EXPECT_EQ(bench.Image(1).size(), 32u);

    std::string_view wire = bench.engine().received();
    EXPECT_NE(wire.find(b1 + "\n\r\n"), std::string_view::npos);
    EXPECT_EQ(wire.find("\r\n\r\n"), std::string_view::npos);
    EXPECT_EQ(wire.find("built by hand"), std::string_view::npos);
    EXPECT_EQ(wire.find("not a record"), std::string_view::npos);

    EXPECT_EQ(
        run.notes.statuses,
        (std::vector<std::string>{
            kInitialisingStatus, Format(kErasingSectorStatus, 3), Format(kErasingSectorStatus, 1),
            Format(kSendingFileStatus, "a.hex"), Format(kSendingFileStatus, "b.hex"),
            Format(kSendingFileStatus, "c.hex"), kRestartingStatus, kFinishedStatus}));
    EXPECT_EQ(run.notes.log,
              (std::vector<std::string>{kInitialisedLog, kAllErasedLog, kFirmwareSentLog}));
    const std::vector<int>& p = run.notes.progress;
    ASSERT_GE(p.size(), 6u);
    EXPECT_EQ((std::vector<int>(p.begin(), p.begin() + 4)), (std::vector<int>{0, 51, 100, 0}));
    EXPECT_TRUE(std::is_sorted(p.begin() + 3, p.end()));
    EXPECT_EQ(p.back(), 100);
    // The design's waits: 1 s before the entry byte, 5 s after it, 0.5 s and 1 s around the
    // restart.
    EXPECT_GE(run.elapsed, kSettleBeforeEntryMs + kBootloaderStartMs + kAfterRestartCommandMs +
                               kAfterRestartByteMs);
}

TEST(UpgradeWorker, SkipsNoEraseSectorsAndInitialisesOnTheSecondTry) {
    TempFolder dir;
    std::vector<LoadEntry> entries;
    for (int sector = 0; sector < 4; ++sector) {
        std::string name = "s" + std::to_string(sector) + ".hex";
        dir.Write(name, HexFile(1));
        entries.push_back(Entry(dir.path(), name, sector, true));
    }
    WorkerRun run(entries);
    sim::BootloaderConfig boot;
    boot.refuseInit = 1;
    SimBench bench(testing::Instrument(boot));
    run.On(bench);

    EXPECT_TRUE(run.context.succeeded);
    EXPECT_EQ(run.notes.log.front(), kInitialisedLog);
    EXPECT_EQ(bench.events()[1], "init refused");
    EXPECT_EQ(bench.events()[2], "init");
    for (int sector = 0; sector < 4; ++sector) {
        EXPECT_EQ(run.notes.statuses[1 + sector], Format(kSkippingSectorStatus, sector));
    }
    EXPECT_EQ(bench.engine().received().find('x'), std::string_view::npos) << "no erase command";
    EXPECT_EQ((std::vector<int>(run.notes.progress.begin(), run.notes.progress.begin() + 6)),
              (std::vector<int>{0, 26, 51, 76, 100, 0}));
}

TEST(UpgradeWorker, RetriesARecordFourTimesThenSaysWhichOneFailed) {
    TempFolder dir;
    dir.Write("main.hex", HexFile(4, "\n"));
    struct Case {
        const char* what;
        sim::BootloaderConfig boot;
        bool succeeds;
        std::string detail;
    };
    auto with = [](auto set) {
        sim::BootloaderConfig boot;
        set(boot);
        return boot;
    };
    const Case cases[] = {
        {"refused three times", with([](auto& b) { b.refuseRecord = 2, b.refuseRecordTimes = 3; }),
         true, ""},
        {"garbage once", with([](auto& b) { b.garbageAtRecord = 1; }), true, ""},
        {"refused four times", with([](auto& b) { b.refuseRecord = 2, b.refuseRecordTimes = 4; }),
         false, Format(kRecordRefusedLog, 2LL, 0x10u, kRecordTries, "\"ERROR\"")},
        {"silent", with([](auto& b) { b.silentFromRecord = 3; }), false,
         Format(kRecordRefusedLog, 3LL, 0x20u, kRecordTries, kNoReplyText)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WorkerRun run({Entry(dir.path(), "main.hex", 0)});
        SimBench bench(testing::Instrument(c.boot));
        run.On(bench);
        EXPECT_EQ(run.context.succeeded, c.succeeds);
        EXPECT_EQ(run.notes.finished, 1);
        EXPECT_EQ(bench.ToldToRestart(), c.succeeds);
        if (c.succeeds) {
            EXPECT_EQ(run.notes.log.back(), kFirmwareSentLog);
            EXPECT_EQ(bench.Image(0).size(), 64u);
        } else {
            ASSERT_GE(run.notes.log.size(), 2u);
            EXPECT_EQ(run.notes.log[run.notes.log.size() - 2], Format(kSendFailedLog, "main.hex"));
            EXPECT_EQ(run.notes.log.back(), c.detail);
            EXPECT_EQ(run.notes.statuses.back(), Format(kSendingFileStatus, "main.hex"));
        }
    }
}

TEST(UpgradeWorker, FailuresFinishWithoutRestartingTheInstrument) {
    TempFolder dir;
    dir.Write("main.hex", HexFile(2));
    {
        SCOPED_TRACE("code 0 refused twice");
        sim::BootloaderConfig boot;
        boot.refuseInit = 2;
        WorkerRun run({Entry(dir.path(), "main.hex", 0)});
        SimBench bench(testing::Instrument(boot));
        run.On(bench);
        EXPECT_EQ(run.notes.log, std::vector<std::string>{kInitFailedLog});
        EXPECT_EQ(run.notes.progress, std::vector<int>{0});
        EXPECT_EQ(bench.events(),
                  (std::vector<std::string>{"enter", "init refused", "init refused"}));
        EXPECT_FALSE(bench.ToldToRestart());
        EXPECT_FALSE(run.context.succeeded);
        EXPECT_EQ(run.notes.finished, 1);
    }
    {
        SCOPED_TRACE("a sector without an access code");
        WorkerRun run({Entry(dir.path(), "main.hex", 0), Entry(dir.path(), "main.hex", 15)});
        SimBench bench;
        run.On(bench);
        EXPECT_EQ(run.notes.log,
                  (std::vector<std::string>{kInitialisedLog, Format(kEraseFailedLog, 15),
                                            Format(kNoAccessCodeLog, 15)}));
        EXPECT_EQ(bench.events(),
                  (std::vector<std::string>{"enter", "init", "select 0", "erase 0"}));
        EXPECT_FALSE(bench.ToldToRestart());
        EXPECT_FALSE(run.context.succeeded);
    }
    // A file changed since the preview: gone, or a FIFO with no writer, which
    // would hold the instrument in its bootloader for ever if it were read.
    for (bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "a FIFO in place of a file" : "a file gone since the preview");
        dir.Write("gone.hex", HexFile(2));
        WorkerRun run({Entry(dir.path(), "main.hex", 0), Entry(dir.path(), "gone.hex", 1)});
        ASSERT_TRUE(run.slot[1].present);
        ::unlink((dir.path() + "gone.hex").c_str());
        if (fifo) {
            ASSERT_EQ(::mkfifo((dir.path() + "gone.hex").c_str(), 0600), 0);
        }
        SimBench bench;
        run.On(bench);
        ASSERT_EQ(run.notes.log.size(), 4u);
        EXPECT_EQ(run.notes.log[2], Format(kSendFailedLog, "gone.hex"));
        EXPECT_NE(run.notes.log[3].find(fifo ? kHexNotAFileText : "No such file"),
                  std::string::npos)
            << run.notes.log[3];
        EXPECT_FALSE(bench.ToldToRestart());
        EXPECT_FALSE(run.context.succeeded);
        ::unlink((dir.path() + "gone.hex").c_str());
    }
}

TEST(UpgradeWorker, HangUpMidFileOverASerialLine) {
    TempFolder dir;
    dir.Write("main.hex", HexFile(5));
    sim::BootloaderConfig boot;
    boot.hangUpAtRecord = 3;
    WorkerRun run({Entry(dir.path(), "main.hex", 0)});
    SimBench bench(testing::Instrument(boot), /*serial=*/true);
    run.On(bench);
    EXPECT_EQ(bench.events().back(), "hang-up at record 3");
    EXPECT_EQ(bench.Image(0).size(), 32u) << "two records went in over the serial line";
    ASSERT_GE(run.notes.log.size(), 2u);
    EXPECT_EQ(run.notes.log[run.notes.log.size() - 2], Format(kSendFailedLog, "main.hex"));
    EXPECT_EQ(run.notes.log.back(),
              Format(kRecordRefusedLog, 3LL, 0x20u, kRecordTries, kNoReplyText));
    EXPECT_FALSE(run.context.succeeded);
    EXPECT_EQ(run.notes.finished, 1);
    EXPECT_LT(run.elapsed, kSettleBeforeEntryMs + kBootloaderStartMs + 2000)
        << "a dead line fails at once";
}

}  // namespace
}  // namespace orvane::firmware
