#include "firmware/serial_rule.h"

#include "firmware/text_fields.h"

namespace orvane::firmware {

int32_t SerialFromIdentity(std::string_view identity) {
    auto fields = SplitFields(identity);
    if (fields.size() < 3) return -1;
    return DecimalValue(fields[2]);
}

bool SerialExcludes(const LoadEntry& entry, int32_t serial) {
    if (serial < 0) return false;
    if (entry.serialLow != 0 && serial < entry.serialLow) return true;
    return entry.serialHigh != 0 && serial > entry.serialHigh;
}

}  // namespace orvane::firmware
