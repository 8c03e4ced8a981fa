#pragma once
// Which plan entries apply to the connected instrument. The preview and the
// worker both decide with these, so the worker does exactly what was shown.

#include <cstdint>
#include <string_view>

#include "firmware/upgrade_plan.h"

namespace orvane::firmware {

// The third comma field of the identity reply as a number; -1 when the reply
// has fewer than three fields, which excludes nothing.
int32_t SerialFromIdentity(std::string_view identity);

// The entry's serial bounds leave this instrument out. A bound of 0 is no bound.
bool SerialExcludes(const LoadEntry& entry, int32_t serial);

// The entry will be programmed: its file was found and its serial rule admits
// this instrument.
inline bool TakesPart(const LoadEntry& entry, int32_t serial) {
    return entry.present && !SerialExcludes(entry, serial);
}

}  // namespace orvane::firmware
