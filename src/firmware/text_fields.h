#pragma once
// The small text helpers the descriptor, the plan and the preview share:
// comma fields and decimal numbers read the way the descriptor format expects.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::firmware {

// Cuts text at every separator. Two separators in a row give an empty field, a
// separator at the very end adds none, and an empty text gives no fields.
std::vector<std::string_view> SplitFields(std::string_view text, char separator = ',');

struct DecimalRead {
    int32_t value = 0;
    bool hasDigits = false;
};

// Leading white space, an optional sign, then digits; whatever follows is
// ignored. Values beyond the 32-bit range stop at its ends rather than wrap,
// so a huge sector number can never come out as a small valid one.
DecimalRead ReadDecimal(std::string_view text);
inline int32_t DecimalValue(std::string_view text) {
    return ReadDecimal(text).value;
}

// The white space that descriptor fields shed: space, tab, CR, LF, VT, FF.
bool IsFieldSpace(char c);

// Lower case for ASCII letters only; bytes of other scripts are left alone.
void ToLowerAscii(std::string& text);

}  // namespace orvane::firmware
