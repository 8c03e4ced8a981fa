#include "sim/binary_value.h"

#include <cmath>

#include "sim/instrument_config.h"

namespace orvane::sim {

namespace {
constexpr int kMinExponent = -64;
constexpr int kMaxExponent = 63;
constexpr uint32_t kMantissaTop = 1u << 19;
constexpr uint32_t kMantissaMax = (1u << 20) - 1;
constexpr uint8_t kTopBit = 0x80;
}  // namespace

BinaryValue EncodeBinaryValue(double value) {
    BinaryValue out{kTopBit, kTopBit, kTopBit, kTopBit};
    if (value == 0.0 || std::isnan(value)) return out;

    bool negative = std::signbit(value);
    uint32_t mantissa = kMantissaMax;
    int exponent = kMaxExponent;
    if (!std::isinf(value)) {
        int e = 0;
        double fraction = std::frexp(std::fabs(value), &e);  // 0.5 <= fraction < 1
        auto m = static_cast<uint32_t>(std::llround(std::ldexp(fraction, 20)));
        if (m > kMantissaMax) {  // rounded up to 1.0
            m = kMantissaTop;
            ++e;
        }
        if (e < kMinExponent) return out;
        if (e <= kMaxExponent) {
            mantissa = m;
            exponent = e;
        }
    }

    out[0] = static_cast<uint8_t>(kTopBit | (static_cast<unsigned>(exponent) & 0x7F));
    out[1] = static_cast<uint8_t>(kTopBit | (negative ? 0x40 : 0) | ((mantissa >> 14) & 0x3F));
    out[2] = static_cast<uint8_t>(kTopBit | ((mantissa >> 7) & 0x7F));
    out[3] = static_cast<uint8_t>(kTopBit | (mantissa & 0x7F));
    return out;
}

std::string BinaryReply(double value) {
    BinaryValue bytes = EncodeBinaryValue(value);
    std::string reply(bytes.begin(), bytes.end());
    reply += kLineEnd;
    return reply;
}

}  // namespace orvane::sim
