#include "sim/bootloader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "io_helpers.h"
#include "sim/engine.h"
#include "sim/pty_endpoint.h"
#include "sim/sim_options.h"
#include "sim/tcp_endpoint.h"

using namespace std::string_literals;
using namespace orvane::sim;
using namespace orvane::sim::testio;

namespace {

const std::string kOk = "ok\r\n";
const std::string kRefused = std::string(kLoaderRefusal) + "\r\n";

std::string Record(uint8_t type, uint16_t address, const std::string& data) {
    std::string bytes = {static_cast<char>(data.size()), static_cast<char>(address >> 8),
                         static_cast<char>(address & 0xFF), static_cast<char>(type)};
    bytes += data;
    uint8_t sum = 0;
    for (char c : bytes) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
    bytes += static_cast<char>(-sum);
    std::string out = ":";
    char hex[3];
    for (char c : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", static_cast<uint8_t>(c));
        out += hex;
    }
    return out;
}

// What the console sends for a record: the record, its own LF, then CR LF.
std::string AsSent(const std::string& record) {
    return record + "\n\r\n";
}

struct Instrument {
    explicit Instrument(BootloaderConfig boot = {}) : engine(Config(boot)) {}
    static InstrumentConfig Config(BootloaderConfig boot) {
        InstrumentConfig c;
        c.bootloader = boot;
        return c;
    }
    std::string Say(const std::string& bytes) {
        engine.Feed(bytes.data(), bytes.size(), now);
        return engine.TakeOutput(now);
    }
    std::string Wait(uint32_t ms) {
        now += ms;
        return engine.TakeOutput(now);
    }
    // Into the bootloader, initialised, with the sector erased and selected.
    void Ready(int sector) {
        Say("\x19");
        Say(std::string(kLoaderInitCode) + "\n");
        Say(std::string(kLoaderSectorCodes[sector]) + "\n");
        Say("x");
        Wait(engine.config().bootloader.eraseMs);
    }
    const std::vector<std::string>& Events() { return engine.boot().events; }

    Engine engine;
    uint32_t now = 1000;
};

}  // namespace

TEST(SimBootloader, EntersProgramsAndRestartsIntoTheApplication) {
    BootloaderConfig boot;
    boot.eraseMs = 40;
    boot.sectorSize = 0x20000;
    Instrument sim(boot);
    const std::string identity = IdentityText(sim.engine.config()) + "\r\n";

    EXPECT_EQ(sim.Say("\x19"), "");
    EXPECT_TRUE(sim.engine.InBootloader());
    EXPECT_EQ(sim.Say("*IDN?\n"), std::string(kBootcodeDumpLine) + "\r\n");
    // Over TCP every text is followed by a zero byte; it changes nothing.
    EXPECT_EQ(sim.Say("6E0Bz\n\0"s), kOk);
    EXPECT_EQ(sim.Say("6D1Cy\n"), kOk);  // sector 1
    EXPECT_EQ(sim.Say("x"), "") << "the erase takes its time";
    EXPECT_EQ(sim.Wait(39), "");
    EXPECT_EQ(sim.Wait(1), kOk);

    // Data at 0x10 and, past an extended linear address record, at 0x10020.
    EXPECT_EQ(sim.Say(AsSent(Record(0, 0x0010, "\x12\x34"))), kOk);
    EXPECT_EQ(sim.Say(AsSent(Record(4, 0, "\x00\x01"s))), kOk);
    EXPECT_EQ(sim.Say(AsSent(Record(0, 0x0020, "\xAB"))), kOk);
    // Programming clears bits only: 0xAB then 0x0F leaves 0x0B.
    EXPECT_EQ(sim.Say(AsSent(Record(0, 0x0020, "\x0F"))), kOk);
    EXPECT_EQ(sim.Say(AsSent(Record(1, 0, ""))), kOk);
    EXPECT_EQ(sim.Say("\r\n\n\r"), "") << "empty lines get no answer";

    std::string image = sim.engine.boot().flash.Image(1);
    ASSERT_EQ(image.size(), 0x10021u);
    EXPECT_EQ(image.substr(0x10, 2), "\x12\x34");
    EXPECT_EQ(image[0x10020], '\x0B');
    EXPECT_EQ(image.substr(0x12, 0x10020 - 0x12), std::string(0x10020 - 0x12, '\xFF'));
    EXPECT_EQ(sim.engine.boot().flash.EraseCount(1), 1u);

    EXPECT_EQ(sim.Say("z\n"), "");
    EXPECT_FALSE(sim.engine.InBootloader());
    EXPECT_TRUE(sim.engine.TakeDropRequest());
    EXPECT_EQ(sim.Say("\x15*IDN?\n"), identity)
        << "the restart byte means nothing to the application";
    EXPECT_EQ(sim.Events(), (std::vector<std::string>{"enter", "init", "select 1", "erase 1",
                                                      "records 5", "restart"}));

    // The restart byte restarts it too, and a new run starts uninitialised.
    sim.Say("\x19");
    EXPECT_EQ(sim.Say("6D1Cy\n"), kRefused);
    EXPECT_EQ(sim.Say("\x15"), "");
    EXPECT_FALSE(sim.engine.InBootloader());
    EXPECT_EQ(sim.engine.boot().flash.Image(1), image) << "the flash outlives restarts";
}

TEST(SimBootloader, RefusesWhatItCannotTake) {
    BootloaderConfig boot;
    boot.eraseMs = 0;
    boot.sectorSize = 0x100;
    boot.refuseInit = 1;
    Instrument sim(boot);
    sim.Say("\x19");
    EXPECT_EQ(sim.Say(AsSent(Record(0, 0, "\x01"))), kRefused) << "not initialised";
    EXPECT_EQ(sim.Say("x"), kRefused);
    EXPECT_EQ(sim.Say("6E0Bz\n"), kRefused) << "the fault: refused once";
    EXPECT_EQ(sim.Say("6E0Bz\n"), kOk);
    EXPECT_EQ(sim.Say(AsSent(Record(0, 0, "\x01"))), kRefused) << "no sector selected";
    EXPECT_EQ(sim.Say("B93Dy\n"), kOk);  // sector 14
    EXPECT_EQ(sim.Say("x"), kOk);
    std::string good = Record(0, 0, "\x01\x02");
    std::string badSum = good.substr(0, good.size() - 2) + "00";
    EXPECT_EQ(sim.Say(AsSent(badSum)), kRefused);
    EXPECT_EQ(sim.Say(AsSent(":0100000G01")), kRefused);
    EXPECT_EQ(sim.Say(AsSent(Record(4, 0, "\x01"))), kRefused) << "wrong length for the type";
    EXPECT_EQ(sim.Say(AsSent(Record(0, 0xFF, "\x01\x02"))), kRefused)
        << "past the end of the sector";
    EXPECT_EQ(sim.Say(AsSent(std::string(":") + std::string(Bootloader::kMaxLine + 10, '0'))),
              kRefused);
    EXPECT_EQ(sim.Say("ok?\n"), kRefused);
    EXPECT_EQ(sim.Say("junk^[" + AsSent(good)), kOk) << "^[ throws away a half-typed line";
    EXPECT_EQ(sim.Say("1234y\n"), kRefused) << "no such access code";
    EXPECT_EQ(sim.engine.boot().flash.Image(14), "\x01\x02");
}

TEST(SimBootloader, FaultsAtRecords) {
    const std::string r1 = AsSent(Record(0, 0, "\x01")), r2 = AsSent(Record(0, 1, "\x02")),
                      r3 = AsSent(Record(0, 2, "\x03"));
    {
        BootloaderConfig boot;
        boot.refuseRecord = 2;
        boot.refuseRecordTimes = 3;
        boot.garbageAtRecord = 3;
        Instrument sim(boot);
        sim.Ready(0);
        EXPECT_EQ(sim.Say(r1), kOk);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(sim.Say(r2), kRefused) << i;
        EXPECT_EQ(sim.Say(r2), kOk) << "the same record, its fourth try";
        EXPECT_EQ(sim.Say(r3), std::string(kLoaderGarbage) + "\r\n");
        EXPECT_EQ(sim.Say(r3), kOk);
        EXPECT_EQ(sim.engine.boot().flash.Image(0), "\x01\x02\x03");
    }
    {
        BootloaderConfig boot;
        boot.duplicateAtRecord = 1;
        boot.lateAtRecord = 2;
        boot.lateMs = 300;
        Instrument sim(boot);
        sim.Ready(0);
        EXPECT_EQ(sim.Say(r1), kOk + kOk);
        EXPECT_EQ(sim.Say(r2), "") << "programmed, answered later";
        EXPECT_EQ(sim.Say(r2), "") << "the next answer waits behind the late one";
        EXPECT_EQ(sim.Wait(299), "");
        EXPECT_EQ(sim.Wait(1), kOk + kOk);
        EXPECT_EQ(sim.Say(r3), kOk);
        EXPECT_EQ(sim.Say(r1), kOk) << "each fault happens once";
        EXPECT_EQ(sim.engine.boot().flash.Image(0), "\x01\x02\x03");
        EXPECT_EQ(sim.Events(), (std::vector<std::string>{
                                    "enter", "init", "select 0", "erase 0", "records 1",
                                    "record 1 twice", "records 1", "record 2 late", "records 3"}));
    }
    {
        BootloaderConfig boot;
        boot.silentFromRecord = 2;
        Instrument sim(boot);
        sim.Ready(0);
        EXPECT_EQ(sim.Say(r1), kOk);
        EXPECT_EQ(sim.Say(r2 + r1 + "*IDN?\nz\n"), "");
        EXPECT_TRUE(sim.engine.InBootloader());
    }
    {
        BootloaderConfig boot;
        boot.hangUpAtRecord = 2;
        Instrument sim(boot);
        sim.Ready(0);
        EXPECT_EQ(sim.Say(r1), kOk);
        EXPECT_FALSE(sim.engine.HangUp());
        EXPECT_EQ(sim.Say(r2), "");
        EXPECT_TRUE(sim.engine.HangUp());
        EXPECT_EQ(sim.Events().back(), "hang-up at record 2");
    }
}

TEST(SimBootloader, RestartDropsTheTcpClientButNotTheSerialLine) {
    BootloaderConfig boot;
    boot.eraseMs = 0;
    InstrumentConfig config;
    config.bootloader = boot;
    const std::string identity = IdentityText(config) + "\r\n";

    TcpEndpoint tcp(config, "127.0.0.1", 0);
    ASSERT_TRUE(tcp.Ok() && tcp.Start());
    int fd = ConnectTcp("127.0.0.1", tcp.Port());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SendAll(fd,
                        "\x19\0"s
                        "6E0Bz\n\0"s));
    EXPECT_EQ(ReadLine(fd), kOk);
    ASSERT_TRUE(SendAll(fd, "z\n\0"s));
    EXPECT_TRUE(ClosedByPeer(fd));
    ::close(fd);
    fd = ConnectTcp("127.0.0.1", tcp.Port());
    ASSERT_TRUE(SendAll(fd, "*IDN?\n\0"s));
    EXPECT_EQ(ReadLine(fd), identity) << "the application answers the next connection";
    ::close(fd);
    tcp.Stop();

    PtyEndpoint pty(config);
    ASSERT_TRUE(pty.Ok() && pty.Start());
    int line = ::open(pty.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(line, 0);
    ASSERT_EQ(::write(line,
                      "\x19"
                      "6E0Bz\n",
                      7),
              7);
    EXPECT_EQ(ReadLine(line), kOk);
    ASSERT_EQ(::write(line, "z\n*IDN?\n", 8), 8);
    EXPECT_EQ(ReadLine(line), identity);
    EXPECT_FALSE(pty.Unplugged());
    ::close(line);
    pty.Stop();
}

TEST(SimBootloader, OptionsAndFlashImages) {
    char pattern[] = "/tmp/orvane2-boot-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string prefix = std::string(pattern) + "/flash,a";

    const std::string option =
        "erase-ms=7,sector-size=4096,fill=85,refuse-init=2,refuse-record=9x3,"
        "silent-from=20,garbage-at=5,hang-up-at=30,late-at=6:5500,duplicate-at=7,"
        "image=" +
        prefix;
    const char* argv[] = {"orvane2-sim", "--tcp", "127.0.0.1:0", "--bootloader", option.c_str()};
    SimOptions options;
    std::string error;
    ASSERT_TRUE(ParseSimOptions(5, argv, options, error)) << error;
    const BootloaderConfig& c = options.config.bootloader;
    EXPECT_EQ(c.eraseMs, 7u);
    EXPECT_EQ(c.sectorSize, 4096u);
    EXPECT_EQ(c.initialFill, 85);
    EXPECT_EQ(c.refuseInit, 2u);
    EXPECT_EQ(c.refuseRecord, 9u);
    EXPECT_EQ(c.refuseRecordTimes, 3u);
    EXPECT_EQ(c.silentFromRecord, 20u);
    EXPECT_EQ(c.garbageAtRecord, 5u);
    EXPECT_EQ(c.hangUpAtRecord, 30u);
    EXPECT_EQ(c.lateAtRecord, 6u);
    EXPECT_EQ(c.lateMs, 5500u);
    EXPECT_EQ(c.duplicateAtRecord, 7u);
    BootloaderConfig late;
    ASSERT_TRUE(ParseBootloaderOptions("late-at=3", late, error)) << error;
    EXPECT_EQ(late.lateMs, 6000u) << "longer than the console's time-out";
    EXPECT_EQ(c.imagePath, prefix);
    for (const char* bad : {"erase-ms=", "fill=256", "sector-size=0", "refuse-record=3x",
                            "late-at=3:", "duplicate-at=", "colour=red", "image="}) {
        BootloaderConfig ignored;
        EXPECT_FALSE(ParseBootloaderOptions(bad, ignored, error)) << bad;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }

    // A never-erased sector holds the fill, so programming it without an erase shows.
    BootloaderConfig clean = c;
    clean.refuseInit = 0;
    Instrument sim(clean);
    sim.Say(
        "\x19"
        "6E0Bz\n");
    sim.Say(std::string(kLoaderSectorCodes[2]) + "\n");
    sim.Say(AsSent(Record(0, 0, "\xFF\x0F")));
    sim.Say(std::string(kLoaderSectorCodes[3]) + "\nx");
    sim.Wait(7);
    sim.Say(AsSent(Record(0, 1, "\xA5")));
    sim.Say("z\n");
    auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read(prefix + ".2"), "\x55\x05");
    EXPECT_EQ(read(prefix + ".3"), "\xFF\xA5");
    EXPECT_FALSE(std::filesystem::exists(prefix + ".0"));
    EXPECT_EQ(read(prefix + ".log"),
              "enter\ninit\nselect 2\nrecords 1\nselect 3\nerase 3\nrecords 1\nrestart\n");
    std::filesystem::remove_all(pattern);
}
