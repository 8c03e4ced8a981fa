#include "transport/comms_log.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/diagnostics.h"
#include "platform/text_format.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"
#include "transport/connection_record.h"

using namespace orvane::transport;
using namespace orvane::platform;
using orvane::testing::FakeClock;

TEST(CommsLog, FileGetsHeaderAndOneLinePerTransaction) {
    FakeClock clock;
    clock.SetLocalTime({2026, 1, 3, 6, 9, 5, 3, 7});
    Diagnostics log(clock);
    // The trace stamps each line and passes its text unchanged, never as a format.
    std::string out;
    log.SetSink([&](std::string_view s) { out += s; });
    log.TraceLine("100%s %d\n");
    EXPECT_EQ(out, "[09:05:03.007] 100%s %d\n");

    orvane::testing::TempFolder folder;
    const std::string& dir = folder.path();
    // A folder that is not there is refused, not made.
    EXPECT_EQ(log.SetCommsLogFile(dir + "/deep/comms.log"),
              Format(kCommsLogNoFolder, (dir + "/deep").c_str()));
    // Only a regular file will do: a folder or a device never keeps the log.
    EXPECT_EQ(log.SetCommsLogFile(dir), Format(kCommsLogIsFolder, dir.c_str()));
    EXPECT_EQ(log.SetCommsLogFile("/dev/full"), Format(kCommsLogNotAFile, "/dev/full"));
    EXPECT_FALSE(log.CommsLogEnabled());

    auto record = [&](const char* identity) {
        ConnectionRecord r;
        r.linkOptions.diagnostics = &log;
        r.identity = identity;
        return r;
    };
    // An empty serial field still counts; an identity without one has "unknown".
    ConnectionRecord known = record("Kelmscot,TRV88,,V1"), unknown = record("Kelmscot,TRV88");
    uint64_t before = log.Transactions();
    CommsLogSend("*IDN?\n", known);  // switch off: counted, not written
    EXPECT_EQ(log.Transactions(), before + 1);

    EXPECT_EQ(log.SetCommsLogFile(folder / "comms.log"), "");
    CommsLogSend("\x14", record("Kelmscot,TRV88,12345,V1"));
    CommsLogSend("*IDN?\n", known);
    CommsLogReceive("Kelmscot,TRV88,12345,V1", unknown);
    CommsLogSend("^[", known);  // no line end of its own
    log.SetCommsLogFile("");

    auto entry = [&](uint64_t n) {  // stamp and transaction number
        const std::string number = std::to_string(before + n);
        return "[09:05:03.007] (" + std::string(5 - number.size(), '0') + number + ")";
    };
    EXPECT_EQ(folder.Read("comms.log"),
              "Kelmscot Orvane2 CommsLog\nSoftware Version 1_4 (build 18)\n[09:05:03.007] "
              "***\tLOG FILE OPENED\t***\n" +
                  entry(2) + " [serial:12345]>>\t\\024\n" + entry(3) + " [serial:]>>\t*IDN?\n" +
                  entry(4) + " [serial:unknown] <<\tKelmscot,TRV88,12345,V1\n" + entry(5) +
                  " [serial:]>>\t^[\n");
}
