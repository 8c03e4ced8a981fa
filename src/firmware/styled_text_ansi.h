#pragma once
// Styled runs as terminal text, for the command-line front end.

#include <string>
#include <vector>

#include "firmware/rtf_reader.h"

namespace orvane::firmware {

// With colour: 24-bit colour, bold and underline escapes, reset at every
// line end and at the end. Without: the bare text.
std::string RunsForTerminal(const std::vector<StyledRun>& runs, bool colour);

}  // namespace orvane::firmware
