#include "firmware/text_fields.h"

#include <limits>

namespace orvane::firmware {

std::vector<std::string_view> SplitFields(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t cut = text.find(separator, start);
        if (cut == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, cut - start));
        start = cut + 1;
    }
    return fields;
}

bool IsFieldSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

DecimalRead ReadDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsFieldSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    DecimalRead read;
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        read.hasDigits = true;
        if (magnitude < kLimit) magnitude = magnitude * 10 + (text[i] - '0');
    }
    if (magnitude > kLimit) magnitude = kLimit;
    int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
    read.value = static_cast<int32_t>(value);
    return read;
}

void ToLowerAscii(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

}  // namespace orvane::firmware
