#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string_view>

#include "platform/fixed_text.h"

using namespace orvane::platform;

TEST(Text, DecimalRules) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    struct Row {
        const char* rule;
        std::string_view text, skipped;
        int32_t value;
        bool hasDigits;
        std::size_t end;
    };
    const Row rows[] = {
        {"white space, sign and digits, the rest left", " \t\v-42x", kWhiteSpace, -42, true, 6},
        {"skips only what it is told", "\v7", kBlanks, 0, false, 0},
        {"a plus sign", "+7", {}, 7, true, 2},
        {"a sign without digits", "-", kWhiteSpace, 0, false, 1},
        {"stops at the top of the range", "99999999999999999999", {}, kMax, true, 20},
        {"stops at the bottom of the range", "-2147483649", {}, kMin, true, 11},
        {"the bottom itself", "-2147483648", {}, kMin, true, 11},
    };
    for (const Row& row : rows) {
        DecimalRead read = ReadDecimal(row.text, row.skipped);
        EXPECT_EQ(read.value, row.value) << row.rule;
        EXPECT_EQ(read.hasDigits, row.hasDigits) << row.rule;
        EXPECT_EQ(read.end, row.end) << row.rule;
    }
}

TEST(FixedText, CutsAtCapacityAndStopsAtZeroByte) {
    FixedText<7> port;
    EXPECT_TRUE(port.empty());
    port = "ttyUSB12345";
    EXPECT_EQ(port.view(), "ttyUSB");
    EXPECT_EQ(port.size(), 6u);

    port = std::string_view("ab\0cd", 5);
    EXPECT_EQ(port, "ab");
    port = static_cast<const char*>(nullptr);
    EXPECT_TRUE(port.empty());

    // Assigning a part of itself is safe.
    FixedText<16> t("hello world");
    t = t.view().substr(6);
    EXPECT_EQ(t, "world");
}
