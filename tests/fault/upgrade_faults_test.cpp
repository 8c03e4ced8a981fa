// The upgrade rows of the fault matrix: the bootloader hangs up while a file is
// being programmed, over a pseudo-terminal and over TCP.

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "../firmware/upgrade_test_bench.h"
#include "fault_checks.h"
#include "firmware/firmware_texts.h"
#include "platform/text_format.h"

namespace orvane::firmware {
namespace {

using namespace testing;
using Descriptors = std::set<std::string>;
using Lines = std::vector<std::string>;

constexpr int kRecords = 80;  // data records of main.hex; the end record is number kRecords + 1

uint32_t FaultSeed() {
    if (const char* fixed = std::getenv("ORVANE2_FAULT_SEED"))
        return static_cast<uint32_t>(std::strtoul(fixed, nullptr, 0));
    return std::random_device{}();
}

// Over a pseudo-terminal (true) and over TCP (false).
class UpgradeFaults : public ::testing::TestWithParam<bool> {};

// The upgrade ends with its error line at once, without restarting the
// instrument or losing a record it took, and releases the connection.
TEST_P(UpgradeFaults, HangUpAtRandomRecordsKeepsWhatWasTaken) {
    const uint32_t seed = FaultSeed();
    SCOPED_TRACE("ORVANE2_FAULT_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    std::vector<int> records(kRecords + 1);
    std::iota(records.begin(), records.end(), 1);
    std::shuffle(records.begin(), records.end(), random);
    records.resize(20);

    TempFolder dir;
    dir.Write("main.hex", HexFile(kRecords));
    for (int at : records) {
        SCOPED_TRACE("hang-up at record " + std::to_string(at));
        WorkerRun run({Entry(dir, "main.hex", 0)});
        SimBench bench(Instrument("hang-up-at=" + std::to_string(at)), GetParam());
        const Descriptors baseline = orvane::testing::OpenDescriptors();
        run.On(bench);
        EXPECT_FALSE(run.context.succeeded);
        EXPECT_FALSE(bench.ToldToRestart()) << "no restart after a failure";
        ASSERT_GE(run.log.size(), 2u);
        const uint32_t address = at <= kRecords ? static_cast<uint32_t>(at - 1) * 16 : 0;
        EXPECT_EQ(Lines(run.log.end() - 2, run.log.end()),
                  (Lines{platform::Format(kSendFailedLog, "main.hex"),
                         platform::Format(kRecordRefusedLog, static_cast<long long>(at), address,
                                          kRecordTries, kNoReplyText)}));
        EXPECT_LT(run.elapsed, kSettleBeforeEntryMs + kBootloaderStartMs +
                                   sim::BootloaderConfig{}.eraseMs + 1000)
            << "a dead line fails at once";
        EXPECT_EQ(bench.Image(0), Flash(std::min(at - 1, kRecords)));
        transport::CloseChannel(bench.record);
        bench.clock.Advance(10);  // the instrument sees the close and lets its end go
        EXPECT_EQ(orvane::testing::DescriptorsLeftOpen(baseline), Descriptors{});
    }
}

INSTANTIATE_TEST_SUITE_P(Over, UpgradeFaults, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "PseudoTerminal" : "Tcp";
                         });

}  // namespace
}  // namespace orvane::firmware
