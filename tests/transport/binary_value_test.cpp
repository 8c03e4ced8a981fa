#include <gtest/gtest.h>

#include <array>

#include "transport/channel.h"

using orvane::transport::BinaryValueText;
using orvane::transport::DecodeBinaryValue;

// Four bytes: a 7-bit exponent, then sign, valid flag and a 20-bit mantissa in [0.5, 1).
TEST(BinaryValue, DecodesValuesAndWritesCompactExponents) {
    struct Row {
        std::array<uint8_t, 4> bytes;
        const char* text;
    } rows[] = {
        {{0x8B, 0x26, 0x4A, 0x00}, "1.23450E3"},   {{0xF7, 0x28, 0x26, 0x7F}, "1.23000E-3"},
        {{0xA9, 0x2B, 0x53, 0x78}, "1.50000E12"},  {{0x82, 0x68, 0x00, 0x00}, "-2.50000E0"},
        {{0x82, 0x30, 0x00, 0x00}, "3.00000E0"},   // a zero exponent keeps its digit
        {{0xFF, 0x9F, 0xFF, 0xFF}, "0.00000E0"},   // valid flag clear: zero whatever else is set
        {{0xBF, 0x3F, 0x7F, 0x7F}, "9.22336E18"},  // the extremes of the exponent
        {{0xC0, 0x20, 0x00, 0x00}, "2.71051E-20"},
    };
    for (const Row& row : rows) EXPECT_EQ(BinaryValueText(row.bytes.data()), row.text);
    EXPECT_DOUBLE_EQ(DecodeBinaryValue(rows[3].bytes.data()), -2.5);
}
