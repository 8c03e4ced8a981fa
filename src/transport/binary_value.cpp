#include <cmath>
#include <cstdio>
#include <cstring>

#include "transport/channel.h"

namespace orvane::transport {

double DecodeBinaryValue(const uint8_t b[4], char* text, std::size_t capacity) {
    double value = 0.0;
    if (b[1] & 0x20) {
        int exponent = b[0] & 0x7F;
        if (exponent & 0x40) exponent -= 128;
        uint32_t mantissa = (static_cast<uint32_t>(b[1] & 0x3F) << 14) |
                            (static_cast<uint32_t>(b[2] & 0x7F) << 7) | (b[3] & 0x7F);
        value = std::ldexp(static_cast<double>(mantissa), exponent - 20);
        if (b[1] & 0x40) value = -value;
    }
    if (text && capacity > 0) {
        char raw[48];
        std::snprintf(raw, sizeof raw, "%.*E", 5, value);
        // "1.23450E+03" -> "1.23450E3": no "+", at most two leading zeros dropped,
        // and one digit always kept so the text stays a number.
        char out[48];
        std::size_t o = 0;
        const char* e = std::strchr(raw, 'E');
        std::size_t mantissaLen = e ? static_cast<std::size_t>(e - raw) + 1 : std::strlen(raw);
        std::memcpy(out, raw, mantissaLen);
        o = mantissaLen;
        if (e) {
            const char* p = e + 1;
            if (*p == '+') {
                ++p;
            } else if (*p == '-') {
                out[o++] = *p++;
            }
            for (int dropped = 0; dropped < 2 && p[0] == '0' && p[1] != '\0'; ++dropped) ++p;
            while (*p) out[o++] = *p++;
        }
        out[o] = '\0';
        std::snprintf(text, capacity, "%s", out);
    }
    return value;
}

}  // namespace orvane::transport
