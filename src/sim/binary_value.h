#pragma once
// The instrument's 4-byte binary reply value.
//
// b0: top bit set (marks a binary reply), bits 0-6 the exponent E (7-bit two's
// complement). b1: bit 6 the sign, bit 5 the valid flag, which is also the top
// bit of the 20-bit mantissa M; b1 bits 0-5, b2 and b3 bits 0-6 hold M.
// Value = +-M * 2^-20 * 2^E.

#include <array>
#include <cstdint>
#include <string>

namespace orvane::sim {

using BinaryValue = std::array<uint8_t, 4>;

// Encodes value with the mantissa rounded to 20 bits. Zero and NaN encode with
// the valid flag clear; magnitudes too large for E = 63 saturate, too small
// for E = -64 encode as zero.
//
// Bit 7 of b1..b3 is ignored by readers; it is always set here, so no value
// byte can be taken for a line feed, a carriage return or a terminating zero.
BinaryValue EncodeBinaryValue(double value);

// The whole reply: the four value bytes, then CR LF.
std::string BinaryReply(double value);

}  // namespace orvane::sim
