#pragma once
// A simulated instrument on loopback TCP (or a pseudo-terminal) answering in
// virtual time, with the connection record that reaches it, for the worker,
// dialog, flow and fault tests; the worker run against it; and plan entries
// made from files written in the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/file_lookup.h"
#include "firmware/upgrade_notes.h"
#include "firmware/upgrade_plan.h"
#include "firmware/upgrade_worker.h"
#include "sim/bootloader.h"
#include "sim/engine.h"
#include "sim/pty_endpoint.h"
#include "sim/tcp_endpoint.h"
#include "support/fake_clock.h"
#include "transport/channel.h"

namespace orvane::firmware::testing {

// The instrument was told to restart: "z\n" or the restart byte reached it
// (wire: what it received) outside the code 0 that also ends in "z\n".
inline bool ToldToRestart(std::string_view wire) {
    std::size_t restarts = 0, codes = 0;
    for (std::size_t at = wire.find("z\n"); at != std::string_view::npos;
         at = wire.find("z\n", at + 1)) {
        ++restarts;
        if (at >= 4 && wire.substr(at - 4, 6) == "6E0Bz\n") ++codes;
    }
    return restarts > codes || wire.find('\x15') != std::string_view::npos;
}

inline sim::InstrumentConfig Instrument(sim::BootloaderConfig boot = {}) {
    sim::InstrumentConfig config;
    config.bootloader = boot;
    return config;
}

class SimBench {
  public:
    // serial: a pseudo-terminal as a USB port; otherwise TCP.
    explicit SimBench(sim::InstrumentConfig config = Instrument(), bool serial = false) {
        if (serial) {
            pty_ = std::make_unique<sim::PtyEndpoint>(config);
            endpoint_ = pty_.get();
            record.interfaceKind = transport::InterfaceKind::Usb;
            record.comPort = pty_->DevicePath();
            record.baudRate = 19200;
        } else {
            tcp_ = std::make_unique<sim::TcpEndpoint>(config, "127.0.0.1", 0);
            endpoint_ = tcp_.get();
            record.linkOptions.tcpPort = tcp_->Port();
            record.interfaceKind = transport::InterfaceKind::Lan;
            record.ipAddress = "127.0.0.1";
        }
        pump_ = clock.AddPump([this](uint32_t now) { endpoint_->Pump(now); });
        record.linkOptions.clock = &clock;
        record.identity = sim::IdentityText(config);
    }
    ~SimBench() {
        transport::CloseChannel(record);
        clock.RemovePump(pump_);
    }
    SimBench(const SimBench&) = delete;
    SimBench& operator=(const SimBench&) = delete;

    bool Open() { return transport::OpenChannel(record) == 0; }
    sim::Engine& engine() { return endpoint_->engine(); }
    const std::vector<std::string>& events() { return engine().boot().events; }
    std::string Image(int sector) { return engine().boot().flash.Image(sector); }
    bool ToldToRestart() { return testing::ToldToRestart(engine().received()); }

    orvane::testing::FakeClock clock;
    transport::ConnectionRecord record;

  private:
    std::unique_ptr<sim::TcpEndpoint> tcp_;
    std::unique_ptr<sim::PtyEndpoint> pty_;
    sim::Endpoint* endpoint_ = nullptr;
    int pump_ = 0;
};

// The worker's notes, kept in order.
struct RecordedNotes : UpgradeNotes {
    void NoteStatus(std::string text) override { statuses.push_back(std::move(text)); }
    void NoteLog(std::string line) override { log.push_back(std::move(line)); }
    void NoteProgress(int percent) override { progress.push_back(percent); }
    void NoteFinished() override { ++finished; }

    std::vector<std::string> statuses;
    std::vector<std::string> log;
    std::vector<int> progress;
    int finished = 0;
};

// The worker run on this thread against a bench, in the bench's virtual time.
struct WorkerRun {
    UpgradeContext context{};
    RecordedNotes notes;
    LoadSlot slot{};
    uint32_t elapsed = 0;

    explicit WorkerRun(std::vector<LoadEntry> entries) {
        std::copy(entries.begin(), entries.end(), slot.begin());
        context.entries = slot.data();
        context.dialogWindow = &notes;
    }
    void On(SimBench& bench) {
        ASSERT_TRUE(bench.Open());
        uint32_t start = bench.clock.TickCount();
        UpgradeWorker(context, bench.record);
        elapsed = bench.clock.TickCount() - start;
    }
};

// A plan entry for a file of the folder, looked up as the descriptor parser does.
inline LoadEntry Entry(const std::string& folder, const std::string& name, int32_t sector,
                       bool noErase = false) {
    LoadEntry entry;
    LookUpEntryFile(entry, folder, name, NameKind::Exact);
    entry.sector = sector;
    entry.noErase = noErase;
    return entry;
}

}  // namespace orvane::firmware::testing
