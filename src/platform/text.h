#pragma once
// Reading text the way the console's files, replies and commands need it:
// trimming, cutting into fields, decimal and hex numbers, ASCII letter case.
// Every rule is named where it is used, because the callers differ in what
// they must accept (stored files and instruments rely on each one's rule).
// Independent of the process locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::platform {

// Space and tab: what a line's own layout adds.
inline constexpr std::string_view kBlanks = " \t";
// All the white space of the C locale.
inline constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

std::string_view TrimLeft(std::string_view text, std::string_view drop);
std::string_view TrimRight(std::string_view text, std::string_view drop);
std::string_view Trim(std::string_view text, std::string_view drop);

// Each separator ends a field: "a,,b" gives a, "", b; a separator at the very
// end adds no field; an empty text gives none.
std::vector<std::string_view> SplitTerminated(std::string_view text, char separator);
// Each separator stands between two fields: as above, except that a separator
// at the very end is followed by an empty field.
std::vector<std::string_view> SplitSeparated(std::string_view text, char separator);

struct DecimalRead {
    int32_t value = 0;
    bool hasDigits = false;
    std::size_t end = 0;  // just past the last character read
};

// Characters of `skipped` first, an optional sign, then decimal digits;
// whatever follows is left. Values beyond the 32-bit range stop at its ends
// rather than wrap, so a huge number can never come out as a small valid one.
DecimalRead ReadDecimal(std::string_view text, std::string_view skipped = kWhiteSpace);

// The whole text as an unsigned decimal number: digits only, no sign or
// blank; nothing when anything else is there or the value passes 32 bits.
std::optional<uint32_t> ReadUnsigned(std::string_view text);

bool IsHexDigit(char c);
// The value of 1 to 8 hex digits, either case; nothing when the text holds
// anything else.
std::optional<uint32_t> ReadHex(std::string_view digits);

// Letter case of ASCII letters only; bytes of other scripts are left alone.
char ToLowerAscii(char c);
char ToUpperAscii(char c);
std::string ToLowerAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

}  // namespace orvane::platform
