#include "platform/text.h"

#include <charconv>
#include <limits>

namespace orvane::platform {

std::string_view TrimLeft(std::string_view text, std::string_view drop) {
    std::size_t first = text.find_first_not_of(drop);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimRight(std::string_view text, std::string_view drop) {
    std::size_t last = text.find_last_not_of(drop);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view Trim(std::string_view text, std::string_view drop) {
    return TrimRight(TrimLeft(text, drop), drop);
}

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator, bool emptyLast) {
    std::vector<std::string_view> fields;
    if (text.empty()) return fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t cut = text.find(separator, start);
        if (cut == std::string_view::npos) {
            if (start < text.size() || emptyLast) fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, cut - start));
        start = cut + 1;
    }
}

}  // namespace

std::vector<std::string_view> SplitTerminated(std::string_view text, char separator) {
    return Split(text, separator, false);
}

std::vector<std::string_view> SplitSeparated(std::string_view text, char separator) {
    return Split(text, separator, true);
}

DecimalRead ReadDecimal(std::string_view text, std::string_view skipped) {
    std::size_t i = 0;
    while (i < text.size() && skipped.find(text[i]) != std::string_view::npos) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
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
    read.end = i;
    return read;
}

std::optional<uint32_t> ReadUnsigned(std::string_view text) {
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

bool IsHexDigit(char c) {
    return HexDigitValue(c) >= 0;
}

std::optional<uint32_t> ReadHex(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
        int d = HexDigitValue(c);
        if (d < 0) return std::nullopt;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    return value;
}

char ToLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char ToUpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ToLowerAscii(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace orvane::platform
