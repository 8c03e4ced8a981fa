#pragma once
// The RTF text of the "Firmware Files List" dialog: which sectors will be
// erased and which hex file goes into which sector, with each file's date and
// time. Every file that takes part is proven with CheckHexFile first; a file
// that fails is shown in red, and why (with the line) in red under the table.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "firmware/upgrade_plan.h"

namespace orvane::firmware {

// Shown under an entry whose full path did not fit the path field.
inline constexpr char kPathTooLongText[] = "path longer than 259 characters";

// Renders the listed entries of one target slot (the flow passes its first
// entryCount entries). Lower-cases each entry's file name in place, as later
// messages show it. Sets planError for a missing or unsound file and for an
// erase sector outside 0..MaxSector or beyond the loader's sectors; never
// clears it. File times are shown in the machine's local time. Nothing when no
// memory could be had for the text.
std::optional<std::string> BuildPlanPreview(std::span<LoadEntry> entries, std::string_view identity,
                                            std::string_view targetModel, bool& planError);

// "dd/mm/yy hh:mm" in local time, or "--/--/--" for a time within the first
// day after 1970, which stands for no time at all.
std::string FormatFileTime(int64_t secondsSince1970);

}  // namespace orvane::firmware
