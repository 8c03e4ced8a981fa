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

// The "Upgrade Firmware" dialog and its worker.
inline constexpr char kFinishedCaption[] = "Finished";
inline constexpr char kThreadStartFailedText[] = "Failed to start the firmware upgrade thread!";
inline constexpr char kInitialisingStatus[] = "Initialising Instrument";
inline constexpr char kInitialisedLog[] = "Instrument initialised OK";
inline constexpr char kInitFailedLog[] = "ERROR: Instrument failed to initialise";
inline constexpr char kSkippingSectorStatus[] = "Skipping sector %d";
inline constexpr char kErasingSectorStatus[] = "Erasing sector %d";
inline constexpr char kEraseFailedLog[] = "ERROR: Failed to erase sector %d";
inline constexpr char kAllErasedLog[] = "All sectors erased OK";
inline constexpr char kSendingFileStatus[] = "Sending file %s";
inline constexpr char kSendFailedLog[] = "ERROR: Failed to send file %s";
inline constexpr char kFirmwareSentLog[] = "Firmware sent OK";
inline constexpr char kRestartingStatus[] = "Restarting Instrument";
inline constexpr char kFinishedStatus[] = "Finished";
// Follows the usual error line, so the user can tell where the file stopped.
inline constexpr char kRecordRefusedLog[] =
    "Line %lld (address %08X) was refused %d times; the last reply was %s";
inline constexpr char kNoReplyText[] = "no reply";
inline constexpr char kNoAccessCodeLog[] =
    "Sector %d has no bootloader access code; nothing was sent for it";
inline constexpr char kCannotOpenFileLog[] = "Cannot open %s: %s";

// The upgrade command.
inline constexpr char kSelectFirmwareFileTitle[] = "Select Firmware Upgrade File";
inline constexpr char kDescriptorFilterName[] = "Upgrade Descriptor";
inline constexpr char kDescriptorFilterPattern[] = "*.up*";
inline constexpr char kHexFilterName[] = "Hex Firmware";
inline constexpr char kHexFilterPattern[] = "*.hex";
inline constexpr char kLanHlxText[] =
    "HLX4377 and HLXM4328 instruments can only upgrade firmware using a serial connection";
inline constexpr char kNoInstrumentQuestion[] =
    "No instrument was detected.\n\nDo you want to try and continue with the upgrade";
inline constexpr char kNoLoadLinesText[] =
    "No valid load lines found in the upgrade descriptor file";
// With the limit of LOAD and OVER lines per target, and that limit less one.
inline constexpr char kTooManyLoadLinesText[] =
    "The upgrade descriptor file has %d or more LOAD and OVER lines for one target; at most %d can "
    "be used.\n\n"
    "Nothing has been erased or programmed.";
// With the instrument's serial number: every file's serial range leaves it out.
inline constexpr char kNothingAppliesText[] =
    "Nothing in the upgrade descriptor file applies to this instrument (serial number %d).\n\n"
    "Nothing has been erased or programmed.";
inline constexpr char kModelMismatchText[] =
    "The upgrade file is for a %s. You are connected to a %s\n\nPlease ensure the firmware file "
    "name and "
    "target instrument model match before continuing\n";
inline constexpr char kUnknownModelText[] = "Unknown Model";
inline constexpr char kVersionUnreadableText[] =
    "Error communicating with instrument, unable to determine instrument internal version";
inline constexpr char kIncompatibleText[] =
    "The connected instrument is incompatible with the selected firmware";
inline constexpr char kNoTargetText[] =
    "Error reading firmware, unable to determine firmware target";
inline constexpr char kFirmwareWarningTitle[] = "Firmware Warning";

}  // namespace orvane::firmware
