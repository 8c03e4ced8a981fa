// The upgrade rows of the fault matrix: the bootloader misbehaves while a file
// is being programmed, over a pseudo-terminal and over TCP. The upgrade either
// completes with every byte in the flash, or ends with its error line in good
// time without restarting the instrument and without losing a record the
// instrument took; either way no descriptor of the connection stays open.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "../firmware/firmware_test_files.h"
#include "../firmware/upgrade_test_bench.h"
#include "connection/connect_and_identify.h"
#include "fault_checks.h"
#include "firmware/firmware_texts.h"
#include "firmware/upgrade_flow.h"
#include "platform/text_format.h"
#include "support/fake_ui.h"
#include "support/fake_upgrade_dialogs.h"
#include "ui/memory_controls.h"

namespace orvane::firmware {
namespace {

using orvane::testing::CpuShareWhileSleeping;
using orvane::testing::DescriptorsLeftOpen;
using orvane::testing::OpenDescriptors;
using platform::Format;
using testing::Entry;
using testing::HexFile;
using testing::SimBench;
using testing::TempFolder;
using testing::WorkerRun;

using Descriptors = std::set<std::string>;

constexpr int kRecords = 80;  // data records of main.hex; the end record is number kRecords + 1
constexpr uint32_t kSlackMs = 1000;
const uint32_t kEraseMs = sim::BootloaderConfig{}.eraseMs;
// Virtual time from the worker's start to its first record.
const uint32_t kBeforeRecordsMs = kSettleBeforeEntryMs + kBootloaderStartMs + kEraseMs;

// Empty when sector 0 holds exactly the first `records` records of main.hex;
// otherwise what is wrong, by record number.
std::string FlashWrongness(const std::string& flash, int records) {
    std::string want(static_cast<std::size_t>(records) * 16, '\0');
    for (std::size_t i = 0; i < want.size(); ++i) want[i] = static_cast<char>(i);
    std::string wrong;
    if (flash.size() != want.size()) wrong = "holds " + std::to_string(flash.size()) + " bytes;";
    for (std::size_t at = 0; at < std::min(flash.size(), want.size()); at += 16) {
        if (flash.compare(at, 16, want, at, 16) != 0)
            wrong += " record " + std::to_string(at / 16 + 1) + " differs;";
    }
    return wrong;
}

// The log line naming the record that could not be sent, as the worker words it.
std::string RefusedDetail(int record, const char* lastReply) {
    uint32_t address = record <= kRecords ? static_cast<uint32_t>(record - 1) * 16 : 0;
    return Format(kRecordRefusedLog, static_cast<long long>(record), address, kRecordTries,
                  lastReply);
}

uint32_t FaultSeed() {
    if (const char* fixed = std::getenv("ORVANE2_FAULT_SEED"))
        return static_cast<uint32_t>(std::strtoul(fixed, nullptr, 0));
    return std::random_device{}();
}

std::ptrdiff_t ThreadCount() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                         std::filesystem::directory_iterator());
}

struct Outcome {
    bool succeeded = false;
    bool restarted = false;
    testing::RecordedNotes notes;
    uint32_t elapsed = 0;
    std::string flash;
    std::vector<std::string> events;
};

// Runs over a pseudo-terminal (true) and over TCP (false).
class UpgradeFaults : public ::testing::TestWithParam<bool> {
  protected:
    UpgradeFaults() { dir_.Write("main.hex", HexFile(kRecords)); }

    // The worker programs main.hex into sector 0 of an instrument showing these
    // faults, in virtual time; then the channel is closed, and everything opened
    // for the run must be closed too.
    Outcome Upgrade(const sim::BootloaderConfig& boot) {
        Outcome out;
        WorkerRun run({Entry(dir_.path(), "main.hex", 0)});
        SimBench bench(testing::Instrument(boot), GetParam());
        const Descriptors baseline = OpenDescriptors();
        run.On(bench);
        out.succeeded = run.context.succeeded;
        out.restarted = bench.ToldToRestart();
        out.notes = run.notes;
        out.elapsed = run.elapsed;
        out.flash = bench.Image(0);
        out.events = bench.events();
        transport::CloseChannel(bench.record);
        bench.clock.Advance(10);  // the instrument sees the close and lets its end go
        EXPECT_EQ(DescriptorsLeftOpen(baseline), Descriptors{});
        return out;
    }

    // The worker's time for main.hex when nothing goes wrong.
    uint32_t CleanRunMs() {
        Outcome clean = Upgrade({});
        EXPECT_TRUE(clean.succeeded);
        EXPECT_EQ(FlashWrongness(clean.flash, kRecords), "");
        return clean.elapsed;
    }

    // The run failed on main.hex, said so, and left the instrument in its bootloader.
    static void ExpectFailedSending(const Outcome& o, const std::string& detail) {
        EXPECT_FALSE(o.succeeded);
        EXPECT_FALSE(o.restarted) << "no restart after a failure";
        EXPECT_EQ(o.notes.finished, 1);
        ASSERT_GE(o.notes.log.size(), 2u);
        EXPECT_EQ(o.notes.log[o.notes.log.size() - 2], Format(kSendFailedLog, "main.hex"));
        EXPECT_EQ(o.notes.log.back(), detail);
    }

    TempFolder dir_;
};

TEST_P(UpgradeFaults, HangUpAtRandomRecordsKeepsWhatWasTaken) {
    const uint32_t seed = FaultSeed();
    SCOPED_TRACE("ORVANE2_FAULT_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    std::vector<int> records(kRecords + 1);
    std::iota(records.begin(), records.end(), 1);
    std::shuffle(records.begin(), records.end(), random);
    records.resize(20);
    std::sort(records.begin(), records.end());

    for (int at : records) {
        SCOPED_TRACE("hang-up at record " + std::to_string(at));
        sim::BootloaderConfig boot;
        boot.hangUpAtRecord = static_cast<uint32_t>(at);
        Outcome o = Upgrade(boot);
        ExpectFailedSending(o, RefusedDetail(at, kNoReplyText));
        EXPECT_LT(o.elapsed, kBeforeRecordsMs + kSlackMs) << "a dead line fails at once";
        EXPECT_EQ(FlashWrongness(o.flash, std::min(at - 1, kRecords)), "");
        EXPECT_EQ(o.events.back(), "hang-up at record " + std::to_string(at));
    }
}

TEST_P(UpgradeFaults, RefusalsAndSilenceFailTheFileInTime) {
    struct Case {
        const char* what;
        sim::BootloaderConfig boot;
        std::string detail;
        uint32_t waitedMs;  // on record 30, after the fixed waits
    };
    sim::BootloaderConfig refused, silent;
    refused.refuseRecord = 30;
    refused.refuseRecordTimes = kRecordTries;
    silent.silentFromRecord = 30;
    const Case cases[] = {
        {"refused on every try", refused, RefusedDetail(30, "\"ERROR\""), 0},
        {"silent from record 30", silent, RefusedDetail(30, kNoReplyText), kRecordTries * 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome o = Upgrade(c.boot);
        ExpectFailedSending(o, c.detail);
        EXPECT_NEAR(o.elapsed, kBeforeRecordsMs + c.waitedMs, kSlackMs);
        EXPECT_EQ(FlashWrongness(o.flash, 29), "");
    }
}

TEST_P(UpgradeFaults, StrayAnswersStillProgramEveryRecord) {
    const uint32_t cleanMs = CleanRunMs();
    auto with = [](auto set) {
        sim::BootloaderConfig boot;
        set(boot);
        return boot;
    };
    struct Case {
        const char* what;
        sim::BootloaderConfig boot;
        std::string event;
        uint32_t extraMs;  // over the clean run
    };
    // A late "ok" comes 5.5 s after its record, with the answer to the resend
    // behind it: one time-out of 5 s and a resend cost about that much.
    const Case cases[] = {
        {"refused on three tries",
         with([](auto& b) { b.refuseRecord = 30, b.refuseRecordTimes = kRecordTries - 1; }),
         "record 30 refused", 0},
        {"garbage instead of ok", with([](auto& b) { b.garbageAtRecord = 30; }),
         "record 30 garbage", 0},
        {"ok twice", with([](auto& b) { b.duplicateAtRecord = 30; }), "record 30 twice", 0},
        {"ok late", with([](auto& b) { b.lateAtRecord = 30, b.lateMs = 5500; }), "record 30 late",
         5000},
        // A stray "ok" taken for the next record's answer once let a refused
        // record pass as programmed, and the upgrade reported success.
        {"ok twice, then the next record refused",
         with([](auto& b) { b.duplicateAtRecord = 30, b.refuseRecord = 31; }), "record 31 refused",
         0},
        {"ok late, then the next record refused",  // the resend of record 30 is number 31
         with([](auto& b) { b.lateAtRecord = 30, b.lateMs = 5500, b.refuseRecord = 32; }),
         "record 32 refused", 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome o = Upgrade(c.boot);
        EXPECT_NE(std::find(o.events.begin(), o.events.end(), c.event), o.events.end())
            << "the fault happened";
        EXPECT_EQ(FlashWrongness(o.flash, kRecords), "") << "every record, every byte";
        EXPECT_TRUE(o.succeeded);
        EXPECT_TRUE(o.restarted);
        EXPECT_EQ(o.notes.log.back(), kFirmwareSentLog);
        EXPECT_EQ(o.notes.finished, 1);
        EXPECT_NEAR(o.elapsed, cleanMs + c.extraMs, kSlackMs);
    }
}

// Real time, except that plain pauses pass at once: the tick count jumps by
// each pause instead. Every wait for the instrument stays a real wait with its
// real time-out, so a threaded instrument is never given up on early; only the
// upgrade's fixed waits (6 s before the first command) are skipped.
class PausesSkipped final : public platform::Clock {
  public:
    uint32_t TickCount() override { return real_.TickCount() + skipped_.load(); }
    void Sleep(uint32_t ms) override { skipped_ += ms; }
    platform::LocalTime Now() override { return real_.Now(); }
    bool WaitReadable(int fd, uint32_t ms) override {
        if (fd >= 0) return real_.WaitReadable(fd, ms);
        Sleep(ms);
        return false;
    }

  private:
    platform::SystemClock real_;
    std::atomic<uint32_t> skipped_{0};
};

// The user's path: the upgrade command with its dialogs, the worker on its own
// thread, against an instrument served by its own thread, which hangs up.
TEST_P(UpgradeFaults, HangUpThroughTheUserPathInRealTime) {
    constexpr int kAt = 17;
    sim::BootloaderConfig boot;
    boot.hangUpAtRecord = kAt;
    std::unique_ptr<sim::Endpoint> instrument;
    transport::ConnectionRecord record;
    if (GetParam()) {
        auto pty = std::make_unique<sim::PtyEndpoint>(testing::Instrument(boot));
        ASSERT_TRUE(pty->Ok()) << pty->Error();
        record.interfaceKind = transport::InterfaceKind::Usb;
        record.comPort = pty->DevicePath();
        record.baudRate = 19200;
        instrument = std::move(pty);
    } else {
        auto tcp = std::make_unique<sim::TcpEndpoint>(testing::Instrument(boot), "127.0.0.1", 0);
        ASSERT_TRUE(tcp->Ok()) << tcp->Error();
        record.linkOptions.tcpPort = tcp->Port();
        record.interfaceKind = transport::InterfaceKind::Lan;
        record.ipAddress = "127.0.0.1";
        instrument = std::move(tcp);
    }
    ASSERT_TRUE(instrument->Start());
    PausesSkipped clock;
    record.linkOptions.clock = &clock;
    const Descriptors baseline = OpenDescriptors();
    const std::ptrdiff_t threads = ThreadCount();

    orvane::testing::FakeMessageBoxes boxes;
    orvane::testing::FakeFileDialogs files;
    orvane::testing::FakeUpgradeDialogs dialogs;
    orvane::testing::FakeWaitCursor cursor;
    record.instrumentReady = connection::ConnectAndIdentify(boxes, cursor, record, false);
    ASSERT_TRUE(record.instrumentReady);
    record.pollReplies = true;
    files.openAnswers.push_back(dir_.Write("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
    const uint32_t start = clock.TickCount();
    EXPECT_FALSE(RunFirmwareUpgrade({boxes, files, cursor, dialogs}, record));
    // Two identifications and their pauses come first; one time-out alone would be 5 s more.
    EXPECT_LT(clock.TickCount() - start, kBeforeRecordsMs + 3 * kSlackMs)
        << "a dead line fails at once";

    ASSERT_EQ(dialogs.views.size(), 1u);
    const orvane::testing::FakeUpgradeView& view = *dialogs.views[0];
    EXPECT_FALSE(view.timedOut);
    EXPECT_EQ(view.cancel.caption, kFinishedCaption);
    ASSERT_GE(view.log.size(), 2u);
    EXPECT_EQ(view.log[view.log.size() - 2], Format(kSendFailedLog, "main.hex"));
    EXPECT_EQ(view.log.back(), RefusedDetail(kAt, kNoReplyText));
    instrument->WithEngine([&](sim::Engine& engine) {
        EXPECT_FALSE(testing::ToldToRestart(engine.received()));
        EXPECT_EQ(engine.boot().events.back(), "hang-up at record " + std::to_string(kAt));
        EXPECT_EQ(FlashWrongness(engine.boot().flash.Image(0), kAt - 1), "");
    });
    EXPECT_EQ(ThreadCount(), threads) << "the worker thread has ended";
    EXPECT_LT(CpuShareWhileSleeping(), 0.2) << "nothing left spinning";

    transport::CloseChannel(record);
    EXPECT_EQ(DescriptorsLeftOpen(baseline), Descriptors{}) << "the port or socket is released";
    instrument->Stop();
}

INSTANTIATE_TEST_SUITE_P(Over, UpgradeFaults, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "PseudoTerminal" : "Tcp";
                         });

}  // namespace
}  // namespace orvane::firmware
