#include "app/instrument_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/command_interpreter.h"
#include "sim/memory_link.h"
#include "support/fake_clock.h"
#include "transport/channel.h"
#include "transport/tcp_link.h"

using namespace orvane;

namespace {
// The clock commands an instrument receives when its clock is set at time t,
// and the clock it then holds.
std::string Sent(const platform::LocalTime& t, std::vector<std::string>* clockRead = nullptr) {
    orvane::testing::FakeClock clock;
    clock.SetLocalTime(t);
    sim::MemoryLink link;
    transport::ConnectionRecord r;
    r.linkOptions.clock = &clock;
    r.interfaceKind = transport::InterfaceKind::Lan;
    r.link = std::make_unique<transport::TcpLink>(platform::UniqueFd(link.ReleaseClientFd()),
                                                  r.linkOptions);
    r.channelOpen = true;
    app::SetInstrumentClock(r);
    link.Pump(clock.TickCount());
    std::string wire(link.engine().received());
    for (int i = 0; clockRead && i < 6; ++i)
        clockRead->push_back(link.engine().Setting(sim::kClockSettingFirst + i));
    transport::CloseChannel(r);
    return wire;
}
}  // namespace

TEST(InstrumentClock, SixCommandsFromOneReading) {
    platform::LocalTime t;
    t.year = 2026;
    t.month = 1;
    t.day = 3;
    t.hour = 9;
    t.minute = 5;
    t.second = 7;
    std::vector<std::string> clock;
    EXPECT_EQ(Sent(t, &clock), std::string("config,240,09\n\0config,241,05\n\0config,242,07\n\0"
                                           "config,243,03\n\0config,244,00\n\0config,245,26\n\0",
                                           6 * 15));
    EXPECT_EQ(clock, (std::vector<std::string>{"09", "05", "07", "03", "00", "26"}));
    t = {1999, 12, 31, 5, 0, 0, 0, 0};
    std::string wire = Sent(t);
    EXPECT_NE(wire.find("config,240,00\n"), std::string::npos);  // midnight
    EXPECT_NE(wire.find("config,244,11\n"), std::string::npos);  // December
    EXPECT_NE(wire.find("config,245,99\n"), std::string::npos);
}
