#pragma once
// A plan made straight from a main hex file and its companions, for when the
// user picks a ".hex" file rather than an upgrade descriptor: AB_1234.hex
// brings DSP_1234.hex into sector 2, FPG_1234.hex into sector 1 and itself
// into sector 0, all from its own folder.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "firmware/upgrade_plan.h"
#include "ui/message_box.h"

namespace orvane::firmware {

// Product codes whose main-file names begin with them have firmware without an
// FPGA part; compared without regard to case.
inline constexpr std::array<std::string_view, 2> kNoFpgaPrefixes = {"QM", "VR"};

// Fills slot 0 of the plan and its entry count. Result: the number of entries
// (2 or 3), or -1 after telling the user when the name is not of the form
// letter, letter-or-digit, "_". A companion or main file that is missing sets
// planError and stays in the plan, so the preview shows what was looked for.
int32_t BuildHexLoadPlan(ui::MessageBoxes& owner, const std::string& mainPath, LoadPlan& plan,
                         bool& planError);

}  // namespace orvane::firmware
