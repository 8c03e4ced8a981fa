#include "app/instrument_clock.h"

#include <gtest/gtest.h>

#include "sim/command_interpreter.h"
#include "sim/memory_link.h"
#include "support/fake_clock.h"
#include "transport/channel.h"
#include "transport/tcp_link.h"

using namespace orvane;

// Six commands from one reading of the clock, each field two digits, the month
// counted from 0 and the year in the century; the instrument holds what was sent.
TEST(InstrumentClock, SixCommandsFromOneReading) {
    const struct {
        platform::LocalTime time;
        const char* fields[6];
    } rows[] = {
        {{2026, 1, 3, 6, 9, 5, 7, 0}, {"09", "05", "07", "03", "00", "26"}},
        {{1999, 12, 31, 5, 0, 0, 0, 0}, {"00", "00", "00", "31", "11", "99"}},
    };
    for (const auto& row : rows) {
        orvane::testing::FakeClock clock;
        clock.SetLocalTime(row.time);
        sim::MemoryLink link;
        transport::ConnectionRecord r;
        r.linkOptions.clock = &clock;
        r.interfaceKind = transport::InterfaceKind::Lan;
        r.link = std::make_unique<transport::TcpLink>(platform::UniqueFd(link.ReleaseClientFd()),
                                                      r.linkOptions);
        r.channelOpen = true;
        app::SetInstrumentClock(r);
        link.Pump(clock.TickCount());
        std::string wire;
        for (int i = 0; i < 6; ++i) {
            wire += "config," + std::to_string(sim::kClockSettingFirst + i) + "," + row.fields[i] +
                    std::string("\n\0", 2);
            EXPECT_EQ(link.engine().Setting(sim::kClockSettingFirst + i), row.fields[i]);
        }
        EXPECT_EQ(std::string(link.engine().received()), wire);
        transport::CloseChannel(r);
    }
}
