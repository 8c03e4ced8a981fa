#pragma once
// Hex files, a simulated instrument with the record that reaches it, and the
// worker run against it in virtual time.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "firmware/file_lookup.h"
#include "firmware/upgrade_notes.h"
#include "firmware/upgrade_worker.h"
#include "platform/text_format.h"
#include "sim/bootloader.h"
#include "sim/bootloader_config.h"
#include "sim/engine.h"
#include "support/fake_clock.h"
#include "support/sim_endpoint.h"
#include "support/temp_folder.h"
#include "transport/channel.h"

namespace orvane::firmware::testing {

using orvane::testing::TempFolder;

// One Intel HEX record with its checksum, without a line end.
inline std::string HexRecord(uint8_t type, uint16_t address, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(data.size()),
                                  static_cast<uint8_t>(address >> 8),
                                  static_cast<uint8_t>(address & 0xFF), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum - b);
    bytes.push_back(sum);
    std::string out = ":";
    for (uint8_t b : bytes) out += platform::Format("%02X", b);
    return out;
}

// What HexFile(records) puts into the flash: bytes counting up from 0.
inline std::string Flash(int records) {
    std::string bytes(static_cast<std::size_t>(records) * 16, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i);
    return bytes;
}

// A sound hex file: `records` data records of 16 bytes, then the end record.
inline std::string HexFile(int records, const std::string& lineEnd = "\r\n") {
    std::string out, flash = Flash(records);
    for (int i = 0; i < records; ++i) {
        const auto* data = reinterpret_cast<const uint8_t*>(flash.data()) + i * 16;
        out += HexRecord(0, static_cast<uint16_t>(i * 16), {data, data + 16}) + lineEnd;
    }
    return out + HexRecord(1, 0, {}) + lineEnd;
}

// An instrument whose bootloader behaves as the simulator's option says.
inline sim::InstrumentConfig Instrument(std::string_view bootloader = "") {
    sim::InstrumentConfig config;
    std::string error;
    EXPECT_TRUE(sim::ParseBootloaderOptions(bootloader, config.bootloader, error)) << error;
    return config;
}

// The instrument, over TCP or a pseudo-terminal (a USB port), answers in the
// virtual time of a fake clock.
class SimBench {
  public:
    explicit SimBench(sim::InstrumentConfig config = Instrument(), bool serial = false) {
        endpoint_ = orvane::testing::AttachSim(record, config, serial);
        pump_ = clock.AddPump([this](uint32_t now) { endpoint_->Pump(now); });
        record.linkOptions.clock = &clock;
        record.identity = sim::IdentityText(config);
    }
    ~SimBench() {
        transport::CloseChannel(record);
        clock.RemovePump(pump_);
    }

    bool Open() { return transport::OpenChannel(record) == 0; }
    sim::Engine& engine() { return endpoint_->engine(); }
    const std::vector<std::string>& events() { return engine().boot().events; }
    std::string Image(int sector) { return engine().boot().flash.Image(sector); }
    // "z\n" outside the code 0 that also ends in it, or the restart byte, was received.
    bool ToldToRestart() {
        std::string_view wire = engine().received();
        std::size_t restarts = 0, codes = 0;
        for (auto at = wire.find("z\n"); at != wire.npos; at = wire.find("z\n", at + 1)) {
            ++restarts;
            codes += at >= 4 && wire.substr(at - 4, 6) == "6E0Bz\n";
        }
        return restarts > codes || wire.find('\x15') != wire.npos;
    }

    orvane::testing::FakeClock clock;
    transport::ConnectionRecord record;

  private:
    std::unique_ptr<sim::Endpoint> endpoint_;
    int pump_ = 0;
};

// The worker run on this thread against a bench, in the bench's virtual time,
// with its notes kept in order.
struct WorkerRun : UpgradeNotes {
    explicit WorkerRun(std::vector<LoadEntry> entries) {
        std::copy(entries.begin(), entries.end(), slot.begin());
        context.entries = slot.data();
        context.dialogWindow = this;
    }
    void On(SimBench& bench) {
        ASSERT_TRUE(bench.Open());
        uint32_t start = bench.clock.TickCount();
        UpgradeWorker(context, bench.record);
        elapsed = bench.clock.TickCount() - start;
    }
    void NoteStatus(std::string) override {}
    void NoteLog(std::string line) override { log.push_back(std::move(line)); }
    void NoteProgress(int percent) override { progress.push_back(percent); }
    void NoteFinished() override { ++finished; }

    UpgradeContext context{};
    LoadSlot slot{};
    uint32_t elapsed = 0;
    std::vector<std::string> log;
    std::vector<int> progress;
    int finished = 0;
};

// A plan entry for a file of the folder, looked up as the descriptor parser does.
inline LoadEntry Entry(const TempFolder& folder, const std::string& name, int32_t sector) {
    LoadEntry entry;
    LookUpEntryFile(entry, folder.path() + "/", name, NameKind::Exact);
    entry.sector = sector;
    return entry;
}

}  // namespace orvane::firmware::testing
