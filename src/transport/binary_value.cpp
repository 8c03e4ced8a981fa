#include <cmath>
#include <cstdio>
#include <string_view>

#include "transport/channel.h"

namespace orvane::transport {

double DecodeBinaryValue(const uint8_t b[4]) {
    if (!(b[1] & 0x20)) return 0.0;
    int exponent = b[0] & 0x7F;
    if (exponent & 0x40) exponent -= 128;
    uint32_t mantissa = (static_cast<uint32_t>(b[1] & 0x3F) << 14) |
                        (static_cast<uint32_t>(b[2] & 0x7F) << 7) | (b[3] & 0x7F);
    double value = std::ldexp(static_cast<double>(mantissa), exponent - 20);
    return b[1] & 0x40 ? -value : value;
}

std::string BinaryValueText(const uint8_t bytes[4]) {
    char raw[48];
    std::snprintf(raw, sizeof raw, "%.*E", 5, DecodeBinaryValue(bytes));
    // "1.23450E+03" -> "1.23450E3": no "+", at most two leading zeros dropped,
    // and one digit always kept so the text stays a number.
    std::string_view text(raw);
    std::size_t e = text.find('E');
    if (e == std::string_view::npos) return std::string(text);
    std::string out(text.substr(0, e + 1));
    std::string_view exponent = text.substr(e + 1);
    if (!exponent.empty() && exponent[0] == '+') {
        exponent.remove_prefix(1);
    } else if (!exponent.empty() && exponent[0] == '-') {
        out += '-';
        exponent.remove_prefix(1);
    }
    for (int dropped = 0; dropped < 2 && exponent.size() > 1 && exponent[0] == '0'; ++dropped)
        exponent.remove_prefix(1);
    out += exponent;
    return out;
}

}  // namespace orvane::transport
