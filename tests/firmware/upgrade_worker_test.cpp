#include "firmware/upgrade_worker.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "firmware/bootloader_protocol.h"
#include "firmware/firmware_texts.h"
#include "firmware/hex_check.h"
#include "platform/text_format.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using platform::Format;
using namespace testing;
using Lines = std::vector<std::string>;

TEST(UpgradeWorker, ErasesOnceAndProgramsEveryFileInPlanOrder) {
    TempFolder dir;
    dir.Write("a.hex", HexFile(3, "\r\n"));  // DOS line ends: the CR must not go out before the LF
    std::string b1 = HexRecord(0, 0, std::vector<uint8_t>(16, 0x40)),
                b2 = HexRecord(0, 16, std::vector<uint8_t>(16, 0x50));
    dir.Write("b.hex", "; built by hand\n\n" + b1 + "\n" + b2 + "\n" + HexRecord(1, 0, {}) +
                           "\nnot a record\n");
    // No line end after the last record.
    dir.Write("c.hex",
              HexRecord(0, 0x100, std::vector<uint8_t>(16, 0xA0)) + "\n" + HexRecord(1, 0, {}));
    dir.Write("d.hex", HexFile(1));
    LoadEntry excluded = Entry(dir, "d.hex", 5);
    excluded.serialLow = 20000;  // the instrument is 10234
    WorkerRun run({Entry(dir, "a.hex", 3), Entry(dir, "b.hex", 1), Entry(dir, "c.hex", 3), excluded,
                   Entry(dir, "missing.hex", 6)});
    SimBench bench;
    run.On(bench);

    EXPECT_TRUE(run.context.succeeded);
    EXPECT_EQ(bench.events(),
              (Lines{"enter", "init", "select 3", "erase 3", "select 1", "erase 1", "select 3",
                     "records 4", "select 1", "records 3", "select 3", "records 2", "restart"}));
    EXPECT_EQ(bench.Image(3), Flash(3) + std::string(0x100 - 48, '\xFF') + std::string(16, '\xA0'));
    EXPECT_EQ(bench.Image(1).size(), 32u);

    std::string_view wire = bench.engine().received();
    EXPECT_NE(wire.find(b1 + "\n\r\n"), wire.npos);
    EXPECT_NE(wire.find(HexRecord(1, 0, {}) + "\r\n"), wire.npos);
    for (const char* never : {"\r\n\r\n", "built by hand", "not a record"})
        EXPECT_EQ(wire.find(never), wire.npos) << never;

    EXPECT_EQ(run.log, (Lines{kInitialisedLog, kAllErasedLog, kFirmwareSentLog}));
    // 1 s before the entry byte, 5 s after it, 0.5 s and 1 s at the restart.
    EXPECT_GE(run.elapsed, kSettleBeforeEntryMs + kBootloaderStartMs + kAfterRestartCommandMs +
                               kAfterRestartByteMs);
}

TEST(UpgradeWorker, SkipsNoEraseSectorsAndInitialisesOnTheSecondTry) {
    TempFolder dir;
    std::vector<LoadEntry> entries;
    for (int sector = 0; sector < 4; ++sector) {
        // 58 bytes each, and a blank line that counts as read.
        dir.Write("s" + std::to_string(sector) + ".hex", (sector ? "" : "\n") + HexFile(1));
        entries.push_back(Entry(dir, "s" + std::to_string(sector) + ".hex", sector));
        entries.back().noErase = true;
    }
    WorkerRun run(entries);
    SimBench bench(Instrument("refuse-init=1"));
    run.On(bench);

    EXPECT_TRUE(run.context.succeeded);
    EXPECT_EQ(Lines(bench.events().begin(), bench.events().begin() + 3),
              (Lines{"enter", "init refused", "init"}));
    EXPECT_EQ(bench.engine().received().find('x'), std::string_view::npos) << "no erase command";
    // Sectors skipped, then the bytes read of 233, after each line.
    EXPECT_EQ(run.progress,
              (std::vector<int>{0, 26, 51, 76, 100, 0, 1, 20, 26, 45, 51, 70, 76, 95, 100}));
}

// Each record is tried four times. A stray "ok" (twice, or late behind the
// resend's answer) once stood for the next record's answer, so that a refused
// record passed as programmed: every row that succeeds must hold every byte.
TEST(UpgradeWorker, RecordFaultsEitherProgramEveryByteOrSayWhichRecordFailed) {
    constexpr int kRecords = 40;
    TempFolder dir;
    dir.Write("main.hex", HexFile(kRecords, "\n"));
    auto refused = [](long long record, const char* reply) {
        return Format(kRecordRefusedLog, record, static_cast<unsigned>(record - 1) * 16,
                      kRecordTries, reply);
    };
    struct Row {
        const char* faults;  // as the simulator's option gives them
        std::string event;   // the fault happened
        std::string detail;  // the last log line of a failed run; empty: it succeeds
        uint32_t waitedMs;   // beyond a clean run
    } const rows[] = {
        {"", "", "", 0},  // clean, to time the others by
        {"refuse-record=30x3", "record 30 refused", "", 0},
        {"garbage-at=30", "record 30 garbage", "", 0},
        {"duplicate-at=30", "record 30 twice", "", 0},
        // 5.5 s late, with the resend's answer behind it: one time-out and a resend.
        {"late-at=30:5500", "record 30 late", "", 5000},
        {"duplicate-at=30,refuse-record=31", "record 31 refused", "", 0},
        // The resend of record 30 is number 31.
        {"late-at=30:5500,refuse-record=32", "record 32 refused", "", 5000},
        {"refuse-record=2x4", "record 2 refused", refused(2, "\"ERROR\""), 0},
        {"silent-from=3", "", refused(3, kNoReplyText), kRecordTries * 5000},
    };
    uint32_t cleanMs = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.faults);
        WorkerRun run({Entry(dir, "main.hex", 0)});
        SimBench bench(Instrument(row.faults));
        run.On(bench);
        if (!*row.faults) cleanMs = run.elapsed;
        const bool succeeds = row.detail.empty();
        if (!row.event.empty()) {
            EXPECT_NE(std::find(bench.events().begin(), bench.events().end(), row.event),
                      bench.events().end());
        }
        EXPECT_EQ(run.context.succeeded, succeeds);
        EXPECT_EQ(bench.ToldToRestart(), succeeds) << "no restart after a failure";
        EXPECT_EQ(run.finished, 1);
        if (succeeds) {
            EXPECT_EQ(run.log.back(), kFirmwareSentLog);
            EXPECT_EQ(bench.Image(0), Flash(kRecords)) << "every record, every byte";
            EXPECT_NEAR(run.elapsed, cleanMs + row.waitedMs, 1000);
        } else {
            EXPECT_EQ(Lines(run.log.end() - 2, run.log.end()),
                      (Lines{Format(kSendFailedLog, "main.hex"), row.detail}));
            EXPECT_NEAR(run.elapsed,
                        kSettleBeforeEntryMs + kBootloaderStartMs +
                            sim::BootloaderConfig{}.eraseMs + row.waitedMs,
                        1000);
        }
    }
}

TEST(UpgradeWorker, FailuresFinishWithoutRestartingTheInstrument) {
    TempFolder dir;
    dir.Write("main.hex", HexFile(2));
    {
        SCOPED_TRACE("a sector without an access code");
        WorkerRun run({Entry(dir, "main.hex", 0), Entry(dir, "main.hex", 15)});
        SimBench bench;
        run.On(bench);
        EXPECT_EQ(run.log, (Lines{kInitialisedLog, Format(kEraseFailedLog, 15),
                                  Format(kNoAccessCodeLog, 15)}));
        EXPECT_EQ(bench.events(), (Lines{"enter", "init", "select 0", "erase 0"}));
        EXPECT_FALSE(bench.ToldToRestart());
        EXPECT_FALSE(run.context.succeeded);
    }
    // A file changed since the preview: gone, or a FIFO with no writer, which
    // would hold the instrument in its bootloader for ever if it were read.
    for (bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "a FIFO in place of a file" : "a file gone since the preview");
        dir.Write("gone.hex", HexFile(2));
        WorkerRun run({Entry(dir, "main.hex", 0), Entry(dir, "gone.hex", 1)});
        ASSERT_TRUE(run.slot[1].present);
        ::unlink((dir / "gone.hex").c_str());
        if (fifo) {
            ASSERT_EQ(::mkfifo((dir / "gone.hex").c_str(), 0600), 0);
        }
        SimBench bench;
        run.On(bench);
        ASSERT_EQ(run.log.size(), 4u);
        EXPECT_EQ(run.log[2], Format(kSendFailedLog, "gone.hex"));
        EXPECT_NE(run.log[3].find(fifo ? kHexNotAFileText : "No such file"), std::string::npos)
            << run.log[3];
        EXPECT_FALSE(bench.ToldToRestart());
        EXPECT_FALSE(run.context.succeeded);
    }
}

TEST(BootloaderProtocol, PercentDone) {
    EXPECT_EQ(PercentDone(1000, 999), 100);
    EXPECT_EQ(PercentDone(1000, 0), 1);
    EXPECT_EQ(PercentDone(4, 1), 26);
    EXPECT_EQ(PercentDone(1000, 2000), 100) << "a file that grew since it was listed";
    EXPECT_EQ(PercentDone(0, 0), 100) << "nothing to send";
    // Past 20,000,000 bytes done the other formula keeps the product small.
    EXPECT_EQ(PercentDone(40'000'000, 30'000'000), 76);
    EXPECT_EQ(PercentDone(50, 30'000'000), 100);
    EXPECT_EQ(PercentDone(40'000'099, 20'000'000), 50) << "the last done count of the first";
    EXPECT_EQ(PercentDone(UINT64_MAX, UINT64_MAX / 2), 51);
}

TEST(BootloaderProtocol, RepliesMustEndInOkAndOnlyKnownSectorsHaveCodes) {
    for (const char* good : {"ok", "OK", "oK", "record ok", "not ok"})
        EXPECT_TRUE(EndsInOk(good)) << good;
    for (const char* bad : {"", "k", "ok ", "ok\n", "okay", "ERROR", "o"})
        EXPECT_FALSE(EndsInOk(bad)) << bad;
    EXPECT_EQ(PrintableReply("\x01#ok\x7f\""), "\"\\x01#ok\\x7F\\x22\"");
    for (int32_t none : {-1, 15, 99}) EXPECT_EQ(SectorAccessCode(none), "") << none;
}

TEST(BootloaderProtocol, FollowsExtendedAddresses) {
    HexAddressTracker tracker;
    EXPECT_EQ(tracker.Follow(HexRecord(0, 0x1234, {1})), 0x1234u);
    EXPECT_EQ(tracker.Follow(HexRecord(0, 0x1235, {})), 0x1235u);
    EXPECT_EQ(tracker.Follow(HexRecord(4, 0, {0x00, 0x02})), 0x20000u);
    EXPECT_EQ(tracker.Follow(HexRecord(0, 0x0010, {1})), 0x20010u);
    EXPECT_EQ(tracker.Follow(HexRecord(2, 0, {0x10, 0x00})), 0x10000u);
    EXPECT_EQ(tracker.Follow(HexRecord(0, 0x0001, {1})), 0x10001u);
    EXPECT_EQ(tracker.Follow(":zz"), 0x10000u);
    EXPECT_EQ(tracker.Follow(HexRecord(4, 0, {0x00, 0x00})), 0u) << "back to the bottom";
}

}  // namespace
}  // namespace orvane::firmware
