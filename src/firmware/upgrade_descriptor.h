#pragma once
// Upgrade descriptor files ("*.upg", "*.upx"): the target model, a version rule
// and a warning per target slot, and the hex file for each flash sector.
//
//   TARGET,<model>[,<version>,<gt|gteq|lt|lteq|eq>]
//   WARNING,<text shown before the upgrade>
//   SERIAL,<entries 1..9>,<lowest serial>,<highest serial>
//   LOAD,<sector>,<file>      erase the sector, then program the file
//   OVER,<sector>,<file>      program without erasing

#include <cstdint>
#include <string>

#include "firmware/upgrade_plan.h"

namespace orvane::firmware {

// Result of a descriptor that describes more than the two targets a plan can
// hold. planError is set as well, so nothing can be erased with it.
inline constexpr int32_t kDescriptorRefused = -2;

// Fills the plan and the target rules from the descriptor at path. The caller
// passes both zero-filled and planError false; planError is set for a sector
// out of range. Result: the number of entries in the slot being filled when
// reading stopped (0 when the file cannot be read or holds no usable LOAD/OVER
// line), or kDescriptorRefused. maxEntries is capped at the slot's capacity.
int32_t ParseUpgradeDescriptor(const std::string& path, LoadPlan& plan, int32_t maxEntries,
                               UpgradeContext& context, bool& planError);

}  // namespace orvane::firmware
