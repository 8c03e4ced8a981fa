#pragma once
// The firmware subsystem's own texts: captions and messages shown to the user.

namespace orvane::firmware {

inline constexpr char kUpgradeFirmwareTitle[] = "Upgrade Firmware";
inline constexpr char kFilesListTitle[] = "Firmware Files List";

inline constexpr char kChooseMainHexFileText[] =
    "Please choose the main hex file for the Instrument to upgrade";

// Shown by the upgrade flow (title kUpgradeFirmwareTitle) for kDescriptorRefused.
inline constexpr char kTooManyTargetsText[] =
    "The upgrade descriptor file describes more than two targets and cannot be used.\n\n"
    "Nothing has been erased or programmed.";

}  // namespace orvane::firmware
