#include "firmware/bootloader_protocol.h"

#include <gtest/gtest.h>

#include "platform/diagnostics.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using testing::HexRecord;
using testing::SimBench;

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

TEST(BootloaderProtocol, RepliesMustEndInOk) {
    for (const char* good : {"ok", "OK", "oK", "record ok", "not ok"})
        EXPECT_TRUE(EndsInOk(good)) << good;
    for (const char* bad : {"", "k", "ok ", "ok\n", "okay", "ERROR", "o"})
        EXPECT_FALSE(EndsInOk(bad)) << bad;
    EXPECT_EQ(PrintableReply("\x01#ok\x7f\""), "\"\\x01#ok\\x7F\\x22\"");
}

// The codes themselves are proven by every upgrade against the simulated bootloader.
TEST(BootloaderProtocol, SectorCodesOnlyWhereTheBootloaderHasThem) {
    for (int32_t none : {-1, 15, 99}) EXPECT_EQ(SectorAccessCode(none), "") << none;
    SimBench bench;
    ASSERT_TRUE(bench.Open());
    transport::ChannelSend(kEnterBootloader, bench.record);
    ASSERT_TRUE(SendAndExpectOk(kInitialiseCode, bench.record).ok);
    platform::Diagnostics log(bench.clock);
    bench.record.linkOptions.diagnostics = &log;
    LoaderReply reply = SendSectorCode(15, bench.record);
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(log.Transactions(), 0u) << "nothing sent, nothing read";
    EXPECT_EQ(reply.text, "");
    reply = SendSectorCode(4, bench.record);
    EXPECT_TRUE(reply.ok);
    EXPECT_EQ(reply.text, "ok");
    reply = SendAndExpectOk("?\n", bench.record);
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(reply.text, sim::kLoaderRefusal);
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
