#pragma once
// Reads RTF into styled runs of text, for the "Firmware Files List" dialog of
// the desktop program and for the command-line front end, which prints the
// runs in colour. Meant for the subset the plan preview writes (font and
// colour tables, \cf, \b, \ul, \ulnone, \par, \fs, \pard, groups, escaped
// characters), it also reads what other RTF writers make of such text:
// unknown control words are ignored and non-text destinations skipped.
// Any input is safe; text that is not RTF comes back as one plain run.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::firmware {

struct RgbColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const RgbColour&) const = default;
};

struct RtfRun {
    // UTF-8. "\n" ends a paragraph and "\t" is a tab; no other control
    // characters are ever passed on, so a terminal can print the text as it is.
    std::string text;
    std::optional<RgbColour> colour;  // nothing: the default text colour
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int fontSize = 24;  // half-points
    std::string font;   // from the font table; empty when it names none
    bool operator==(const RtfRun&) const = default;
};

// Adjacent text of the same style comes back as one run.
std::vector<RtfRun> ReadRtf(std::string_view rtf);

}  // namespace orvane::firmware
