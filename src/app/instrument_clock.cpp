#include "app/instrument_clock.h"

#include <cstdio>

#include "platform/clock.h"
#include "transport/channel.h"

namespace orvane::app {

platform::LocalTime SetInstrumentClock(transport::ConnectionRecord& record) {
    const platform::LocalTime t = platform::ClockOrSystem(record.linkOptions.clock)->Now();
    const int values[6] = {t.hour, t.minute, t.second, t.day, t.month - 1, t.year % 100};
    for (int i = 0; i < 6; ++i) {
        char value[16];
        std::snprintf(value, sizeof value, "%02d", values[i]);
        char command[128];
        std::snprintf(command, sizeof command, "config,%d,%s\n", 240 + i, value);
        transport::ChannelSend(command, record);
    }
    return t;
}

}  // namespace orvane::app
