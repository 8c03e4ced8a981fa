#include "app/instrument_clock.h"

#include <gtest/gtest.h>

#include "sim/command_interpreter.h"
#include "sim/memory_link.h"
#include "support/fake_clock.h"
#include "transport/channel.h"
#include "transport/tcp_link.h"

using namespace orvane;

// Six commands from one reading of the clock, each field two digits, the month
// counted from 0 and the year in the century.
TEST(InstrumentClock, SixCommandsFromOneReading) {
    orvane::testing::FakeClock clock;
    clock.SetLocalTime({2026, 1, 3, 6, 9, 5, 7, 0});
    sim::MemoryLink link;
    transport::ConnectionRecord r;
    r.linkOptions.clock = &clock;
    r.interfaceKind = transport::InterfaceKind::Lan;
    r.link = std::make_unique<transport::TcpLink>(platform::UniqueFd(link.ReleaseClientFd()),
                                                  r.linkOptions);
    r.channelOpen = true;
    app::SetInstrumentClock(r);
    link.Pump(clock.TickCount());
    const char* fields[] = {"09", "05", "07", "03", "00", "26"};
    std::string wire;
    for (int i = 0; i < 6; ++i)
        wire += "config," + std::to_string(sim::kClockSettingFirst + i) + "," + fields[i] +
                std::string("\n\0", 2);
    EXPECT_EQ(std::string(link.engine().received()), wire);
    transport::CloseChannel(r);
}
