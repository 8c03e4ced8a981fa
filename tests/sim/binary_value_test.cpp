#include "sim/binary_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/command_interpreter.h"
#include "sim/engine.h"

using orvane::sim::BinaryReply;
using orvane::sim::BinaryValue;
using orvane::sim::EncodeBinaryValue;

namespace {

// The reader's side, written out from the value format rather than from the encoder.
double Decode(const uint8_t* b) {
    if ((b[1] & 0x20) == 0) return 0.0;
    int exponent = b[0] & 0x3F;
    if (b[0] & 0x40) exponent -= 64;
    uint32_t mantissa = ((b[1] & 0x3Fu) << 14) | ((b[2] & 0x7Fu) << 7) | (b[3] & 0x7Fu);
    double value = std::ldexp(static_cast<double>(mantissa), exponent - 20);
    return (b[1] & 0x40) ? -value : value;
}

double Decode(const BinaryValue& b) {
    return Decode(b.data());
}

}  // namespace

TEST(SimBinaryValue, RoundTripsWithinTheMantissaPrecision) {
    for (double v : {1.2345, -1.2345, 1234.5, 0.00123, 1.5e12, -7.0, 3.0, 1e-15, 9.99e17}) {
        BinaryValue b = EncodeBinaryValue(v);
        EXPECT_NE(b[0] & 0x80, 0) << v;
        EXPECT_NEAR(Decode(b), v, std::fabs(v) * std::ldexp(1.0, -20)) << v;
    }
    for (double v : {0.5, 1.0, -2.0, 0.75, 1024.0}) EXPECT_EQ(Decode(EncodeBinaryValue(v)), v);
    // Just below a power of two the mantissa rounds up into the next exponent.
    EXPECT_EQ(Decode(EncodeBinaryValue(1.0 - std::ldexp(1.0, -23))), 1.0);
}

TEST(SimBinaryValue, EdgesZeroSaturateAndNeverLookLikeALineEnd) {
    for (double v : {0.0, -0.0, std::numeric_limits<double>::quiet_NaN(), 1e-30}) {
        BinaryValue b = EncodeBinaryValue(v);
        EXPECT_EQ(b[1] & 0x20, 0) << v;
        EXPECT_EQ(Decode(b), 0.0) << v;
    }
    const double largest = std::ldexp(1.0 - std::ldexp(1.0, -20), 63);
    EXPECT_EQ(Decode(EncodeBinaryValue(1e30)), largest);
    EXPECT_EQ(Decode(EncodeBinaryValue(-std::numeric_limits<double>::infinity())), -largest);

    // Values whose 7-bit groups are 0x0A, 0x0D or 0 must not put those bytes on the wire.
    const double awkward = std::ldexp((0x20 << 14) | (0x0A << 7) | 0x0D, -20);
    for (double v : {awkward, 0.0, 0.5, -1e-9}) {
        for (uint8_t byte : EncodeBinaryValue(v)) {
            EXPECT_TRUE(byte != '\n' && byte != '\r' && byte != 0) << v;
        }
    }
    EXPECT_EQ(Decode(EncodeBinaryValue(awkward)), awkward);
}

TEST(SimBinaryValue, BinaryQueryAnswersFourValueBytesAndALineEnd) {
    orvane::sim::InstrumentConfig config;
    config.reading = -42.25;
    orvane::sim::Engine engine(config);
    std::string query(orvane::sim::kBinaryReadingQuery);
    query += "\n";
    engine.Feed(query.data(), query.size(), 0);
    std::string reply = engine.TakeOutput(0);
    ASSERT_EQ(reply.size(), 6u);
    EXPECT_EQ(reply, BinaryReply(config.reading));
    EXPECT_EQ(reply.substr(4), "\r\n");
    EXPECT_EQ(Decode(reinterpret_cast<const uint8_t*>(reply.data())), -42.25);
}
