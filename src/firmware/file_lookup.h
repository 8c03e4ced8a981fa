#pragma once
// Finding the file a plan entry names, through the platform's find-first-file.

#include <string>
#include <string_view>

#include "firmware/upgrade_plan.h"

namespace orvane::firmware {

enum class NameKind {
    Exact,    // every character stands for itself
    Pattern,  // "*" and "?" are wildcards, as in the descriptor format; nothing else is
};

// Looks up folder + field (the folder ends with "/" or is empty) and fills the
// entry's path, facts and present flag. The folder never acts as a pattern, so
// a folder called "fw [old]" works. The first match in name order is taken (one
// that differs only in letter case when none matches as written) and the
// entry's path becomes that match, so whoever opens the path later opens
// the very file that was found and shown. Not found: path is folder + field,
// present stays false and the name is the field. A path that does not fit the
// path field is not looked up at all and is marked pathTooLong.
void LookUpEntryFile(LoadEntry& entry, std::string_view folder, std::string_view field,
                     NameKind kind);

// The text as a glob pattern that matches only itself.
std::string GlobLiteral(std::string_view text);

}  // namespace orvane::firmware
