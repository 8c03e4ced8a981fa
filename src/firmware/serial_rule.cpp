#include "firmware/serial_rule.h"

#include "platform/text.h"

namespace orvane::firmware {

int32_t SerialFromIdentity(std::string_view identity) {
    auto fields = platform::SplitTerminated(identity, ',');
    if (fields.size() < 3) return -1;
    return platform::ReadDecimal(fields[2]).value;
}

bool SerialExcludes(const LoadEntry& entry, int32_t serial) {
    if (serial < 0) return false;
    if (entry.serialLow != 0 && serial < entry.serialLow) return true;
    return entry.serialHigh != 0 && serial > entry.serialHigh;
}

}  // namespace orvane::firmware
