#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "transport/channel.h"

using orvane::transport::BinaryValueText;
using orvane::transport::DecodeBinaryValue;

namespace {
// Packs a value the way an instrument does: mantissa in [0.5, 1) over 20 bits.
std::array<uint8_t, 4> Pack(double v) {
    std::array<uint8_t, 4> b{0x80, 0, 0, 0};
    if (v == 0) return b;
    int e = 0;
    double m = std::frexp(std::fabs(v), &e);  // m in [0.5, 1)
    auto mant = static_cast<uint32_t>(std::lround(m * (1 << 20)));
    b[0] = static_cast<uint8_t>(0x80 | (e & 0x7F));
    b[1] = static_cast<uint8_t>(((mant >> 14) & 0x3F) | (v < 0 ? 0x40 : 0));
    b[2] = static_cast<uint8_t>((mant >> 7) & 0x7F);
    b[3] = static_cast<uint8_t>(mant & 0x7F);
    return b;
}

std::string Text(const std::array<uint8_t, 4>& b) {
    return BinaryValueText(b.data());
}
}  // namespace

TEST(BinaryValue, DecodesValuesAndWritesCompactExponents) {
    EXPECT_EQ(Text(Pack(1234.5)), "1.23450E3");
    EXPECT_EQ(Text(Pack(0.00123)), "1.23000E-3");
    EXPECT_EQ(Text(Pack(1.5e12)), "1.50000E12");
    EXPECT_EQ(Text(Pack(-2.5)), "-2.50000E0");
    // An exponent of zero keeps one digit so the text is still a number.
    EXPECT_EQ(Text(Pack(3.0)), "3.00000E0");
    EXPECT_DOUBLE_EQ(DecodeBinaryValue(Pack(-2.5).data()), -2.5);

    // Valid flag clear: zero whatever else is set.
    std::array<uint8_t, 4> invalid{0xFF, 0x9F, 0xFF, 0xFF};
    EXPECT_EQ(DecodeBinaryValue(invalid.data()), 0.0);
    EXPECT_EQ(Text(invalid), "0.00000E0");

    // The extremes of the 7-bit exponent.
    std::array<uint8_t, 4> big{0x80 | 0x3F, 0x3F, 0x7F, 0x7F};
    std::array<uint8_t, 4> tiny{0x80 | 0x40, 0x20, 0, 0};
    EXPECT_GT(DecodeBinaryValue(big.data()), 9e18);
    EXPECT_GT(DecodeBinaryValue(tiny.data()), 0.0);
    EXPECT_EQ(Text(big).substr(0, 4), "9.22");
}
