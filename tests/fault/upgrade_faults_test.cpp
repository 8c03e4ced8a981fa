// The upgrade rows of the fault matrix: the bootloader hangs up while a file is
// being programmed, over a pseudo-terminal and over TCP. The upgrade ends with
// its error line at once, without restarting the instrument and without losing
// a record the instrument took, and no descriptor of the connection stays open.
// Refusals, silence and stray answers are the worker's own tests.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <numeric>
#include <random>

#include "../firmware/upgrade_test_bench.h"
#include "connection/connect_and_identify.h"
#include "fault_checks.h"
#include "firmware/firmware_texts.h"
#include "firmware/upgrade_flow.h"
#include "platform/text_format.h"
#include "support/fake_upgrade_dialogs.h"
#include "support/temp_folder.h"

namespace orvane::firmware {
namespace {

using orvane::testing::CpuShareWhileSleeping;
using orvane::testing::DescriptorsLeftOpen;
using orvane::testing::OpenDescriptors;
using platform::Format;
using namespace testing;
using Descriptors = std::set<std::string>;
using Lines = std::vector<std::string>;

constexpr int kRecords = 80;  // data records of main.hex; the end record is number kRecords + 1
constexpr uint32_t kSlackMs = 1000;
// Virtual time from the worker's start to its first record.
const uint32_t kBeforeRecordsMs =
    kSettleBeforeEntryMs + kBootloaderStartMs + sim::BootloaderConfig{}.eraseMs;

// What the first `records` records of HexFile put into the flash.
std::string Flash(int records) {
    std::string want(static_cast<std::size_t>(records) * 16, '\0');
    for (std::size_t i = 0; i < want.size(); ++i) want[i] = static_cast<char>(i);
    return want;
}

// The two last log lines of a run that failed at this record for want of a reply.
Lines HungUpAt(int record) {
    uint32_t address = record <= kRecords ? static_cast<uint32_t>(record - 1) * 16 : 0;
    return {Format(kSendFailedLog, "main.hex"),
            Format(kRecordRefusedLog, static_cast<long long>(record), address, kRecordTries,
                   kNoReplyText)};
}

uint32_t FaultSeed() {
    if (const char* fixed = std::getenv("ORVANE2_FAULT_SEED"))
        return static_cast<uint32_t>(std::strtoul(fixed, nullptr, 0));
    return std::random_device{}();
}

// Runs over a pseudo-terminal (true) and over TCP (false).
class UpgradeFaults : public ::testing::TestWithParam<bool> {
  protected:
    TempFolder dir_;
    const std::string hex_ = dir_.Write("main.hex", HexFile(kRecords));
};

TEST_P(UpgradeFaults, HangUpAtRandomRecordsKeepsWhatWasTaken) {
    const uint32_t seed = FaultSeed();
    SCOPED_TRACE("ORVANE2_FAULT_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    std::vector<int> records(kRecords + 1);
    std::iota(records.begin(), records.end(), 1);
    std::shuffle(records.begin(), records.end(), random);
    records.resize(20);

    for (int at : records) {
        SCOPED_TRACE("hang-up at record " + std::to_string(at));
        sim::BootloaderConfig boot;
        boot.hangUpAtRecord = static_cast<uint32_t>(at);
        WorkerRun run({Entry(dir_, "main.hex", 0)});
        SimBench bench(Instrument(boot), GetParam());
        const Descriptors baseline = OpenDescriptors();
        run.On(bench);
        EXPECT_FALSE(run.context.succeeded);
        EXPECT_FALSE(bench.ToldToRestart()) << "no restart after a failure";
        EXPECT_EQ(run.notes.finished, 1);
        ASSERT_GE(run.notes.log.size(), 2u);
        EXPECT_EQ(Lines(run.notes.log.end() - 2, run.notes.log.end()), HungUpAt(at));
        EXPECT_LT(run.elapsed, kBeforeRecordsMs + kSlackMs) << "a dead line fails at once";
        EXPECT_EQ(bench.Image(0), Flash(std::min(at - 1, kRecords)));
        EXPECT_EQ(bench.events().back(), "hang-up at record " + std::to_string(at));
        transport::CloseChannel(bench.record);
        bench.clock.Advance(10);  // the instrument sees the close and lets its end go
        EXPECT_EQ(DescriptorsLeftOpen(baseline), Descriptors{});
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
    transport::ConnectionRecord record;
    auto instrument = MakeInstrument(Instrument(boot), GetParam(), record);
    ASSERT_TRUE(instrument->Start());
    PausesSkipped clock;
    record.linkOptions.clock = &clock;
    const Descriptors baseline = OpenDescriptors();
    const auto threads = [] {
        using Entries = std::filesystem::directory_iterator;
        return std::distance(Entries("/proc/self/task"), Entries());
    };
    const auto threadsBefore = threads();

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
    EXPECT_EQ(Lines(view.log.end() - 2, view.log.end()), HungUpAt(kAt));
    instrument->WithEngine([&](sim::Engine& engine) {
        EXPECT_FALSE(ToldToRestart(engine.received()));
        EXPECT_EQ(engine.boot().events.back(), "hang-up at record " + std::to_string(kAt));
        EXPECT_EQ(engine.boot().flash.Image(0), Flash(kAt - 1));
    });
    EXPECT_EQ(threads(), threadsBefore) << "the worker thread has ended";
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
