#pragma once
// Setting the instrument's clock from this computer's clock.

#include "platform/clock.h"
#include "transport/connection_record.h"

namespace orvane::app {

// Sends the six clock commands (hour, minute, second, day, month - 1, year % 100),
// all from one reading of the local time, which is returned. Replies are left to
// the results pane.
platform::LocalTime SetInstrumentClock(transport::ConnectionRecord& record);

}  // namespace orvane::app
